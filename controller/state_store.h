// What survives a restart of the virtual controller: flash values and the IP
// address, kept as JSON in a state directory, and the ROM program. A fresh
// directory is a factory-new controller. A state file that cannot be read is
// never overwritten: it is moved aside under a new name and reported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct PersistentState
{
    std::optional<uint32_t> ipAddress;
    std::vector<float> flash;
};

class StateStore
{
public:
    /// An empty directory name keeps nothing.
    explicit StateStore(std::string directory);

    bool enabled() const { return !m_directory.empty(); }
    /// The stored state; empty when nothing is stored. A state file that
    /// cannot be read or understood is moved aside and named in warnings().
    PersistentState load();
    /// Writes the state atomically (a new file renamed over the old one);
    /// false when the directory cannot be written or a damaged state file
    /// could not be moved out of the way.
    bool save(const PersistentState& state) const;
    /// The program package kept in ROM; empty when none. Throws
    /// std::runtime_error naming the file when one is there but cannot be read.
    std::vector<uint8_t> loadRomPackage() const;
    /// Keeps the package as the ROM program (atomically); false on failure.
    bool saveRomPackage(const std::vector<uint8_t>& package) const;
    /// What load() found wrong, one sentence each, for the operator.
    const std::vector<std::string>& warnings() const { return m_warnings; }

private:
    /// Writes one file of the directory atomically; false on failure.
    bool keep(const char* name, std::string_view content) const;

    std::string m_directory;
    std::vector<std::string> m_warnings;
    /// A damaged state file is still where save() would write.
    bool m_damagedInPlace = false;
};

/// "a.b.c.d" of an address whose first octet is the lowest byte.
std::string ipText(uint32_t address);
/// The address of "a.b.c.d", or nothing.
std::optional<uint32_t> parseIp(const std::string& text);

} // namespace korvan::controller
