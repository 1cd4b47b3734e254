// The workbench's side of the specification and axis parameter pages: the
// current connection's port, the language, the program's folder, and the
// two tab pages registered with the main frame. The axis table is the
// frame's, shared with the single-axis panel.
#pragma once

#include "workbench/axis/link_axis_port.h"
#include "workbench/axis/views/axis_pages_environment.h"
#include "workbench/shell/app_state.h"

#include <optional>

class QWidget;

namespace korvan::shell {

class CMainFrame;

class AxisPagesHost final : public axis::AxisPagesEnvironment
{
public:
    AxisPagesHost(const AppState& state, axis::AxisTable& table);

    /// Registers the ControlMax and AxisPara tab pages.
    void install(CMainFrame& frame);
    /// What code 10 does first: the current controller's axis parameters
    /// into the table; the defaults file's errors are owned by owner.
    void loadAxisTable(QWidget* owner);
    /// Where the pages find the shipped files and keep their own (tests
    /// point it at a folder of theirs); the program's folder by default.
    void setProgramDir(std::filesystem::path dir) { m_programDir = std::move(dir); }

    ControllerHandle currentHandle() const final;
    axis::AxisPort* currentPort() final;
    axis::AxisTable& table() final { return m_table; }
    int language() const final;
    int linkType() const final;
    int busType() const final;
    std::string romFileStem() const final;
    QString caption(const QString& section, const QString& key) const final;
    std::filesystem::path programDir() const final;

private:
    const AppState& m_state;
    axis::AxisTable& m_table;
    std::optional<axis::LinkAxisPort> m_port;
    std::filesystem::path m_programDir;
};

} // namespace korvan::shell
