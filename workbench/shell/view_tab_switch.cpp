#include "workbench/shell/view_tab_switch.h"

#include "cmdlib/controller_data.h"
#include "platform/ui/form_widgets.h"
#include "platform/ui/message_box.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace korvan::shell {
namespace {

// The page rectangle starts below the headers, as the dialog places it.
constexpr int kHeaderHeight = 22;

// The tab control's frame around the headers and the page.
class TabFrame final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) final
    {
        QPainter painter(this);
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(0, kHeaderHeight - 2, 0, 0);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
    }
};

std::size_t at(TabIndex tab)
{
    return static_cast<std::size_t>(tab);
}

} // namespace

View_TabSwitch::View_TabSwitch(const AppState& state, const TabPageFactories& factories,
                               QWidget* parent)
    : QWidget(parent), m_state(state)
{
    m_tabControl = new TabFrame(this);
    platform::setControlId(m_tabControl, tab_switch_ids::Tabs);
    m_bar = new QTabBar(m_tabControl);
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_position.fill(-1);
    for (int index = 0; index < kTabCount; ++index) {
        const auto tab = static_cast<TabIndex>(index);
        if (!factories[at(tab)])
            continue;
        platform::TabPage* page = factories[at(tab)](this);
        if (!page)
            continue;
        m_pages[at(tab)] = page;
        m_position[at(tab)] = m_bar->addTab(QString::fromUtf8(tabCaption(tab, m_state.language)));
        page->hide();
    }
    connect(m_bar, &QTabBar::currentChanged, this, &View_TabSwitch::userSelected);
    placePages();
    showPage(TabIndex::ControlMax);
    selectHeader(TabIndex::ControlMax);
}

platform::TabPage* View_TabSwitch::page(TabIndex tab) const
{
    return m_pages[at(tab)];
}

void View_TabSwitch::SelectTab(int index)
{
    if (index < 0 || index >= kTabCount)
        return;
    const auto tab = static_cast<TabIndex>(index);
    if (tab == TabIndex::EcatSet && !busTabAllowed())
        return;
    showPage(tab);
    selectHeader(tab);
    if (tab == TabIndex::ControlMax && page(tab))
        page(tab)->refreshPage();
}

void View_TabSwitch::userSelected(int position)
{
    TabIndex tab = m_shown;
    for (int index = 0; index < kTabCount; ++index)
        if (m_position[static_cast<std::size_t>(index)] == position)
            tab = static_cast<TabIndex>(index);
    if (tab == TabIndex::EcatSet && !busTabAllowed()) {
        // The page in view stays, and its header with it.
        selectHeader(m_shown);
        return;
    }
    showPage(tab);
    if (page(tab))
        page(tab)->refreshPage();
}

bool View_TabSwitch::busTabAllowed()
{
    const ConnectionSlot* slot = m_state.currentSlot();
    const BusTabRefusal refusal = busTabRefusal(
        slot ? slot->busType : 0, [slot] { return cmd::ProbeSysVersion(slot->handle); });
    if (refusal == BusTabRefusal::None)
        return true;
    platform::MessageBox(this, QString::fromUtf8(busTabRefusalText(refusal)));
    return false;
}

void View_TabSwitch::showPage(TabIndex tab)
{
    if (!page(tab))
        return;
    for (platform::TabPage* other : m_pages)
        if (other && other != page(tab))
            other->hide();
    m_shown = tab;
    page(tab)->show();
    page(tab)->raise();
}

void View_TabSwitch::selectHeader(TabIndex tab)
{
    const int position = m_position[at(tab)];
    if (position < 0)
        return;
    const QSignalBlocker quiet(m_bar);
    m_bar->setCurrentIndex(position);
}

void View_TabSwitch::resizeEvent(QResizeEvent*)
{
    placePages();
}

void View_TabSwitch::placePages()
{
    const int cx = width();
    const int cy = height();
    m_tabControl->setGeometry(1, 1, cx - 1, cy - 1);
    m_bar->setGeometry(0, 0, m_tabControl->width(), kHeaderHeight);
    for (platform::TabPage* page : m_pages)
        if (page)
            page->setGeometry(1, kHeaderHeight, cx - 1, cy - kHeaderHeight - 1);
}

} // namespace korvan::shell
