// CMainFrame: the workbench's top-level window with the tree, the tool pane
// and the console, the menu, the status bar with its poll, and the receiver
// of WM_CONNECTION.
#pragma once

#include "workbench/shell/scope_host.h"

#include <memory>

#include "workbench/shell/app_state.h"
#include "workbench/shell/connection_messenger.h"
#include "workbench/shell/my_splitter.h"
#include "workbench/shell/view_tab_switch.h"

#include <QMainWindow>
#include <QSplitter>
#include <QTimer>

#include <functional>
#include <map>

class QLabel;
class QMenu;
class QAction;

namespace korvan::platform {
class AppProfile;
}
namespace korvan::axis {
class AxisTable;
}

namespace korvan::shell {

class CKorvanToolsView;
class View_OnlineCmd;
class SingleAxisHost;
class AxisPagesHost;

/// The kinds of view the upper right pane shows.
enum class RightViewKind : int
{
    Tabs = 1,
    IoStatus = 7,
    EcatNode = 8,
    SingleAxis = 9
};

class CMainFrame final : public QMainWindow, public ConnectionMessenger
{
    Q_OBJECT

public:
    using ViewFactory = std::function<QWidget*(QWidget* parent)>;
    using ViewAction = std::function<void(QWidget* view, const ConnectionParam& param)>;

    CMainFrame(AppState& state, platform::AppProfile& profile, QWidget* parent = nullptr);
    ~CMainFrame() override;

    /// WM_CONNECTION: handled before it returns.
    void send(ConnectionCode code, const ConnectionParam& param) final;

    /// Tool views register how they are made and what a code does to them.
    void setViewFactory(RightViewKind kind, ViewFactory factory);
    void setViewAction(ConnectionCode code, ViewAction action);
    /// Tool areas register the tab view's pages; a page without a factory is left out.
    void setTabPage(TabIndex tab, TabPageFactory factory);

    /// One tick of the status poll.
    void pollStatus();
    /// Runs a menu command by its id.
    void runCommand(int commandId);

    CKorvanToolsView* treeView() const { return m_tree; }
    View_OnlineCmd* console() const { return m_console; }
    QLabel* statusPane(int index) const;
    RightViewKind rightViewKind() const { return m_rightKind; }
    QWidget* rightView() const { return m_rightView; }
    QSplitter* rightColumn() const { return m_column; }
    bool consoleShown() const { return m_consoleShown; }
    QAction* action(int commandId) const;
    /// Delay before reconnecting after a reset (tests shorten it).
    void setRebootWait(int ms) { m_rebootWaitMs = ms; }
    /// The help file a help command opens (".\Trelkit.chm" or the HTML manual).
    static QString helpTarget(int commandId);

protected:
    void closeEvent(QCloseEvent* event) final;

private:
    void buildMenu();
    void RenameMenu();
    void buildStatusBar();
    void switchRightView(RightViewKind kind);
    void toggleConsole();
    void resetController();
    void switchLanguage(int language);
    void showAbout();
    ScopeHost& scopeHost();
    void openHelp(int commandId);

    AppState& m_state;
    platform::AppProfile& m_profile;
    CKorvanToolsView* m_tree = nullptr;
    View_OnlineCmd* m_console = nullptr;
    QWidget* m_consolePane = nullptr; // the console inside its border
    MySplitter* m_column = nullptr;
    QWidget* m_rightPane = nullptr;
    QWidget* m_rightView = nullptr;
    RightViewKind m_rightKind = RightViewKind::Tabs;
    bool m_consoleShown = true;
    QList<int> m_savedSizes;
    QTimer m_statusTimer;
    std::unique_ptr<ScopeHost> m_scopeHost;
    // The one axis table, shared by the hosts below; it outlives them.
    std::unique_ptr<axis::AxisTable> m_axisTable;
    std::unique_ptr<SingleAxisHost> m_singleAxisHost;
    std::unique_ptr<AxisPagesHost> m_axisPagesHost;
    std::map<int, QAction*> m_actions;
    std::vector<QMenu*> m_menus;
    QMenu* m_languageMenu = nullptr;
    std::vector<QLabel*> m_panes;
    std::map<RightViewKind, ViewFactory> m_factories;
    std::map<ConnectionCode, ViewAction> m_viewActions;
    TabPageFactories m_tabPages;
    int m_rebootWaitMs = 3000;
};

} // namespace korvan::shell
