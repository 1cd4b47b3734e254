// A file that replaces its target only once it is complete: the content goes
// to a new file beside the target, which is renamed over the target when
// everything was written. A failed write, a full disk or giving up half way
// leaves the target as it was and no stray file behind.
#pragma once

#include <filesystem>
#include <string_view>

namespace korvan::platform {

class ReplacingFile
{
public:
    /// Creates the new file beside target; see isOpen().
    explicit ReplacingFile(std::filesystem::path target);
    /// Removes the new file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /// False when the new file could not be created (no such folder, no right to write).
    bool isOpen() const { return m_fd >= 0; }
    /// Writes content, flushes it to the disk and renames the file over the
    /// target, which keeps its permissions. False when any step failed; the
    /// target is then unchanged. Only the first call does anything.
    bool commit(std::string_view content);

private:
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
};

} // namespace korvan::platform
