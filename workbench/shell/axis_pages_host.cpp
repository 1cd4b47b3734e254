#include "workbench/shell/axis_pages_host.h"

#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/rom_download.h"
#include "workbench/axis/views/program_hardware_defaults.h"
#include "workbench/axis/views/view_axis_para.h"
#include "workbench/axis/views/view_control_max.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"

#include <QCoreApplication>

namespace korvan::shell {

AxisPagesHost::AxisPagesHost(const AppState& state, axis::AxisTable& table)
    : m_state(state), m_table(table)
{}

void AxisPagesHost::install(CMainFrame& frame)
{
    frame.setTabPage(TabIndex::ControlMax, [this](QWidget* parent) -> platform::TabPage* {
        return new axis::View_ControlMax(*this, parent);
    });
    frame.setTabPage(TabIndex::AxisPara, [this](QWidget* parent) -> platform::TabPage* {
        return new axis::View_AxisPara(*this, parent);
    });
}

void AxisPagesHost::loadAxisTable(QWidget* owner)
{
    if (axis::AxisPort* port = currentPort())
        axis::LoadAxisTable(*port, m_table,
                            axis::ProgramHardwareDefaults(owner, programDir() / "AxisInit.xml"));
}

ControllerHandle AxisPagesHost::currentHandle() const
{
    return m_state.currentHandle();
}

axis::AxisPort* AxisPagesHost::currentPort()
{
    const ControllerHandle handle = currentHandle();
    if (!handle)
        return nullptr;
    if (!m_port || m_port->handle() != handle)
        m_port.emplace(handle);
    return &*m_port;
}

int AxisPagesHost::language() const
{
    return m_state.language;
}

int AxisPagesHost::linkType() const
{
    const ConnectionSlot* slot = m_state.currentSlot();
    return slot ? slot->linkType : 0;
}

int AxisPagesHost::busType() const
{
    const ConnectionSlot* slot = m_state.currentSlot();
    return slot ? slot->busType : 0;
}

std::string AxisPagesHost::romFileStem() const
{
    const ConnectionSlot* slot = m_state.currentSlot();
    return slot ? axis::RomFileStem(slot->ipName, slot->comName, slot->pciName) : std::string();
}

QString AxisPagesHost::caption(const QString& section, const QString& key) const
{
    const Localizer localizer(m_state);
    return QString::fromStdString(localizer.lookup(section.toStdString(), key.toStdString()));
}

std::filesystem::path AxisPagesHost::programDir() const
{
    if (!m_programDir.empty())
        return m_programDir;
    return QCoreApplication::applicationDirPath().toStdString();
}

} // namespace korvan::shell
