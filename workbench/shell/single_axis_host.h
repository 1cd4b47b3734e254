// The workbench's side of the single-axis panel: the panel memory and the
// panel session (comparator owners, reciprocation feed) that
// outlive the view, one axis port per connection, and the view factory and
// ShowAxis action registered with the main frame.
#pragma once

#include "workbench/axis/axis_table.h"
#include "workbench/axis/slot_link_ports.h"
#include "workbench/axis/views/single_axis_environment.h"
#include "workbench/axis/views/single_axis_session.h"
#include "workbench/shell/app_state.h"

#include <memory>

namespace korvan::shell {

class CMainFrame;

class SingleAxisHost final : public axis::SingleAxisEnvironment
{
public:
    /// The axis table is the frame's, which the axis parameter page shares.
    SingleAxisHost(const AppState& state, axis::AxisTable& table);
    ~SingleAxisHost() final;

    /// Registers the SingleAxis view and what code 13 does to it.
    void install(CMainFrame& frame);
    /// What the panel keeps while its view comes and goes.
    axis::SingleAxisSession& session() { return *m_session; }

    int currentSlot() const final;
    axis::AxisPort* slotPort(int slot) final;
    int language() const final;
    int linkType(int slot) const final;
    int eciFlag(int slot) const final;
    QString caption(const QString& section, const QString& key) const final;

private:
    const ConnectionSlot* slotAt(int slot) const;

    const AppState& m_state;
    axis::AxisTable& m_table;
    std::unique_ptr<axis::AxisPanelMemory> m_memory;
    axis::SlotLinkPorts m_ports;
    std::unique_ptr<axis::SingleAxisSession> m_session;
};

} // namespace korvan::shell
