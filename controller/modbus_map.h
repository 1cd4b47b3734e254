// The controller's Modbus address map.
//
// Bits:       0..            general bits (MODBUS_BIT)
//             10000 + n      digital input n (read only)
//             20000 + n      digital output n
// Registers:  0..            general registers (MODBUS_REG; 32-bit values
//                            as pairs, low word first: MODBUS_LONG, MODBUS_IEEE)
//             10000 + 2k     DPOS of axis k as a float pair (read only)
//             11000 + 2k     MPOS of axis k (read only)
//             12000 + 2k     VP_SPEED of axis k (read only)
//             13000 + n      raw value of analogue output n
//             14000 + n      raw value of analogue input n (read only)
// Numbers without a channel inside a region read as 0; addresses outside
// every region give 2003, writes to read-only regions 2005.
#pragma once

#include "controller/basic/diagnostics.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct ControllerState;

basic::ErrorCode modbusGetBits(const ControllerState& s, uint16_t start, uint16_t count,
                               std::vector<uint8_t>& out);
basic::ErrorCode modbusSetBits(ControllerState& s, uint16_t start,
                               const std::vector<uint8_t>& bits);
basic::ErrorCode modbusGetRegisters(const ControllerState& s, uint16_t start, uint16_t count,
                                    std::vector<uint16_t>& out);
basic::ErrorCode modbusSetRegisters(ControllerState& s, uint16_t start,
                                    const std::vector<uint16_t>& values);
/// Little-endian bytes of an area: "DT" is TABLE, width 32 as floats, 16 as
/// 16-bit integers.
basic::ErrorCode registerRead(const ControllerState& s, std::string_view area, uint32_t width,
                              uint32_t start, uint32_t count, std::vector<uint8_t>& out);

} // namespace korvan::controller
