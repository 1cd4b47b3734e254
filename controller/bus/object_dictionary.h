// The object dictionary of a bus node, reached by SDO_READ and SDO_WRITE.
// Drives carry the CiA 402 objects of each axis (axis k at index + 0x800 * k),
// linked to the live state of the controller axis that drives it; I/O nodes
// carry their channels; every node carries its device type and identity.
// A request names a data type; its size must match the object's, and a
// written value must fit the type and the object. Failures are the standard
// CANopen abort codes.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvan::controller {

struct ControllerState;
struct BusNodeState;

// X(name, code, bytes, signed): the data types an SDO request names.
#define KORVAN_SDO_TYPES(X)                                                                        \
    X(Bool, 1, 1, false)                                                                           \
    X(Int8, 2, 1, true)                                                                            \
    X(Int16, 3, 2, true)                                                                           \
    X(Int32, 4, 4, true)                                                                           \
    X(Uint8, 5, 1, false)                                                                          \
    X(Uint16, 6, 2, false)                                                                         \
    X(Uint32, 7, 4, false)

enum class SdoType
{
#define KORVAN_SDO_TYPE_ENUM(name, code, bytes, isSigned) name = code,
    KORVAN_SDO_TYPES(KORVAN_SDO_TYPE_ENUM)
#undef KORVAN_SDO_TYPE_ENUM
};

/// True for the codes 1 to 7.
bool validSdoType(int code);

// X(name, abort code, text)
#define KORVAN_SDO_ABORTS(X)                                                                       \
    X(None, 0x00000000u, "")                                                                       \
    X(WriteReadOnly, 0x06010002u, "attempt to write a read only object")                           \
    X(NoObject, 0x06020000u, "object does not exist in the object dictionary")                     \
    X(TypeMismatch, 0x06070010u,                                                                   \
      "data type does not match, length of service parameter does not match")                      \
    X(NoSubIndex, 0x06090011u, "sub-index does not exist")                                         \
    X(ValueRange, 0x06090030u, "value range of parameter exceeded")                                \
    X(DeviceState, 0x08000022u,                                                                    \
      "data cannot be transferred or stored because of the present device state")

enum class SdoAbort : uint32_t
{
#define KORVAN_SDO_ABORT_ENUM(name, code, text) name = code,
    KORVAN_SDO_ABORTS(KORVAN_SDO_ABORT_ENUM)
#undef KORVAN_SDO_ABORT_ENUM
};

std::string_view sdoAbortText(SdoAbort abort);

/// Reads an object as type (a valid code) into value.
SdoAbort sdoRead(const ControllerState& state, const BusNodeState& node, int index, int subIndex,
                 SdoType type, double& value);
/// Writes value, which must fit type (a valid code), into an object.
SdoAbort sdoWrite(ControllerState& state, BusNodeState& node, int index, int subIndex, SdoType type,
                  int64_t value);
/// True when value is a whole number that type can carry (Uint32 also takes
/// -2^31..-1 as the same 32 bits, since callers send 32-bit signed values).
bool fitsSdoType(SdoType type, double value);

} // namespace korvan::controller
