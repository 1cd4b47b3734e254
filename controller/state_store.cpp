#include "controller/state_store.h"

#include "platform/core/file_replace.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace korvan::controller {

namespace {

namespace fs = std::filesystem;

constexpr const char* fileName = "controller-state.json";
constexpr const char* romFileName = "rom.krx";

struct FileBytes
{
    std::string bytes;
    std::error_code error; // set when the file is there but cannot be read
    bool missing = false;
};

// The whole file, or why it cannot be had (a folder, no permission, I/O).
FileBytes readFile(const fs::path& path)
{
    FileBytes file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // No file, or no directory to hold one: nothing is stored.
        file.missing = errno == ENOENT || errno == ENOTDIR;
        file.error.assign(errno, std::generic_category());
        return file;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        file.error = std::make_error_code(std::errc::is_a_directory);
    } else {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0) {
                file.bytes.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                file.error.assign(errno, std::generic_category());
                break;
            }
        }
    }
    ::close(fd);
    return file;
}

// The state in the file's text; throws with the reason when it is not one.
PersistentState parseState(const std::string& text)
{
    PersistentState state;
    const nlohmann::json j = nlohmann::json::parse(text);
    if (!j.is_object())
        throw std::runtime_error("not a JSON object");
    if (j.contains("ip")) {
        state.ipAddress = parseIp(j.at("ip").get<std::string>());
        if (!state.ipAddress)
            throw std::runtime_error("\"ip\" is not an IPv4 address");
    }
    if (j.contains("flash"))
        state.flash = j.at("flash").get<std::vector<float>>();
    return state;
}

// A name beside path that nothing has yet: "<name>.damaged", then "-2" on.
fs::path asideName(const fs::path& path)
{
    fs::path aside = path;
    aside += ".damaged";
    std::error_code error;
    for (int n = 2; fs::symlink_status(aside, error).type() != fs::file_type::not_found; ++n) {
        aside = path;
        aside += ".damaged-" + std::to_string(n);
    }
    return aside;
}

} // namespace

StateStore::StateStore(std::string directory) : m_directory(std::move(directory)) {}

PersistentState StateStore::load()
{
    if (!enabled())
        return {};
    const fs::path path = fs::path(m_directory) / fileName;
    const FileBytes file = readFile(path);
    if (file.missing)
        return {};
    std::string reason;
    if (file.error) {
        reason = file.error.message();
    } else {
        try {
            return parseState(file.bytes);
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    // Its flash values and address may still be wanted: keep the file, and
    // start as a factory-new controller.
    const fs::path aside = asideName(path);
    std::error_code error;
    fs::rename(path, aside, error);
    if (error) {
        m_damagedInPlace = true;
        m_warnings.push_back("the state file " + path.string() + " cannot be read (" + reason +
                             ") nor moved aside (" + error.message() +
                             "); the controller starts with factory flash values and IP "
                             "address and keeps nothing until the file is removed");
    } else {
        m_warnings.push_back("the state file " + path.string() + " cannot be read (" + reason +
                             "); it is kept as " + aside.string() +
                             " and the controller starts with factory flash values and IP "
                             "address");
    }
    return {};
}

bool StateStore::save(const PersistentState& state) const
{
    if (!enabled())
        return true;
    if (m_damagedInPlace)
        return false;
    nlohmann::json j;
    if (state.ipAddress)
        j["ip"] = ipText(*state.ipAddress);
    j["flash"] = state.flash;
    return keep(fileName, j.dump(1));
}

std::vector<uint8_t> StateStore::loadRomPackage() const
{
    if (!enabled())
        return {};
    const fs::path path = fs::path(m_directory) / romFileName;
    const FileBytes file = readFile(path);
    if (file.missing)
        return {};
    if (file.error)
        throw std::runtime_error("cannot read the ROM program " + path.string() + ": " +
                                 file.error.message());
    return {file.bytes.begin(), file.bytes.end()};
}

bool StateStore::saveRomPackage(const std::vector<uint8_t>& package) const
{
    if (!enabled())
        return true;
    return keep(romFileName,
                std::string_view(reinterpret_cast<const char*>(package.data()), package.size()));
}

bool StateStore::keep(const char* name, std::string_view content) const
{
    std::error_code ignored;
    fs::create_directories(m_directory, ignored);
    return !platform::replaceFileContent(fs::path(m_directory) / name, content,
                                         platform::AtSymlink::ReplaceLink);
}

std::string ipText(uint32_t a)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a & 0xff, (a >> 8) & 0xff, (a >> 16) & 0xff,
                  (a >> 24) & 0xff);
    return text;
}

std::optional<uint32_t> parseIp(const std::string& text)
{
    unsigned o[4];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &o[0], &o[1], &o[2], &o[3], &tail) != 4)
        return std::nullopt;
    for (unsigned v : o) {
        if (v > 255)
            return std::nullopt;
    }
    return o[0] | (o[1] << 8) | (o[2] << 16) | (o[3] << 24);
}

} // namespace korvan::controller
