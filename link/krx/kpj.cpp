#include "link/krx/kpj.h"

#include <fstream>
#include <sstream>

namespace korvan::link::krx {

namespace {

constexpr std::string_view kHeader = "KORVAN-KPJ 1";

// True when file (a canonical path) lies below folder (canonical too).
bool liesIn(const std::filesystem::path& file, const std::filesystem::path& folder)
{
    auto inFile = file.begin();
    for (auto inFolder = folder.begin(); inFolder != folder.end(); ++inFolder, ++inFile) {
        if (inFile == file.end() || *inFile != *inFolder)
            return false;
    }
    return inFile != file.end();
}

} // namespace

std::string formatKpj(const KpjProject& project)
{
    std::string text(kHeader);
    text += "\nproject=" + project.project + "\n";
    for (const std::string& file : project.files)
        text += "file=" + file + "\n";
    return text;
}

std::optional<KpjProject> parseKpj(std::string_view text)
{
    KpjProject project;
    bool headerSeen = false;
    bool projectSeen = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!headerSeen) {
            if (line != kHeader)
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::string value(line.substr(equals + 1));
        if (key == "project" && !projectSeen && isSafeProjectName(value)) {
            project.project = value;
            projectSeen = true;
        } else if (key == "file" && isSafeName(value) && project.files.size() < kMaxFiles) {
            project.files.push_back(value);
        } else {
            return std::nullopt;
        }
    }
    if (!headerSeen || !projectSeen || project.files.empty())
        return std::nullopt;
    return project;
}

std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path,
                                                  std::size_t maxSize)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > maxSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
}

BuiltPackage buildPackage(const std::filesystem::path& kpjPath,
                          const std::filesystem::path& programDirectory)
{
    const auto text = readFileBytes(kpjPath, 64 * 1024);
    if (!text)
        return {ProjectError::Unreadable, KrxError::None, {}};
    const auto project = parseKpj({reinterpret_cast<const char*>(text->data()), text->size()});
    if (!project)
        return {ProjectError::BadProject, KrxError::None, {}};
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::canonical(programDirectory, error);
    if (error)
        return {ProjectError::Unreadable, KrxError::None, {}};
    KrxPackage package{project->project, {}};
    for (const std::string& name : project->files) {
        // A symbolic link may lead anywhere; only what really lies in the
        // program folder goes into a package sent to a controller.
        const std::filesystem::path file = std::filesystem::canonical(folder / name, error);
        if (error)
            return {ProjectError::Unreadable, KrxError::None, {}};
        if (!liesIn(file, folder))
            return {ProjectError::OutsideFolder, KrxError::None, {}};
        auto bytes = readFileBytes(file);
        if (!bytes)
            return {ProjectError::Unreadable, KrxError::None, {}};
        package.files.push_back({name, std::move(*bytes)});
    }
    WriteResult written = writeKrx(package);
    if (written.error != KrxError::None)
        return {ProjectError::PackageError, written.error, {}};
    return {ProjectError::None, KrxError::None, std::move(written.bytes)};
}

} // namespace korvan::link::krx
