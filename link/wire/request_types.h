// The request types of the link protocol, one row per VXC_ operation family.
// A reply carries the request's type with kReplyBit set.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvan::link::wire {

// X(name, code): the wire code of each request type.
#define KORVAN_LINK_REQUEST_TYPES(X)                                                               \
    X(Hello, 0x0001)                                                                               \
    X(Execute, 0x0010)                                                                             \
    X(DirectCommand, 0x0011)                                                                       \
    X(ExecuteNoAck, 0x0012)                                                                        \
    X(ReadMessages, 0x0013)                                                                        \
    X(ReceiveOutput, 0x0014)                                                                       \
    X(ControllerError, 0x0015)                                                                     \
    X(State, 0x0016)                                                                               \
    X(Specification, 0x0020)                                                                       \
    X(ChildCard, 0x0021)                                                                           \
    X(SoftVersion, 0x0022)                                                                         \
    X(AxisCount, 0x0023)                                                                           \
    X(IpAddress, 0x0024)                                                                           \
    X(HardId, 0x0025)                                                                              \
    X(ControllerId, 0x0026)                                                                        \
    X(AxisFeatures, 0x0027)                                                                        \
    X(FlashWrite, 0x0030)                                                                          \
    X(ModbusGetBits, 0x0031)                                                                       \
    X(ModbusSetBits, 0x0032)                                                                       \
    X(ModbusGetRegisters, 0x0033)                                                                  \
    X(ModbusSetRegisters, 0x0034)                                                                  \
    X(RegisterRead, 0x0035)                                                                        \
    X(DownloadRom, 0x0040)                                                                         \
    X(DownloadRamRun, 0x0041)                                                                      \
    X(Resume, 0x0042)                                                                              \
    X(Discover, 0x0050)

enum class RequestType : uint16_t
{
#define KORVAN_LINK_ENUM_ROW(name, code) name = code,
    KORVAN_LINK_REQUEST_TYPES(KORVAN_LINK_ENUM_ROW)
#undef KORVAN_LINK_ENUM_ROW
};

/// Set in the type of every reply frame.
inline constexpr uint16_t kReplyBit = 0x8000;

/// True for the code of a known request type.
constexpr bool isKnownRequestType(uint16_t code)
{
    switch (code) {
#define KORVAN_LINK_CASE_ROW(name, value) case value:
        KORVAN_LINK_REQUEST_TYPES(KORVAN_LINK_CASE_ROW)
#undef KORVAN_LINK_CASE_ROW
        return true;
    default:
        return false;
    }
}

/// The name of a request type for logs and tests ("?" when unknown).
constexpr std::string_view requestTypeName(uint16_t code)
{
    switch (code) {
#define KORVAN_LINK_NAME_ROW(name, value)                                                          \
    case value:                                                                                    \
        return #name;
        KORVAN_LINK_REQUEST_TYPES(KORVAN_LINK_NAME_ROW)
#undef KORVAN_LINK_NAME_ROW
    default:
        return "?";
    }
}

} // namespace korvan::link::wire
