// What View_SingleAxis needs from the shell: the connection registry's
// current slot, each slot's port, the language and the language file lookup.
#pragma once

#include "workbench/axis/axis_port.h"

#include <QString>

namespace korvan::axis {

class SingleAxisEnvironment
{
public:
    virtual ~SingleAxisEnvironment() = default;
    /// AppState.currentConnection.
    virtual int currentSlot() const = 0;
    /// The port of a slot, nullptr when the slot has no link.
    virtual AxisPort* slotPort(int slot) = 0;
    /// AppState.language (1 = Chinese).
    virtual int language() const = 0;
    /// ConnectionSlot.linkType of a slot (1 serial).
    virtual int linkType(int slot) const = 0;
    /// ConnectionSlot.eciFlag of a slot.
    virtual int eciFlag(int slot) const = 0;
    /// The language file text of section/key, "NULL" when missing.
    virtual QString caption(const QString& section, const QString& key) const = 0;
};

} // namespace korvan::axis
