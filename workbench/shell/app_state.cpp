#include "workbench/shell/app_state.h"

#include <utility>

namespace korvan::shell {

const std::string& ConnectionSlot::displayName() const
{
    if (!comName.empty())
        return comName;
    if (!ipName.empty())
        return ipName;
    return pciName;
}

void ConnectionSlot::clear()
{
    *this = ConnectionSlot{};
}

void setSlotName(std::string& field, std::string_view name)
{
    field.assign(name.substr(0, kSlotNameLength));
}

ControllerHandle AppState::currentHandle() const
{
    const ConnectionSlot* slot = currentSlot();
    return slot ? slot->handle : nullptr;
}

const ConnectionSlot* AppState::currentSlot() const
{
    if (currentConnection < 0 || currentConnection >= kMaxConnections)
        return nullptr;
    return &slots[static_cast<std::size_t>(currentConnection)];
}

ConnectionSlot* AppState::currentSlot()
{
    return const_cast<ConnectionSlot*>(std::as_const(*this).currentSlot());
}

ConnectionSlot* AppState::openingSlot()
{
    if (connectionCount < 0 || connectionCount >= kMaxConnections)
        return nullptr;
    return &slots[static_cast<std::size_t>(connectionCount)];
}

bool AppState::isRegistered(std::string ConnectionSlot::*field, std::string_view name) const
{
    for (int i = 0; i < connectionCount && i < kMaxConnections; ++i)
        if (slots[static_cast<std::size_t>(i)].*field == name)
            return true;
    return false;
}

AppState& theAppState()
{
    static AppState state;
    return state;
}

} // namespace korvan::shell
