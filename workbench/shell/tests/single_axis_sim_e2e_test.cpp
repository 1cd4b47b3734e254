// The workbench's single-axis panel against korvan-sim on loopback: a tree
// axis click opens the panel, and jogging moves the virtual axis.
#include "platform/core/app_profile.h"
#include "platform/ui/message_box.h"
#include "testing/simprocess/sim_process.h"
#include "workbench/axis/views/view_single_axis.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"
#include "workbench/shell/popup_dialogs.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace korvan::shell;
using korvan::axis::View_SingleAxis;

namespace {

constexpr int kStatusList = 1093;
constexpr int kJogForward = 1157;
constexpr int kCommandPositionRow = 19;

double commandPosition(View_SingleAxis* panel)
{
    auto* list = qobject_cast<QTableWidget*>(panel->control(kStatusList));
    const QTableWidgetItem* item = list ? list->item(kCommandPositionRow, 1) : nullptr;
    return item ? item->text().toDouble() : 0.0;
}

/// True once two status polls 300 ms apart show the same command position.
bool waitUntilStill(View_SingleAxis* panel, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const double before = commandPosition(panel);
        QTest::qWait(300);
        if (before == commandPosition(panel))
            return true;
    }
    return false;
}

} // namespace

class SingleAxisSimEndToEnd final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void treeAxisClickOpensThePanelAndJoggingMovesTheAxis()
    {
        QTemporaryDir dir;
        qputenv("KORVAN_PROFILE", (dir.path() + "/profile.ini").toUtf8());
        qputenv("KORVAN_SEARCH", "127.0.0.87"); // nobody answers the start's search
        LanguageFiles::setProgramDir(qEnvironmentVariable("KORVAN_SOURCE_DIR").toStdString() +
                                     "/resources");
        korvan::testing::SimProcess controller(korvan::testing::ethernetOptions("127.0.0.86:0"));
        QVERIFY2(controller.ready(), controller.readyLine().c_str());

        korvan::platform::ScriptedMessageBoxes boxes;
        AppState state;
        korvan::platform::AppProfile profile{"Korvan Trelkit", "Korvan Tools"};
        CMainFrame frame(state, profile);
        frame.resize(1400, 900);
        frame.show();
        frame.treeView()->firstShowing();
        PopView_Connet dialog(state, frame.treeView()->registry(), frame);
        qobject_cast<QComboBox*>(findControl(&dialog, 1019))
            ->setEditText(QString::fromStdString(controller.ethEndpoint()));
        dialog.connectEthernet();
        QCOMPARE(state.connectionCount, 1);

        QTreeWidget* tree = frame.treeView()->tree();
        QTreeWidgetItem* axis1 = tree->topLevelItem(0)->child(0)->child(1);
        tree->setCurrentItem(axis1);
        auto* panel = qobject_cast<View_SingleAxis*>(frame.rightView());
        QVERIFY(panel);
        QCOMPARE(frame.rightViewKind(), RightViewKind::SingleAxis);
        QCOMPARE(panel->logic().axis(), 1);

        // Another axis keeps the same panel.
        tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(0));
        QCOMPARE(frame.rightView(), panel);
        QCOMPARE(panel->logic().axis(), 0);

        auto* forward = qobject_cast<QPushButton*>(panel->control(kJogForward));
        QVERIFY(forward);
        QTest::mousePress(forward, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(commandPosition(panel) > 1.0, 5000);
        QTest::mouseRelease(forward, Qt::LeftButton);
        // After the release the axis stops.
        QVERIFY(waitUntilStill(panel, 5000));
        QCOMPARE(boxes.texts(), QStringList());
    }
};

QTEST_MAIN(SingleAxisSimEndToEnd)
#include "single_axis_sim_e2e_test.moc"
