// What the controller specification page and the axis parameter page need
// from the shell: the current connection, the one axis table, the language
// and its file, and the program's folder.
#pragma once

#include "link/korvan.h"
#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"

#include <QString>

#include <filesystem>
#include <string>

namespace korvan::axis {

class AxisPagesEnvironment
{
public:
    virtual ~AxisPagesEnvironment() = default;
    /// The current connection's handle, null without one.
    virtual ControllerHandle currentHandle() const = 0;
    /// The current connection's port, nullptr without one.
    virtual AxisPort* currentPort() = 0;
    /// The process's one AxisTable.
    virtual AxisTable& table() = 0;
    /// AppState.language (1 = Chinese).
    virtual int language() const = 0;
    /// The current slot's linkType (1 serial) and busType (0 none).
    virtual int linkType() const = 0;
    virtual int busType() const = 0;
    /// The ROM download file's name without ".Bas": the current slot's IP
    /// address, serial port or PCI card; empty when it has none.
    virtual std::string romFileStem() const = 0;
    /// The language file text of section/key, "NULL" when missing.
    virtual QString caption(const QString& section, const QString& key) const = 0;
    /// The program's folder: its shipped files, and its own files when writable.
    virtual std::filesystem::path programDir() const = 0;
};

} // namespace korvan::axis
