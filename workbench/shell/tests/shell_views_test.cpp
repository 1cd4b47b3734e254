// The shell's windows against the recording fake link, offscreen.
#include "platform/core/app_profile.h"
#include "platform/ui/message_box.h"
#include "platform/ui/shell_opener.h"
#include "testing/fakelink/fake_link.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"
#include "workbench/shell/popup_dialogs.h"
#include "workbench/shell/view_onlinecmd.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace korvan::shell;
using korvan::platform::ScriptedMessageBoxes;
using korvan::testing::FakeLink;

namespace {

// One frame with fresh state, its profile in a temporary folder and the
// language files of the source tree.
struct Workbench
{
    explicit Workbench(const QString& savedLanguage = {})
    {
        qputenv("KORVAN_PROFILE", (dir.path() + "/profile.ini").toUtf8());
        LanguageFiles::setProgramDir(qEnvironmentVariable("KORVAN_SOURCE_DIR").toStdString() +
                                     "/resources");
        if (!savedLanguage.isEmpty())
            profile.writeString("Languge_Info", "Trelkit_Lang", savedLanguage.toStdString());
        frame = std::make_unique<CMainFrame>(state, profile);
        frame->setRebootWait(0);
        frame->treeView()->firstShowing();
    }
    // Message boxes and desktop opens are recorded, never shown.
    ScriptedMessageBoxes boxes;
    korvan::platform::RecordingShellOpener opener;
    QTemporaryDir dir;
    AppState state;
    korvan::platform::AppProfile profile{"Korvan Trelkit", "Korvan Tools"};
    std::unique_ptr<CMainFrame> frame;
};

QStringList treeTexts(QTreeWidget* tree)
{
    QStringList texts;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        texts << item->text(0);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i));
    return texts;
}

std::array<uint8_t, VXC_SPEC_RECORD_SIZE> spec(int real, int virtualAxes)
{
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> record{};
    record[4] = static_cast<uint8_t>(virtualAxes);
    record[6] = static_cast<uint8_t>(real);
    return record;
}

} // namespace

class ShellViewsTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithoutControllerInChinese()
    {
        FakeLink link;
        Workbench bench;
        QCOMPARE(bench.state.language, 1);
        QCOMPARE(bench.frame->windowTitle(), QString("Korvan Tools V1.1"));
        QCOMPARE(bench.frame->statusPane(1)->text(), QString("连接总数:0"));
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("未连接"));
        QVERIFY(link.calls("VXC_GetState").empty());
        QCOMPARE(bench.frame->action(32778)->text(), QString("自动连接"));
        QVERIFY(bench.frame->action(32785)->isChecked());
    }

    void savedEnglishRenamesTheMenuFromTheEnglishFile()
    {
        FakeLink link;
        Workbench bench("0");
        QCOMPARE(bench.state.language, 0);
        QCOMPARE(bench.frame->action(32778)->text(), QString("Auto Connect"));
        QVERIFY(bench.frame->action(32789)->isChecked());
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(1)->text(), QString("connet number:0"));
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("UnConnected"));
    }

    void connectAllBuildsTheTreeAndSelectionsDispatch()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70 127.0.0.71");
        link.setSpecRecord(spec(2, 8));
        std::array<uint8_t, VXC_CHILD_CARD_SIZE> card{};
        card[4] = 2;
        card[10] = 1;
        link.addChildCard(card);
        Workbench bench;
        QCOMPARE(bench.state.connectionCount, 2);
        QCOMPARE(treeTexts(bench.frame->treeView()->tree()),
                 QStringList({"127.0.0.70", "Local", "Axis0", "Axis1", "CanId2", "Axis2",
                              "127.0.0.71", "Local", "Axis0", "Axis1", "CanId2", "Axis2"}));
        QTreeWidget* tree = bench.frame->treeView()->tree();
        QTreeWidgetItem* moduleAxis = tree->topLevelItem(1)->child(1)->child(0);
        tree->setCurrentItem(moduleAxis);
        QCOMPARE(bench.state.currentConnection, 1);
        QCOMPARE(bench.frame->rightViewKind(), RightViewKind::SingleAxis);
        tree->setCurrentItem(tree->topLevelItem(0)->child(1));
        QCOMPARE(bench.state.currentConnection, 0);
        QCOMPARE(bench.frame->rightViewKind(), RightViewKind::IoStatus);

        link.setState(1);
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(1)->text(), QString("连接总数:2"));
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("127.0.0.70 运行"));
    }

    void deadControllerIsDroppedInChineseOnly()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70");
        link.setState(9);
        Workbench bench;
        QCOMPARE(bench.state.connectionCount, 1);
        bench.frame->pollStatus();
        QCOMPARE(bench.frame->statusPane(2)->text(), QString("127.0.0.70 未连接"));
        QCOMPARE(bench.frame->statusPane(2)->palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(bench.state.connectionCount, 0);
    }

    void resetWithoutConnectionFails()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->runCommand(32793);
        QCOMPARE(bench.boxes.texts(), QStringList({"复位失败！"}));
        QVERIFY(link.calls("VXC_SearchEth").size() == 1); // only the start
    }

    void resetRebootsAndConnectsAgain()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70");
        Workbench bench;
        bench.frame->runCommand(32793);
        QCOMPARE(link.calls("VXC_FlashWritef").size(), std::size_t(1));
        QVERIFY(link.commands().back() == "reboot");
        QTRY_COMPARE(link.calls("VXC_SearchEth").size(), std::size_t(2));
    }

    void languageSwitchConfirmsAndSaves()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->runCommand(32785); // already Chinese
        QVERIFY(bench.boxes.texts().isEmpty());
        bench.frame->runCommand(32789);
        QCOMPARE(bench.boxes.texts(), QStringList({"修改成功，请重启软件"}));
        QCOMPARE(bench.profile.readString("Languge_Info", "Trelkit_Lang"),
                 std::optional<std::string>("0"));
        QVERIFY(bench.frame->action(32785)->isChecked());
        QCOMPARE(bench.frame->action(32778)->text(), QString("自动连接"));
    }

    void consoleSendsEchoesAndRemembers()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70");
        link.reply("?DPOS(0)", "12.5\n");
        Workbench bench;
        View_OnlineCmd* console = bench.frame->console();
        console->commandLine()->setText("?DPOS(0)");
        console->send();
        QCOMPARE(console->output()->toPlainText(), QString(">>?DPOS(0)\n12.5\n"));
        QCOMPARE(console->transcript().text(), std::string(">>?DPOS(0)\r\n12.5\r\n"));
        QCOMPARE(console->history().entry(0), std::string("?DPOS(0)"));
        QCOMPARE(console->commandLine()->selectedText(), QString("?DPOS(0)"));
    }

    void consoleWithoutConnectionAsksToConnect()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->console()->commandLine()->setText("?VERSION");
        bench.frame->console()->send();
        QCOMPARE(bench.boxes.texts(), QStringList({"Connect First!"}));
        QVERIFY(bench.frame->console()->history().entry(0).empty());
    }

    void consoleCaptionsComeFromTheLanguageFile()
    {
        FakeLink link;
        Workbench bench("0");
        bench.frame->show();
        QCOMPARE(qobject_cast<QPushButton*>(findControl(bench.frame->console(), 1006))->text(),
                 QString("Send"));
        QCOMPARE(qobject_cast<QLabel*>(findControl(bench.frame->console(), 1004))->text(),
                 QString("Command:"));
    }

    void lostcountDoubleClickAsksForTheBasicLine()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->console()->jumpToLostLine("Task 0 Lostcount:7");
        QCOMPARE(bench.frame->rightViewKind(), RightViewKind::Tabs);
        int line = -1;
        bench.frame->setViewFactory(RightViewKind::SingleAxis,
                                    [](QWidget* parent) { return new QWidget(parent); });
        bench.frame->setViewFactory(RightViewKind::Tabs,
                                    [](QWidget* parent) { return new QWidget(parent); });
        bench.frame->setViewAction(
            ConnectionCode::GoToBasLine,
            [&](QWidget*, const ConnectionParam& p) { line = std::get<int>(p); });
        bench.frame->send(ConnectionCode::ShowAxis, AxisSelection{1, 0, 0});
        bench.frame->console()->jumpToLostLine("Task 0 Lostcount:7");
        QCOMPARE(line, 6);
        QCOMPARE(bench.frame->rightViewKind(), RightViewKind::Tabs);
    }

    void consoleToggleRestoresTheSplit()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->resize(1200, 900);
        bench.frame->show();
        const QList<int> before = bench.frame->rightColumn()->sizes();
        for (int i = 0; i < 2; ++i) {
            bench.frame->runCommand(32774);
            QVERIFY(!bench.frame->consoleShown());
            QVERIFY(!bench.frame->action(32774)->isChecked());
            bench.frame->runCommand(32774);
            QVERIFY(bench.frame->consoleShown());
        }
        QCOMPARE(bench.frame->rightColumn()->sizes(), before);
    }

    void helpOpensTheManualWithoutChm()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->runCommand(32771);
        bench.frame->runCommand(32791);
        QCOMPARE(bench.opener.opened().size(), std::size_t(2));
        QVERIFY(bench.opener.opened()[0].endsWith("manual/Trelkit.html"));
        QVERIFY(bench.opener.opened()[1].endsWith("manual/Korbasic.html"));
    }

    void closingWithoutConnectionShowsTheMessageAndCloses()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->show();
        QVERIFY(bench.frame->close());
        QCOMPARE(bench.boxes.texts(), QStringList({"控制器链接断开!"}));
    }

    void connectDialogRefusesADuplicateIp()
    {
        FakeLink link;
        Workbench bench;
        bench.state.language = 1;
        PopView_Connet dialog(bench.state, bench.frame->treeView()->registry(), *bench.frame);
        QCOMPARE(dialog.windowTitle(), QString("连接到控制器"));
        qobject_cast<QComboBox*>(findControl(&dialog, 1019))->setEditText("127.0.0.70");
        dialog.connectEthernet();
        QCOMPARE(bench.state.connectionCount, 1);
        QCOMPARE(bench.frame->treeView()->tree()->topLevelItemCount(), 1);
        dialog.connectEthernet();
        QCOMPARE(bench.boxes.texts(), QStringList({"当前连接已经存在！"}));
        QCOMPARE(bench.state.connectionCount, 1);
    }

    void englishConnectDialogStaysOpenForASecondConnect()
    {
        FakeLink link;
        Workbench bench("0");
        link.setPciCardCount(1); // appears after the start's automatic connection
        PopView_Connet dialog(bench.state, bench.frame->treeView()->registry(), *bench.frame);
        dialog.show();
        qobject_cast<QComboBox*>(findControl(&dialog, 1019))->setEditText("127.0.0.70");
        dialog.connectEthernet();
        QCOMPARE(dialog.windowTitle(), QString("Connect Success"));
        QVERIFY(dialog.isVisible());
        dialog.refreshPci();
        QCOMPARE(qobject_cast<QComboBox*>(findControl(&dialog, 1021))->itemText(0),
                 QString("PCI1"));
        dialog.connectPci();
        QCOMPARE(bench.state.connectionCount, 2);
        QCOMPARE(bench.state.slots[1].pciName, std::string("PCI1"));
    }

    void ipSetReportsSuccessWhenTheLinkDrops()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70");
        link.reply("IP_ADDRESS = 127.0.0.80", "", VXC_ERR_CONNECTION_LOST);
        Workbench bench;
        PopView_IpSet dialog(bench.state);
        QCOMPARE(dialog.windowTitle(), QString("IP 设置"));
        qobject_cast<QLineEdit*>(findControl(&dialog, 1277))->setText("127.0.0.80");
        dialog.setAddress();
        QCOMPARE(bench.boxes.texts(), QStringList({"修改IP成功,请重新上电!"}));
        QCOMPARE(link.commands().back(), std::string("IP_ADDRESS = 127.0.0.80"));
    }
};

QTEST_MAIN(ShellViewsTest)
#include "shell_views_test.moc"
