// View_TabSwitch (dialog 311): the tool view of the upper right pane. It
// owns the tool pages and shows one at a time below its tab headers; a page
// that the program does not have is simply not among the tabs, and the
// others keep their fixed indices.
#pragma once

#include "platform/ui/tab_page.h"
#include "workbench/shell/app_state.h"
#include "workbench/shell/tab_switch_logic.h"

#include <QWidget>

#include <array>
#include <functional>

class QTabBar;

namespace korvan::shell {

/// How each page is made; an empty factory leaves the page out.
using TabPageFactory = std::function<platform::TabPage*(QWidget* parent)>;
using TabPageFactories = std::array<TabPageFactory, kTabCount>;

class View_TabSwitch final : public QWidget
{
    Q_OBJECT
public:
    /// Creates the pages, shows page 0 and selects its tab.
    View_TabSwitch(const AppState& state, const TabPageFactories& factories,
                   QWidget* parent = nullptr);

    /// Programmatic selection: 0 shows and refreshes the report; 1-3 show
    /// their page; 4 shows the bus page when its guard allows.
    void SelectTab(int index);
    /// The page at a tab index, nullptr when the program has none there.
    platform::TabPage* page(TabIndex tab) const;
    /// The page in view.
    TabIndex shownTab() const { return m_shown; }
    QTabBar* tabBar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent* event) final;

private:
    /// The tab control's notification: the user picked a header.
    void userSelected(int position);
    /// The bus page guard with its message; true when the page may show.
    bool busTabAllowed();
    void showPage(TabIndex tab);
    void selectHeader(TabIndex tab);
    void placePages();

    const AppState& m_state;
    QWidget* m_tabControl = nullptr; // the frame the headers and pages sit in
    QTabBar* m_bar = nullptr;
    std::array<platform::TabPage*, kTabCount> m_pages{};
    std::array<int, kTabCount> m_position{}; // header position of each page, -1 for none
    TabIndex m_shown = TabIndex::ControlMax;
};

} // namespace korvan::shell
