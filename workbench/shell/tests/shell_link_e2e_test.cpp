// The workbench against the real link library and a link server on loopback.
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"
#include "platform/core/app_profile.h"
#include "platform/ui/message_box.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"
#include "workbench/shell/popup_dialogs.h"
#include "workbench/shell/view_onlinecmd.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace korvan::shell;

class ShellLinkEndToEnd final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectBrowseAndTalkToAController()
    {
        QTemporaryDir dir;
        qputenv("KORVAN_PROFILE", (dir.path() + "/profile.ini").toUtf8());
        qputenv("KORVAN_SEARCH", "127.0.0.79"); // nobody answers the start's search
        LanguageFiles::setProgramDir(qEnvironmentVariable("KORVAN_SOURCE_DIR").toStdString() +
                                     "/resources");
        korvan::link::testing::TestEndpoint endpoint;
        korvan::link::server::LinkServer server{endpoint};
        const uint16_t port = server.listenTcp("127.0.0.70", 0);
        const QString address = QStringLiteral("127.0.0.70:%1").arg(port);

        korvan::platform::ScriptedMessageBoxes boxes;
        AppState state;
        korvan::platform::AppProfile profile{"Korvan Trelkit", "Korvan Tools"};
        CMainFrame frame(state, profile);
        frame.treeView()->firstShowing();
        QCOMPARE(state.connectionCount, 0);

        PopView_Connet dialog(state, frame.treeView()->registry(), frame);
        qobject_cast<QComboBox*>(findControl(&dialog, 1019))->setEditText(address);
        dialog.connectEthernet();
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(state.connectionCount, 1);
        QCOMPARE(state.slots[0].linkType, 2);

        // The test controller: 7 real axes and a module with CAN id 0 and 4 axes.
        QTreeWidgetItem* connection = frame.treeView()->tree()->topLevelItem(0);
        QCOMPARE(connection->text(0), address);
        QCOMPARE(connection->childCount(), 2);
        QCOMPARE(connection->child(0)->childCount(), 7);
        QCOMPARE(connection->child(1)->text(0), QString("CanId0"));
        QCOMPARE(connection->child(1)->child(3)->text(0), QString("Axis10"));

        frame.pollStatus();
        QCOMPARE(frame.statusPane(2)->text(), address + " 运行");

        View_OnlineCmd* console = frame.console();
        frame.show();
        QCOMPARE(qobject_cast<QLabel*>(findControl(console, 1004))->text(), QString("在线命令："));
        console->commandLine()->setText("?DPOS(0)");
        console->send();
        QCOMPARE(console->output()->toPlainText(), QString(">>?DPOS(0)\n12.5000\n"));

        frame.runCommand(32780);
        QCOMPARE(state.connectionCount, 0);
        QCOMPARE(frame.treeView()->tree()->topLevelItemCount(), 0);
        server.stop();
    }
};

QTEST_MAIN(ShellLinkEndToEnd)
#include "shell_link_e2e_test.moc"
