// WM_CONNECTION: the synchronous call through which views ask the main
// frame to register a slot, rebuild a branch or show a tool view.
#pragma once

#include <variant>

namespace korvan::shell {

/// The window message's value, kept for reference in logs and docs.
inline constexpr int WM_CONNECTION = 1025;

enum class ConnectionCode : int
{
    RegisterSlot = 0, // param: slot index
    RefreshSlot = 1,  // param: slot index
    ShowTabs = 10,    // no param
    ShowIo = 11,      // param: IoSelection
    ShowAxis = 13,    // param: AxisSelection
    GoToBasLine = 40, // param: 0-based line
};

/// The source of an I/O view: kind 1 local, 2 expansion module (CAN id), 3 bus node.
struct IoSelection
{
    int kind = 0;
    int id = 0;
    bool operator==(const IoSelection&) const = default;
};

/// An axis node of the resource tree: its group's kind and id, and the axis.
struct AxisSelection
{
    int kind = 0;
    int id = 0;
    int axis = 0;
    bool operator==(const AxisSelection&) const = default;
};

using ConnectionParam = std::variant<std::monostate, int, IoSelection, AxisSelection>;

class ConnectionMessenger
{
public:
    virtual ~ConnectionMessenger() = default;
    /// Handled before it returns; unknown codes are ignored.
    virtual void send(ConnectionCode code, const ConnectionParam& param) = 0;
};

} // namespace korvan::shell
