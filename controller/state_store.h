// What survives a restart of the virtual controller: flash values and the IP
// address, kept as JSON in a state directory. A fresh directory is a
// factory-new controller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
    /// The stored state; empty when nothing (or nothing readable) is stored.
    PersistentState load() const;
    /// Writes the state atomically (a new file renamed over the old one);
    /// false when the directory cannot be written.
    bool save(const PersistentState& state) const;
    /// The program package kept in ROM; empty when none.
    std::vector<uint8_t> loadRomPackage() const;
    /// Keeps the package as the ROM program (atomically); false on failure.
    bool saveRomPackage(const std::vector<uint8_t>& package) const;

private:
    std::string m_directory;
};

/// "a.b.c.d" of an address whose first octet is the lowest byte.
std::string ipText(uint32_t address);
/// The address of "a.b.c.d", or nothing.
std::optional<uint32_t> parseIp(const std::string& text);

} // namespace korvan::controller
