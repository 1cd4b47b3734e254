// The workbench shell against virtual controllers (korvan-sim) on loopback,
// through the real link library: start-up, the connection registry, the
// status poll, reset, the tree, the console and the dialogs.
#include "cmdlib/axis.h"
#include "cmdlib/block_query.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/io.h"
#include "testing/simprocess/sim_process.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/controller_reset.h"
#include "workbench/shell/popup_dialogs.h"
#include "workbench/shell/tests/workbench_fixture.h"
#include "workbench/shell/view_onlinecmd.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <array>
#include <utility>
#include <vector>

using namespace korvan::shell;
using korvan::shell::fakes::treeTexts;
using korvan::shell::fakes::Workbench;
using korvan::testing::SimOptions;
using korvan::testing::SimProcess;

namespace {

// This suite's loopback addresses; no other suite uses 127.0.0.140..149.
constexpr const char* kEthAddress = "127.0.0.140";
constexpr const char* kIpSetAddress = "127.0.0.141";
constexpr const char* kDialogAddress = "127.0.0.142";
constexpr const char* kNobody = "127.0.0.149";

// Where the link finds controllers: the search list, the port it probes and
// opens, and fresh folders for the PCI and serial endpoints. Set before any
// controller starts, so that the controllers put their endpoints there too.
class Loopback
{
public:
    explicit Loopback(const char* search = kNobody)
    {
        qputenv("KORVAN_PCI_DIR", (m_endpoints.path() + "/pci").toUtf8());
        qputenv("KORVAN_COM_DIR", (m_endpoints.path() + "/com").toUtf8());
        qputenv("KORVAN_SEARCH", search);
        qunsetenv("KORVAN_PORT");
    }
    /// The Ethernet controller's port becomes the one the search probes.
    static void searchPortOf(const SimProcess& controller)
    {
        const std::string endpoint = controller.ethEndpoint();
        qputenv("KORVAN_PORT", endpoint.substr(endpoint.find(':') + 1).c_str());
    }

private:
    QTemporaryDir m_endpoints;
};

SimOptions ethernet(const char* address, const char* profile = "default.json")
{
    return korvan::testing::ethernetOptions(std::string(address) + ":0", profile);
}

// One Ethernet controller that the start's automatic connection finds.
struct SearchedController
{
    explicit SearchedController(const char* address)
        : loopback(address), controller(ethernet(address))
    {
        if (controller.ready())
            Loopback::searchPortOf(controller);
    }
    Loopback loopback;
    SimProcess controller;
};

SimOptions pciCard(unsigned card, const char* profile = "small.json")
{
    SimOptions options;
    options.profile = profile;
    options.pci = card;
    return options;
}

// The WM_CONNECTION requests that reached the tool views.
struct ViewRequests
{
    explicit ViewRequests(CMainFrame& frame)
    {
        for (RightViewKind kind : {RightViewKind::Tabs, RightViewKind::IoStatus})
            frame.setViewFactory(kind, [](QWidget* parent) { return new QWidget(parent); });
        for (ConnectionCode code :
             {ConnectionCode::ShowTabs, ConnectionCode::ShowIo, ConnectionCode::ShowAxis})
            frame.setViewAction(code, [this, code](QWidget*, const ConnectionParam& param) {
                received.emplace_back(code, param);
            });
    }
    std::vector<std::pair<ConnectionCode, ConnectionParam>> received;
};

QStringList defaultProfileBranch(const QString& name)
{
    // 4 real axes and 8 addressable ones; the module with CAN id 2 carries 2 axes.
    return {name, "Local", "Axis0", "Axis1", "Axis2", "Axis3", "CanId2", "Axis4", "Axis5"};
}

QStringList smallProfileBranch(const QString& name)
{
    return {name, "Local", "Axis0", "Axis1"};
}

float axisParameter(ControllerHandle handle, const char* name, int axis)
{
    float value = -99.0f;
    korvan::cmd::QueryAxisParameter(handle, name, axis, &value);
    return value;
}

QComboBox* combo(QWidget* dialog, int id)
{
    return qobject_cast<QComboBox*>(findControl(dialog, id));
}

} // namespace

