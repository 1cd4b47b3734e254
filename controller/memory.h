// The controller's memories: VR registers, the TABLE array, the general
// Modbus bits and registers and the flash values.
#pragma once

#include "controller/profile.h"

#include <cstdint>
#include <vector>

namespace korvan::controller {

struct Memory
{
    explicit Memory(const Profile& profile)
        : vr(static_cast<std::size_t>(profile.vrSize), 0.0),
          table(static_cast<std::size_t>(profile.tableSize), 0.0),
          modbusBits(static_cast<std::size_t>(profile.modbusBits), 0),
          modbusRegisters(static_cast<std::size_t>(profile.modbusRegisters), 0),
          flash(static_cast<std::size_t>(profile.flashValues), 0.0f)
    {}

    /// Clears what a reboot loses: TABLE and the Modbus areas. VR is kept,
    /// as in battery-backed memory; flash is persistent.
    void resetVolatile()
    {
        std::fill(table.begin(), table.end(), 0.0);
        std::fill(modbusBits.begin(), modbusBits.end(), 0);
        std::fill(modbusRegisters.begin(), modbusRegisters.end(), 0);
    }

    std::vector<double> vr;
    std::vector<double> table;
    std::vector<uint8_t> modbusBits;
    std::vector<uint16_t> modbusRegisters;
    std::vector<float> flash;
};

} // namespace korvan::controller
