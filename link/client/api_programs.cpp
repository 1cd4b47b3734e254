// Packages, projects and resuming.
#include "link/client/api_support.h"
#include "link/korvan.h"
#include "link/krx/kpj.h"
#include "platform/core/file_replace.h"

using namespace korvan::link;
using namespace korvan::link::client;
namespace platform = korvan::platform;

namespace {

int32_t sendPackage(Link& link, wire::RequestType type, std::span<const uint8_t> package)
{
    wire::PayloadWriter out;
    out.blob(package);
    std::vector<uint8_t> body;
    return request(link, type, std::move(out), body);
}

int32_t downloadFile(ControllerHandle handle, const char* path, wire::RequestType type)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (!path)
            return VXC_ERR_INVALID_ARGUMENT;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error) &&
            std::filesystem::file_size(path, error) > kMaxPackageSize)
            return VXC_ERR_TOO_LONG;
        const auto bytes = krx::readFileBytes(path);
        if (!bytes)
            return VXC_ERR_NO_SUCH_FILE;
        return sendPackage(link, type, *bytes);
    });
}

int32_t buildAndSend(ControllerHandle handle, const char* first, const char* second,
                     wire::RequestType type)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (!first || !second)
            return VXC_ERR_INVALID_ARGUMENT;
        const krx::BuiltPackage package =
            krx::buildPackage(std::string(first, ::strnlen(first, VXC_KPJ_BUFFER_SIZE)),
                              std::string(second, ::strnlen(second, VXC_KPJ_BUFFER_SIZE)));
        switch (package.error) {
        case krx::ProjectError::None:
            return sendPackage(link, type, package.bytes);
        case krx::ProjectError::Unreadable:
            return VXC_ERR_NO_SUCH_FILE;
        case krx::ProjectError::BadProject:
        case krx::ProjectError::OutsideFolder:
            return VXC_ERR_INVALID_ARGUMENT;
        case krx::ProjectError::PackageError:
            return package.krxError == krx::KrxError::TooLarge ? VXC_ERR_TOO_LONG
                                                               : VXC_ERR_INVALID_ARGUMENT;
        }
        return VXC_ERR_INVALID_ARGUMENT;
    });
}

} // namespace

extern "C" {

int32_t VXC_DownKrx(ControllerHandle handle, const char* path, uint32_t flags)
{
    return downloadFile(handle, path, wire::RequestType::DownloadRom);
}

int32_t VXC_DownKrxToRamAndRun(ControllerHandle handle, const char* path)
{
    return downloadFile(handle, path, wire::RequestType::DownloadRamRun);
}

int32_t VXC_Resume(ControllerHandle handle)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        std::vector<uint8_t> body;
        return request(link, wire::RequestType::Resume, wire::PayloadWriter{}, body);
    });
}

int32_t VXC_MakeOneFileKpj(char* first, char* second, const char* basPath)
{
    if (!first || !second || !basPath)
        return VXC_ERR_INVALID_ARGUMENT;
    first[0] = '\0';
    second[0] = '\0';
    std::error_code error;
    const std::filesystem::path source = std::filesystem::absolute(basPath, error);
    if (error || !std::filesystem::is_regular_file(source, error))
        return VXC_ERR_NO_SUCH_FILE;
    const std::string fileName = source.filename().string();
    if (!krx::isSafeName(fileName))
        return VXC_ERR_INVALID_ARGUMENT;
    const std::filesystem::path directory = source.parent_path();
    const std::filesystem::path project = directory / (source.stem().string() + ".kpj");
    const std::string projectText = project.string();
    const std::string directoryText = directory.string();
    if (projectText.size() >= VXC_KPJ_BUFFER_SIZE || directoryText.size() >= VXC_KPJ_BUFFER_SIZE)
        return VXC_ERR_TOO_LONG;
    const std::string text = krx::formatKpj({source.stem().string(), {fileName}});
    // A link at the project's path is replaced, never written through: the
    // file it leads to is not ours to overwrite.
    if (platform::replaceFileContent(project, text, platform::AtSymlink::ReplaceLink))
        return VXC_ERR_NO_SUCH_FILE;
    copyText(projectText, first, VXC_KPJ_BUFFER_SIZE);
    copyText(directoryText, second, VXC_KPJ_BUFFER_SIZE);
    return VXC_OK;
}

int32_t VXC_MakeKrxAndDown2(ControllerHandle handle, const char* first, const char* second,
                            uint32_t reserved1, uint32_t reserved2)
{
    return buildAndSend(handle, first, second, wire::RequestType::DownloadRom);
}

int32_t VXC_MakeKrxAndRamRun2(ControllerHandle handle, const char* first, const char* second,
                              uint32_t reserved1, uint32_t reserved2)
{
    return buildAndSend(handle, first, second, wire::RequestType::DownloadRamRun);
}

} // extern "C"
