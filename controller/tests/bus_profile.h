// The field-bus profile of the bus tests: 8 axes of which 2 local, a
// module with 2 axes, and on two slots drives with 4 axes in all.
#pragma once

#include "controller/profile.h"

#include <string>

namespace korvan::controller::testing {

/// Slot 0 (EtherCAT): a drive, a two-axis drive and an I/O node; slot 1
/// (RTEX): a drive. 16 local inputs keep the module at card 0 (I/O 16..31),
/// so bus channels start at 32 (digital) and 8 (analogue). With a
/// busProgram path (relative to baseDir) that program is the factory ROM.
inline Profile busProfile(const std::string& busProgram = {}, const std::string& baseDir = {})
{
    const std::string program =
        busProgram.empty() ? std::string() : R"("busProgram": ")" + busProgram + R"(",)";
    return parseProfile(R"({)" + program + R"(
      "axes": {"virtual": 8, "real": 2},
      "io": {"inputs": 16, "outputs": 16, "analogInputs": 2, "analogOutputs": 2},
      "modules": [{"canId": 0, "hardId": 801, "inputs": 16, "outputs": 16, "axes": 2}],
      "bus": [
        {"type": "EtherCAT", "nodes": [
          {"kind": "drive", "vendor": 1647, "device": 1, "revision": 2, "serial": 11,
           "addressSwitch": 1},
          {"kind": "drive", "vendor": 477, "device": 2, "axes": 2},
          {"kind": "io", "vendor": 2, "device": 3, "addressSwitch": 4, "status": 5,
           "inputs": 8, "outputs": 8, "analogInputs": 2, "analogOutputs": 1}]},
        {"type": "RTEX", "nodes": [{"kind": "drive", "vendor": 1647, "device": 9}]}]
    })",
                        baseDir);
}

} // namespace korvan::controller::testing
