// Private-profile (ini) files as the language files, the parameter import,
// the bus configuration and the oscilloscope settings expect them, read and
// written as the Windows profile functions do, so that files from a Windows
// peer mean the same here:
//   - section and key names match without regard to letter case;
//   - blanks around section names, keys and values are ignored;
//   - a value in one pair of matching double or single quotes is read
//     without them;
//   - lines end at CR LF, LF or a CR alone;
//   - a line without '=' carries no key; a line starting with ';' is a comment;
//   - a missing file, section or key gives the caller's default, without
//     its trailing blanks;
//   - a read value is cut to the caller's capacity (capacity - 1 bytes);
//   - a write replaces one key and keeps every other line, comment included;
//     the file and the section are created when missing: a new file has
//     CR LF line ends, an existing one keeps its own, and a new section
//     follows the last line without a blank line;
//   - a write replaces the file atomically (a temporary file of a unique
//     name beside it, flushed before the rename), keeps its permissions and
//     goes through a symbolic link to the link's target;
//   - removing from a missing file creates none.
// Files are UTF-8; a leading byte order mark is skipped and kept.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::platform {

class PrivateProfile
{
public:
    /// The capacity of the classic 260-byte text buffer.
    static constexpr std::size_t kDefaultCapacity = 260;

    explicit PrivateProfile(std::filesystem::path file);

    const std::filesystem::path& path() const { return m_path; }

    /// The value of key in section, or defaultValue, cut to capacity - 1 bytes
    /// (never inside a UTF-8 sequence). A capacity of 0 gives "".
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue,
                           std::size_t capacity = kDefaultCapacity) const;
    /// The leading decimal number of the value; defaultValue when the key is
    /// missing, 0 when the value does not start with a number.
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    /// True when the section holds the key.
    bool hasKey(std::string_view section, std::string_view key) const;
    /// Section names in file order.
    std::vector<std::string> sectionNames() const;
    /// Key names of a section in file order.
    std::vector<std::string> keyNames(std::string_view section) const;

    /// Sets key in section to value; false when the file cannot be written.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    /// Removes key from section; true also when it was not there.
    bool removeKey(std::string_view section, std::string_view key);
    /// Removes a whole section with its keys.
    bool removeSection(std::string_view section);

private:
    std::filesystem::path m_path;
};

/// One reading of a profile file for many lookups in a row (an import reads
/// thousands of keys): readString as above, without reading the file again
/// for every key.
class ProfileSnapshot
{
public:
    explicit ProfileSnapshot(const std::filesystem::path& file);
    ~ProfileSnapshot();
    ProfileSnapshot(const ProfileSnapshot&) = delete;
    ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

    /// PrivateProfile::readString on the file as it was read.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue,
                           std::size_t capacity = PrivateProfile::kDefaultCapacity) const;

private:
    struct Content;
    std::unique_ptr<const Content> m_content;
};

} // namespace korvan::platform
