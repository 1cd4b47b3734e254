// The binary records the link hands out: the specification record and one
// expansion module's record, little-endian.
#pragma once

#include <cstdint>
#include <vector>

namespace korvan::controller {

struct ControllerState;

/// Size of the specification record; callers reserve no more than 60 bytes.
inline constexpr std::size_t specificationRecordSize = 60;
inline constexpr std::size_t childCardRecordSize = 12;

/// The specification record: byte 1 bit 0 DT register reads, 4 virtual axes
/// (u16), 6 real axes, 8..11 local in/out/ain/aout, 12 ROM KB, 16 flash KB,
/// 24 Modbus bits (u16), 26 Modbus registers (u16), 32 TABLE, 36 VR (i32),
/// 55 scope channels.
std::vector<uint8_t> specificationRecord(const ControllerState& state);

/// The record of the module with the lowest card number above previous
/// (65535 asks for the first); without one the card number is 128.
std::vector<uint8_t> childCardRecord(const ControllerState& state, uint16_t previous);

} // namespace korvan::controller
