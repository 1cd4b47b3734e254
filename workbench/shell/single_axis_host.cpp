#include "workbench/shell/single_axis_host.h"

#include "workbench/axis/views/view_single_axis.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"

namespace korvan::shell {

static_assert(kMaxConnections == axis::kSlotCount, "one panel memory row per connection slot");

SingleAxisHost::SingleAxisHost(const AppState& state, axis::AxisTable& table)
    : m_state(state), m_table(table), m_memory(std::make_unique<axis::AxisPanelMemory>()),
      m_ports(*m_memory),
      m_session(std::make_unique<axis::SingleAxisSession>(*this, m_table, *m_memory))
{}

SingleAxisHost::~SingleAxisHost() = default;

void SingleAxisHost::install(CMainFrame& frame)
{
    frame.setViewFactory(RightViewKind::SingleAxis, [this](QWidget* parent) -> QWidget* {
        return new axis::View_SingleAxis(*m_session, parent);
    });
    frame.setViewAction(ConnectionCode::ShowAxis, [](QWidget* view, const ConnectionParam& param) {
        const auto* selection = std::get_if<AxisSelection>(&param);
        auto* panel = qobject_cast<axis::View_SingleAxis*>(view);
        if (selection && panel)
            panel->ShowAxis(selection->kind, selection->id, selection->axis);
    });
}

const ConnectionSlot* SingleAxisHost::slotAt(int slot) const
{
    if (slot < 0 || slot >= kMaxConnections)
        return nullptr;
    return &m_state.slots[static_cast<std::size_t>(slot)];
}

int SingleAxisHost::currentSlot() const
{
    return m_state.currentConnection;
}

axis::AxisPort* SingleAxisHost::slotPort(int slot)
{
    const ConnectionSlot* entry = slotAt(slot);
    return entry ? m_ports.port(slot, entry->handle) : nullptr;
}

int SingleAxisHost::language() const
{
    return m_state.language;
}

int SingleAxisHost::linkType(int slot) const
{
    const ConnectionSlot* entry = slotAt(slot);
    return entry ? entry->linkType : 0;
}

int SingleAxisHost::eciFlag(int slot) const
{
    const ConnectionSlot* entry = slotAt(slot);
    return entry ? entry->eciFlag : 0;
}

QString SingleAxisHost::caption(const QString& section, const QString& key) const
{
    const Localizer localizer(m_state);
    return QString::fromStdString(localizer.lookup(section.toStdString(), key.toStdString()));
}

} // namespace korvan::shell