class ShellSimEndToEnd final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!SimProcess::available())
            QSKIP("korvan-sim is not built");
    }

    void withoutControllerInBothLanguages_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("countText");
        QTest::addColumn<QString>("stateText");
        QTest::addColumn<QString>("resetFailed");
        QTest::newRow("Chinese") << ""
                                 << "连接总数:0"
                                 << "未连接"
                                 << "复位失败！";
        QTest::newRow("English") << "0"
                                 << "connet number:0"
                                 << "UnConnected"
                                 << "Reset failed";
    }

    void withoutControllerInBothLanguages()
    {
        QFETCH(QString, saved);
        Loopback loopback;
        Workbench bench(saved);
        QCOMPARE(bench.state.connectionCount, 0);
        QCOMPARE(bench.tree()->topLevelItemCount(), 0);
        // Before the first poll both panes show the Chinese start texts.
        QCOMPARE(bench.frame->statusPane(1)->text(), QString("连接总数:0"));
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("未连接"));
        bench.frame->pollStatus();
        QTEST(bench.frame->statusPane(1)->text(), "countText");
        QTEST(bench.frame->statusPane(2)->text(), "stateText");

        bench.frame->runCommand(32793);
        bench.frame->console()->commandLine()->setText("?VR(0)");
        bench.frame->console()->send();
        QFETCH(QString, resetFailed);
        QCOMPARE(bench.boxes.texts(), QStringList({resetFailed, "Connect First!"}));
        QVERIFY(bench.frame->console()->history().entry(0).empty());

        bench.frame->show();
        QVERIFY(bench.frame->close());
        QCOMPARE(bench.boxes.texts().last(), QString("控制器链接断开!"));
    }

    void connectAllOpensThePciCardThenTheSearchedController()
    {
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        SimProcess card(pciCard(1));
        QVERIFY2(card.ready(), card.readyLine().c_str());

        Workbench bench;
        QCOMPARE(bench.state.connectionCount, 2);
        QCOMPARE(bench.state.currentConnection, 0);
        const ConnectionSlot& pci = bench.state.slots[0];
        const ConnectionSlot& eth = bench.state.slots[1];
        QCOMPARE(pci.pciName, std::string("PCI1"));
        QCOMPARE(pci.linkType, 4);
        QCOMPARE(pci.busType, 0);
        QCOMPARE(pci.eciFlag, 0);
        QCOMPARE(eth.ipName, std::string(kEthAddress));
        QCOMPARE(eth.linkType, 2);
        QCOMPARE(eth.busType, 1); // "?*SLOT" names EtherCAT
        QCOMPARE(eth.eciFlag, 1); // "Korvan VC-8 ECI"
        QCOMPARE(treeTexts(bench.tree()),
                 smallProfileBranch("PCI1") + defaultProfileBranch(kEthAddress));

        // Building the branch told the controller its module axes' addresses.
        QCOMPARE(axisParameter(eth.handle, "AXIS_ADDRESS", 4), 2.0f);
        QCOMPARE(axisParameter(eth.handle, "AXIS_ADDRESS", 5), 34.0f);
        QCOMPARE(axisParameter(eth.handle, "ATYPE", 4), 8.0f);
        QCOMPARE(axisParameter(eth.handle, "ATYPE", 5), 8.0f);

        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(1)->text(), QString("连接总数:2"));
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("PCI1 待机"));
        QCOMPARE(bench.frame->statusPane(2)->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void treeSelectionsMakeTheirSlotCurrentAndAskForTheirView()
    {
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        SimProcess card(pciCard(1));
        QVERIFY2(card.ready(), card.readyLine().c_str());
        Workbench bench;
        ViewRequests views(*bench.frame);
        QTreeWidget* tree = bench.tree();
        QTreeWidgetItem* module = tree->topLevelItem(1)->child(1);
        QCOMPARE(module->text(0), QString("CanId2"));

        tree->setCurrentItem(module->child(1));
        QCOMPARE(bench.state.currentConnection, 1);
        tree->setCurrentItem(module);
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(bench.state.currentConnection, 0);
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        const std::vector<std::pair<ConnectionCode, ConnectionParam>> expected{
            {ConnectionCode::ShowAxis, AxisSelection{2, 2, 5}},
            {ConnectionCode::ShowIo, IoSelection{2, 2}},
            {ConnectionCode::ShowTabs, std::monostate{}},
            {ConnectionCode::ShowIo, IoSelection{1, 0}},
        };
        QVERIFY(views.received == expected);
        QCOMPARE(bench.frame->rightViewKind(), RightViewKind::IoStatus);
    }

    void disconnectingSlotOneOfThreeMovesTheLastDown()
    {
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        SimProcess first(pciCard(1));
        SimProcess second(pciCard(2));
        QVERIFY2(first.ready() && second.ready(), second.readyLine().c_str());
        Workbench bench;
        QCOMPARE(bench.state.connectionCount, 3);
        const ConnectionSlot moved = bench.state.slots[2];
        QCOMPARE(korvan::cmd::SetPwmDuty(bench.state.slots[1].handle, 1, 0.5f), 0);

        bench.tree()->setCurrentItem(bench.tree()->topLevelItem(1));
        QCOMPARE(bench.state.currentConnection, 1);
        bench.frame->runCommand(32780);
        QVERIFY(bench.boxes.texts().isEmpty());
        QCOMPARE(bench.state.connectionCount, 2);
        QCOMPARE(bench.state.currentConnection, 0);
        const ConnectionSlot& slot1 = bench.state.slots[1];
        QCOMPARE(slot1.handle, moved.handle);
        QCOMPARE(slot1.ipName, std::string(kEthAddress));
        QCOMPARE(slot1.linkType, 2);
        QCOMPARE(slot1.busType, 1);
        QCOMPARE(slot1.eciFlag, 1);
        QVERIFY(bench.state.slots[2].handle == nullptr);
        QVERIFY(bench.state.slots[2].displayName().empty());
        QCOMPARE(treeTexts(bench.tree()),
                 smallProfileBranch("PCI1") + defaultProfileBranch(kEthAddress));

        // The disconnected controller's PWM outputs were switched off first.
        ControllerHandle again = nullptr;
        QCOMPARE(VXC_Open(VXC_LINK_PCI, "PCI2", &again), 0);
        std::array<float, 2> duties{-1.0f, -1.0f};
        QCOMPARE(korvan::cmd::QueryPwmDutyBank(again, 0, 2, duties.data()), 0);
        QCOMPARE(duties, (std::array<float, 2>{0.0f, 0.0f}));
        VXC_Close(again);
    }

    void deadControllerIsDroppedInChineseOnly_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("alive");
        QTest::addColumn<QString>("dead");
        QTest::addColumn<int>("remaining");
        QTest::newRow("Chinese") << ""
                                 << " 待机"
                                 << " 未连接" << 0;
        QTest::newRow("English") << "0"
                                 << " Idle"
                                 << " UnConnected" << 1;
    }

    void deadControllerIsDroppedInChineseOnly()
    {
        QFETCH(QString, saved);
        QFETCH(QString, alive);
        QFETCH(QString, dead);
        QFETCH(int, remaining);
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        Workbench bench(saved);
        QCOMPARE(bench.state.connectionCount, 1);
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(2)->text(), kEthAddress + alive);
        const QColor before = bench.frame->statusPane(2)->palette().color(QPalette::Window);

        searched.controller.stop();
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(2)->text(), kEthAddress + dead);
        const QColor after = bench.frame->statusPane(2)->palette().color(QPalette::Window);
        QCOMPARE(after, remaining == 0 ? QColor(Qt::red) : before);
        QCOMPARE(bench.state.connectionCount, remaining);
        QCOMPARE(bench.tree()->topLevelItemCount(), remaining);
    }

    void resetRebootsTheControllerAndConnectsAgain()
    {
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        Workbench bench("0", kRebootWaitMs);
        QCOMPARE(bench.state.connectionCount, 1);
        const ControllerHandle before = bench.state.slots[0].handle;

        bench.frame->runCommand(32793);
        QVERIFY(bench.boxes.texts().isEmpty());
        // The controller drops the link while it reboots.
        uint8_t state = 0;
        QCOMPARE(VXC_GetState(before, &state), int32_t(VXC_ERR_CONNECTION_LOST));
        QTRY_VERIFY_WITH_TIMEOUT(bench.state.slots[0].handle != before, 10000);
        QCOMPARE(bench.state.connectionCount, 1);
        QCOMPARE(VXC_GetState(bench.state.slots[0].handle, &state), 0);
        QCOMPARE(treeTexts(bench.tree()), defaultProfileBranch(kEthAddress));
    }

    void consoleRunsKorbasicOnTheCurrentController()
    {
        SearchedController searched(kEthAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        Workbench bench;
        View_OnlineCmd* console = bench.frame->console();
        bench.frame->show();
        QCOMPARE(qobject_cast<QLabel*>(findControl(console, 1004))->text(), QString("在线命令："));

        for (const char* command : {"VR(3)=7.5", "?VR(3)", "?vr(3)"}) {
            console->commandLine()->setText(command);
            console->send();
        }
        QCOMPARE(console->output()->toPlainText(),
                 QString(">>VR(3)=7.5\n>>?VR(3)\n7.5\n>>?vr(3)\n7.5\n"));
        // The same command in another letter case is remembered once.
        QCOMPARE(console->history().entry(0), std::string("?VR(3)"));
        QCOMPARE(console->history().entry(1), std::string("VR(3)=7.5"));
        QCOMPARE(console->commandLine()->selectedText(), QString("?vr(3)"));
        QTest::keyClick(console->commandLine(), Qt::Key_Up);
        QCOMPARE(console->commandLine()->text(), QString("VR(3)=7.5"));
        QTest::keyClick(console->commandLine(), Qt::Key_Down);
        QCOMPARE(console->commandLine()->text(), QString("?VR(3)"));

        // A refused command shows no echo, only its error and the controller's report.
        console->output()->clear();
        console->commandLine()->setText("NOSUCHCMD");
        console->send();
        QCOMPARE(console->output()->toPlainText(),
                 QString("Error:2002, Operate Failed!\nController Error:2002\n"));
    }

    void connectDialogRefusesTheSameAddressTwice()
    {
        Loopback loopback;
        SimProcess controller(ethernet(kDialogAddress));
        QVERIFY2(controller.ready(), controller.readyLine().c_str());
        Workbench bench;
        const QString endpoint = QString::fromStdString(controller.ethEndpoint());
        for (int attempt = 0; attempt < 2; ++attempt) {
            PopView_Connet dialog(bench.state, bench.frame->treeView()->registry(), *bench.frame);
            dialog.show();
            combo(&dialog, 1019)->setEditText(endpoint);
            dialog.connectEthernet();
            if (attempt == 0) {
                QCOMPARE(dialog.windowTitle(), QString("连接成功"));
                QVERIFY(!dialog.isVisible()); // Chinese mode closes the dialog
            }
        }
        QCOMPARE(bench.boxes.texts(), QStringList({"当前连接已经存在！"}));
        QCOMPARE(bench.state.connectionCount, 1);
        QCOMPARE(treeTexts(bench.tree()), defaultProfileBranch(endpoint));
    }

    void englishConnectDialogStaysOpenForASecondConnect()
    {
        Loopback loopback;
        SimProcess controller(ethernet(kDialogAddress));
        QVERIFY2(controller.ready(), controller.readyLine().c_str());
        Workbench bench("0");
        // The card appears after the start's automatic connection.
        SimProcess card(pciCard(1));
        QVERIFY2(card.ready(), card.readyLine().c_str());

        PopView_Connet dialog(bench.state, bench.frame->treeView()->registry(), *bench.frame);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Connect controller"));
        combo(&dialog, 1019)->setEditText(QString::fromStdString(controller.ethEndpoint()));
        dialog.connectEthernet();
        QCOMPARE(dialog.windowTitle(), QString("Connect Success"));
        QVERIFY(dialog.isVisible());
        dialog.refreshPci();
        QCOMPARE(combo(&dialog, 1021)->itemText(0), QString("PCI1"));
        dialog.connectPci();
        QCOMPARE(bench.state.connectionCount, 2);
        QCOMPARE(bench.state.slots[1].pciName, std::string("PCI1"));
        QCOMPARE(bench.state.slots[1].linkType, 4);
        QCOMPARE(bench.tree()->topLevelItemCount(), 2);
        QVERIFY(bench.boxes.texts().isEmpty());
    }

    void ipSetSucceedsAlthoughTheControllerDropsTheLink()
    {
        SearchedController searched(kIpSetAddress);
        QVERIFY2(searched.controller.ready(), searched.controller.readyLine().c_str());
        Workbench bench;
        QCOMPARE(bench.state.connectionCount, 1);
        const ControllerHandle handle = bench.state.slots[0].handle;

        PopView_IpSet dialog(bench.state);
        auto* address = qobject_cast<QLineEdit*>(findControl(&dialog, 1277));
        QCOMPARE(address->text(), QString("192.168.0.11")); // shown, never contacted
        address->setText("not an address");
        dialog.setAddress();
        address->setText("127.0.0.148");
        dialog.setAddress();
        QCOMPARE(bench.boxes.texts(),
                 QStringList({"修改失败，请重新设置!", "修改IP成功,请重新上电!"}));
        uint8_t state = 0;
        QCOMPARE(VXC_GetState(handle, &state), int32_t(VXC_ERR_CONNECTION_LOST));

        // The controller took the new address (printed low octet first).
        ControllerHandle again = nullptr;
        QCOMPARE(VXC_OpenEth(kIpSetAddress, &again), 0);
        int32_t stored = 0;
        QCOMPARE(korvan::cmd::QueryIpAddress(again, &stored), 0);
        QCOMPARE(static_cast<uint32_t>(stored), 127u | 148u << 24);
        VXC_Close(again);
    }
};

QTEST_MAIN(ShellSimEndToEnd)
#include "shell_sim_e2e_test.moc"
