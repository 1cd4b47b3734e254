#include "workbench/shell/main_frame.h"

#include <QCoreApplication>

#include "platform/core/app_profile.h"
#include "platform/ui/fonts.h"
#include "platform/ui/message_box.h"
#include "platform/ui/shell_opener.h"
#include "workbench/axis/axis_table.h"
#include "workbench/shell/axis_pages_host.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/controller_reset.h"
#include "workbench/shell/icons.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/menu_commands.h"
#include "workbench/shell/my_splitter.h"
#include "workbench/shell/popup_dialogs.h"
#include "workbench/shell/single_axis_host.h"
#include "workbench/shell/status_poll.h"
#include "workbench/shell/view_onlinecmd.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace korvan::shell {
namespace {

constexpr int kTreeWidth = 200;
constexpr int kConsoleHeight = 255;
constexpr int kBarWidth = MySplitter::kBarWidth;

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

} // namespace

CMainFrame::CMainFrame(AppState& state, platform::AppProfile& profile, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_profile(profile)
{
    setWindowTitle(QStringLiteral("Korvan Tools V1.1"));
    setWindowIcon(resourceIcon(324));

    auto* outer = new QSplitter(Qt::Horizontal, this);
    outer->setHandleWidth(kBarWidth);
    m_tree = new CKorvanToolsView(state, *this, outer);
    m_column = new MySplitter(Qt::Vertical, outer);
    m_rightPane = new QWidget;
    auto* paneLayout = new QVBoxLayout(m_rightPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_column->addPane(m_rightPane);
    m_console = new View_OnlineCmd(state, *this);
    m_consolePane = m_column->addPane(m_console);
    outer->addWidget(m_tree);
    outer->addWidget(m_column);
    outer->setStretchFactor(1, 1);
    outer->setSizes({kTreeWidth, 10000});
    // Dragging a bar shows a tracker; the panes follow on release.
    m_column->setOpaqueResize(false);
    outer->setOpaqueResize(false);
    m_column->setStretchFactor(0, 1);
    m_column->setSizes({10000, kConsoleHeight});
    setCentralWidget(outer);

    // While the frame loads: the language, the menu texts, the status poll.
    m_state.language = 1;
    LoadLanguage(m_profile, m_state);
    buildMenu();
    RenameMenu();
    buildStatusBar();
    m_statusTimer.setInterval(100);
    connect(&m_statusTimer, &QTimer::timeout, this, &CMainFrame::pollStatus);
    m_statusTimer.start();

    m_axisTable = std::make_unique<axis::AxisTable>();
    m_singleAxisHost = std::make_unique<SingleAxisHost>(m_state, *m_axisTable);
    m_singleAxisHost->install(*this);
    m_axisPagesHost = std::make_unique<AxisPagesHost>(m_state, *m_axisTable);
    m_axisPagesHost->install(*this);

    setViewFactory(RightViewKind::Tabs, [this](QWidget* parent) -> QWidget* {
        return new View_TabSwitch(m_state, m_tabPages, parent);
    });
    setViewAction(ConnectionCode::ShowTabs, [this](QWidget* view, const ConnectionParam&) {
        m_axisPagesHost->loadAxisTable(this);
        if (auto* tabs = qobject_cast<View_TabSwitch*>(view))
            tabs->SelectTab(static_cast<int>(TabIndex::ControlMax));
    });
    // The tab view fills the pane from the start.
    switchRightView(RightViewKind::Tabs);
}

CMainFrame::~CMainFrame()
{
    // Tool views refer to their hosts, which are members: views go first.
    delete m_rightView;
}

ScopeHost& CMainFrame::scopeHost()
{
    // Created on first use: the host window lives from the first toggle on.
    if (!m_scopeHost) {
        ScopeHost::Services services;
        services.currentHandle = [this] { return m_state.currentHandle(); };
        services.programDir = QCoreApplication::applicationDirPath().toStdString();
        services.shownChanged = [this](bool shown) {
            m_state.scopeShown = shown ? 1 : 0;
            action(32794)->setChecked(shown);
        };
        m_scopeHost = std::make_unique<ScopeHost>(this, std::move(services));
    }
    return *m_scopeHost;
}

void CMainFrame::buildMenu()
{
    for (int position = 0; position < kTopLevelMenus; ++position)
        m_menus.push_back(menuBar()->addMenu(QString::fromUtf8(topLevelTitle(position))));
    for (const MenuCommandInfo& info : menuCommands()) {
        QMenu* menu = m_menus[static_cast<std::size_t>(info.menu)];
        const bool language =
            info.command == MenuCommand::Chinese || info.command == MenuCommand::English;
        if (language && !m_languageMenu)
            m_languageMenu = menu->addMenu(QString::fromUtf8(kLanguageSubmenuCaption));
        if (info.command == MenuCommand::Exit)
            menu->addSeparator();
        QAction* action =
            (language ? m_languageMenu : menu)->addAction(QString::fromUtf8(info.caption));
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_actions[id] = action;
    }
    action(32774)->setCheckable(true);
    action(32774)->setChecked(true);
    action(59393)->setCheckable(true);
    action(59393)->setChecked(true);
    action(32794)->setCheckable(true);
    action(32785)->setCheckable(true);
    action(32789)->setCheckable(true);
}

void CMainFrame::RenameMenu()
{
    const Localizer localizer(m_state);
    for (int position = 0; position < kTopLevelMenus; ++position)
        m_menus[static_cast<std::size_t>(position)]->setTitle(
            text(localizer.lookup("Menu", "ID_MENU" + std::to_string(position))));
    for (const MenuCommandInfo& info : menuCommands()) {
        QAction* item = action(info.id);
        item->setText(text(localizer.lookup("Menu", info.key)));
        // The menu shows an item's status tip in the status bar while it is
        // highlighted and clears it afterwards.
        item->setStatusTip(text(localizer.statusPrompt(info.id)));
    }
    m_languageMenu->setTitle(text(localizer.lookup("Menu", kLanguageSubmenuKey)));
    action(32785)->setChecked(m_state.language == 1);
    action(32789)->setChecked(m_state.language != 1);
}

void CMainFrame::buildStatusBar()
{
    const std::array<std::pair<const char*, int>, 5> panes{
        std::pair{kInitialCountText, 300}, std::pair{kInitialStateText, 300}, std::pair{"CAP", 40},
        std::pair{"NUM", 40}, std::pair{"SCRL", 40}};
    for (const auto& [initial, width] : panes) {
        auto* pane = new QLabel(QString::fromUtf8(initial), statusBar());
        pane->setMinimumWidth(width);
        pane->setAutoFillBackground(true);
        statusBar()->addPermanentWidget(pane);
        m_panes.push_back(pane);
    }
    setControlId(m_panes[0], 61204);
    setControlId(m_panes[1], 61205);
    // The key indicators have no source of their state here and stay dim.
    for (std::size_t i = 2; i < m_panes.size(); ++i)
        m_panes[i]->setEnabled(false);
}

QLabel* CMainFrame::statusPane(int index) const
{
    // Pane 0 is the status bar's own message area.
    if (index < 1 || index > static_cast<int>(m_panes.size()))
        return nullptr;
    return m_panes[static_cast<std::size_t>(index - 1)];
}

QAction* CMainFrame::action(int commandId) const
{
    const auto found = m_actions.find(commandId);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::pollStatus()
{
    const StatusReport report = shell::pollStatus(m_state);
    m_panes[0]->setText(text(report.countText));
    m_panes[1]->setText(text(report.stateText));
    if (report.alarm) {
        QPalette palette = m_panes[1]->palette();
        palette.setColor(QPalette::Window, *report.alarm ? Qt::red : Qt::white);
        m_panes[1]->setPalette(palette);
    }
    if (report.disconnect)
        m_tree->disconnectCurrent();
}

void CMainFrame::runCommand(int commandId)
{
    switch (static_cast<MenuCommand>(commandId)) {
    case MenuCommand::AutoConnect:
        m_tree->connectAll();
        break;
    case MenuCommand::ManualConnect: {
        auto* dialog = new PopView_Connet(m_state, m_tree->registry(), *this, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        break;
    }
    case MenuCommand::Disconnect:
        m_tree->disconnectCurrent();
        break;
    case MenuCommand::ResetController:
        resetController();
        break;
    case MenuCommand::Exit:
        close();
        break;
    case MenuCommand::ToggleConsole:
        toggleConsole();
        break;
    case MenuCommand::ToggleStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        action(59393)->setChecked(statusBar()->isVisible());
        break;
    case MenuCommand::Chinese:
        switchLanguage(1);
        break;
    case MenuCommand::English:
        switchLanguage(0);
        break;
    case MenuCommand::IpSetting: {
        auto* dialog = new PopView_IpSet(m_state, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        break;
    }
    case MenuCommand::PackageUpgrade: {
        auto* dialog = new PopView_Krx(m_state, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        break;
    }
    case MenuCommand::WorkbenchHelp:
    case MenuCommand::KorbasicHelp:
        openHelp(commandId);
        break;
    case MenuCommand::About:
        showAbout();
        break;
    case MenuCommand::ToggleScope:
        scopeHost().ToggleScope();
        break;
    case MenuCommand::ResetScope:
        scopeHost().ResetRegistration();
        break;
    }
}

void CMainFrame::resetController()
{
    if (shell::resetController(m_state) == ResetOutcome::Failed) {
        platform::MessageBox(this, QString::fromUtf8(resetFailedText(m_state)));
        return;
    }
    // The controller needs its reboot time before it answers a search again.
    QTimer::singleShot(m_rebootWaitMs, this, [this] { m_tree->connectAll(); });
}

void CMainFrame::switchLanguage(int language)
{
    if (const std::optional<std::string> message =
            shell::switchLanguage(m_state, m_profile, language))
        platform::MessageBox(this, text(*message));
    action(32785)->setChecked(m_state.language == 1);
    action(32789)->setChecked(m_state.language != 1);
}

void CMainFrame::toggleConsole()
{
    m_consoleShown = !m_consoleShown;
    if (!m_consoleShown) {
        m_savedSizes = m_column->sizes();
        m_consolePane->hide();
    } else {
        QList<int> sizes = m_savedSizes;
        const int column = m_column->height();
        if (sizes.size() != 2 || sizes[1] < 10)
            sizes = {column - 235 - kBarWidth, 235};
        m_consolePane->show();
        m_column->setSizes(sizes);
    }
    action(32774)->setChecked(m_consoleShown);
}

void CMainFrame::setViewFactory(RightViewKind kind, ViewFactory factory)
{
    m_factories[kind] = std::move(factory);
}

void CMainFrame::setViewAction(ConnectionCode code, ViewAction action)
{
    m_viewActions[code] = std::move(action);
}

void CMainFrame::setTabPage(TabIndex tab, TabPageFactory factory)
{
    m_tabPages[static_cast<std::size_t>(tab)] = std::move(factory);
}

void CMainFrame::switchRightView(RightViewKind kind)
{
    if (m_rightKind == kind && m_rightView)
        return;
    delete m_rightView;
    m_rightView = nullptr;
    m_rightKind = kind;
    const auto factory = m_factories.find(kind);
    if (factory == m_factories.end())
        return; // the pane stays empty until that tool exists
    m_rightView = factory->second(m_rightPane);
    m_rightPane->layout()->addWidget(m_rightView);
    m_rightView->show();
}

void CMainFrame::send(ConnectionCode code, const ConnectionParam& param)
{
    switch (code) {
    case ConnectionCode::RegisterSlot:
        if (const int* slot = std::get_if<int>(&param))
            m_tree->registerOpenedSlot(*slot);
        return;
    case ConnectionCode::RefreshSlot:
        if (const int* slot = std::get_if<int>(&param))
            m_tree->RefreshConnection(*slot);
        return;
    case ConnectionCode::ShowTabs:
    case ConnectionCode::GoToBasLine:
        switchRightView(RightViewKind::Tabs);
        break;
    case ConnectionCode::ShowIo: {
        const IoSelection* io = std::get_if<IoSelection>(&param);
        if (!io || io->kind < 1 || io->kind > 3)
            return;
        switchRightView(io->kind == 3 ? RightViewKind::EcatNode : RightViewKind::IoStatus);
        break;
    }
    case ConnectionCode::ShowAxis:
        switchRightView(RightViewKind::SingleAxis);
        break;
    default:
        return;
    }
    if (const auto action = m_viewActions.find(code); action != m_viewActions.end() && m_rightView)
        action->second(m_rightView, param);
}

QString CMainFrame::helpTarget(int commandId)
{
    const bool workbench = commandId == static_cast<int>(MenuCommand::WorkbenchHelp);
    const QString chm =
        workbench ? QStringLiteral("./Trelkit.chm") : QStringLiteral("./Korbasic.chm");
    if (QFileInfo::exists(chm))
        return QFileInfo(chm).absoluteFilePath();
    const QString page =
        workbench ? QStringLiteral("Trelkit.html") : QStringLiteral("Korbasic.html");
    const QDir programDir(QString::fromStdString(LanguageFiles::programDir().string()));
    return programDir.absoluteFilePath(QStringLiteral("manual/") + page);
}

void CMainFrame::openHelp(int commandId)
{
    // A missing file is the desktop's to report.
    platform::shellOpen(helpTarget(commandId));
}

void CMainFrame::showAbout()
{
    auto* about = new QDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(text(Localizer(m_state).lookup("Menu", "ID_APP_ABOUT")).remove('&'));
    auto* layout = new QVBoxLayout(about);
    auto* title = new QLabel(windowTitle(), about);
    setControlId(title, 1284);
    layout->addWidget(title);
    auto* ok = new QPushButton(QStringLiteral("OK"), about);
    connect(ok, &QPushButton::clicked, about, &QDialog::accept);
    layout->addWidget(ok);
    about->setObjectName(QStringLiteral("AboutBox"));
    about->open();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_tree->disconnectCurrent();
    m_statusTimer.stop();
    event->accept();
}

} // namespace korvan::shell
