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
#include "workbench/shell/tests/workbench_fixture.h"
#include "workbench/shell/view_onlinecmd.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

using namespace korvan::shell;
using korvan::platform::ScriptedMessageBoxes;
using korvan::shell::fakes::treeTexts;
using korvan::shell::fakes::Workbench;
using korvan::testing::FakeLink;

namespace {

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

    void englishToChineseSwitchConfirmsInEnglishAndSaves()
    {
        FakeLink link;
        Workbench bench("0");
        bench.frame->runCommand(32789); // already English
        QVERIFY(bench.boxes.texts().isEmpty());
        bench.frame->runCommand(32785);
        QCOMPARE(bench.boxes.texts(), QStringList({"Please restart the software!"}));
        QCOMPARE(bench.profile.readString("Languge_Info", "Trelkit_Lang"),
                 std::optional<std::string>("1"));
        QCOMPARE(bench.state.language, 0);
        QVERIFY(bench.frame->action(32789)->isChecked());
        QVERIFY(!bench.frame->action(32785)->isChecked());
        QCOMPARE(bench.frame->action(32778)->text(), QString("Auto Connect"));
    }

    void treePopupMenuCopiesTheSelectedItem()
    {
        FakeLink link;
        link.setSearchResult("127.0.0.70");
        Workbench bench;
        QTreeWidget* tree = bench.tree();
        tree->setCurrentItem(tree->topLevelItem(0));
        // Right-click (or the context key) asks for the menu at the pointer.
        Q_EMIT tree->customContextMenuRequested(QPoint(5, 5));
        auto* menu = bench.frame->treeView()->findChild<QMenu*>("TreePopup119");
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QStringList texts;
        QList<bool> enabled;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            enabled << action->isEnabled();
        }
        QCOMPARE(texts, QStringList({"剪切(&T)", "复制(&C)", "粘贴(&P)"}));
        QCOMPARE(enabled, QList<bool>({false, true, false}));
        menu->actions()[1]->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("127.0.0.70"));
        menu->close();
    }

    void treePopupMenuWithoutSelectionActsOnNothing()
    {
        FakeLink link;
        Workbench bench("0");
        QMenu* menu = bench.frame->treeView()->showPopupMenu(QPoint(0, 0));
        QCOMPARE(menu->actions()[1]->text(), QString("&Copy"));
        for (QAction* action : menu->actions())
            QVERIFY(!action->isEnabled());
        menu->close();
    }

    void rightColumnSplitterDrawsItsFixedColours()
    {
        FakeLink link;
        Workbench bench;
        bench.frame->resize(1200, 900);
        bench.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(bench.frame.get()));
        QSplitter* column = bench.frame->rightColumn();
        const QImage image = column->grab().toImage();
        const QRect bar = column->handle(1)->geometry();
        QCOMPARE(bar.height(), 4);
        const int barMiddle = bar.center().y();
        const int paneMiddle = bar.top() / 2;
        // Outer border, pane border, bar fill and frame, and the crossings.
        QCOMPARE(image.pixelColor(0, paneMiddle), QColor(120, 120, 120));
        QCOMPARE(image.pixelColor(1, paneMiddle), QColor(120, 120, 120));
        QCOMPARE(image.pixelColor(2, paneMiddle), QColor(Qt::black));
        QCOMPARE(image.pixelColor(3, paneMiddle), QColor(Qt::black));
        QCOMPARE(image.pixelColor(image.width() / 2, bar.top()), QColor(Qt::black));
        QCOMPARE(image.pixelColor(image.width() / 2, bar.top() + 1), QColor(200, 200, 200));
        QCOMPARE(image.pixelColor(0, barMiddle), QColor(0, 200, 0));
        QCOMPARE(image.pixelColor(image.width() - 1, barMiddle), QColor(0, 200, 0));
    }

    void consolePaneFollowsTheTrimmedTranscript()
    {
        FakeLink link;
        Workbench bench;
        View_OnlineCmd* console = bench.frame->console();
        std::string lines;
        for (int i = 0; i < 1001; ++i) {
            std::string line = "line" + std::to_string(i);
            line.resize(999, '.');
            lines += line + "\n";
        }
        console->Append(lines);
        QVERIFY(console->transcript().size() > 1'000'000);
        QCOMPARE(console->output()->document()->blockCount(), 1002);
        console->Append("tail\n");
        // The first 1000 lines went before the new text arrived.
        QCOMPARE(console->output()->document()->firstBlock().text().left(8), QString("line1000"));
        QString expected = QString::fromStdString(console->transcript().text());
        expected.remove(QLatin1Char('\r'));
        QCOMPARE(console->output()->toPlainText(), expected);
        QVERIFY(console->output()->toPlainText().endsWith("tail\n"));
    }

    void dialogsShowEveryCaptionWhole_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::newRow("Chinese") << "";
        QTest::newRow("English") << "0";
    }

    void dialogsShowEveryCaptionWhole()
    {
        QFETCH(QString, saved);
        FakeLink link;
        Workbench bench(saved);
        PopView_Connet connect(bench.state, bench.frame->treeView()->registry(), *bench.frame);
        PopView_IpSet ip(bench.state);
        PopView_Krx krx(bench.state);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&connect, &ip, &krx}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            // Set KORVAN_SCREENSHOT_DIR to look at the dialogs as laid out.
            if (const QString shots = qEnvironmentVariable("KORVAN_SCREENSHOT_DIR");
                !shots.isEmpty())
                dialog->grab().save(
                    QStringLiteral("%1/%2-%3.png")
                        .arg(shots, dialog->metaObject()->className(), QTest::currentDataTag()));
            for (QWidget* control : dialog->findChildren<QWidget*>()) {
                QString text;
                if (auto* button = qobject_cast<QPushButton*>(control))
                    text = button->text();
                else if (auto* label = qobject_cast<QLabel*>(control))
                    text = label->text();
                if (text.isEmpty())
                    continue;
                const int needed = control->fontMetrics().horizontalAdvance(text);
                const int room = qobject_cast<QPushButton*>(control)
                                     ? control->width() - 6
                                     : control->contentsRect().width();
                QVERIFY2(needed <= room,
                         qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                        .arg(dialog->metaObject()->className(), text)
                                        .arg(needed)
                                        .arg(room)));
                QVERIFY(dialog->rect().contains(control->geometry()));
            }
        }
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
