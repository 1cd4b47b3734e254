// The workbench's single-axis panel against korvan-sim on loopback: a tree
// axis click opens the panel, jogging moves the virtual axis, and a
// reciprocating move outlives the panel.
#include "platform/core/app_profile.h"
#include "platform/ui/message_box.h"
#include "testing/simprocess/sim_process.h"
#include "workbench/axis/views/view_single_axis.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"
#include "workbench/shell/popup_dialogs.h"

#include "cmdlib/axis.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

using namespace korvan::shell;
using korvan::axis::View_SingleAxis;

namespace {

constexpr int kStatusList = 1093;
constexpr int kJogForward = 1157;
constexpr int kAbsolute = 1158;
constexpr int kMoveSpeed = 1152;
constexpr int kMoveAccel = 1154;
constexpr int kMoveDecel = 1155;
constexpr int kPosition2 = 1160;
constexpr int kDelay = 1161;
constexpr int kCycleCount = 1162;
constexpr int kReciprocate = 1163;
constexpr int kStopReciprocation = 1164;
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
        // No PCI card or serial port of another program is found either.
        qputenv("KORVAN_PCI_DIR", (dir.path() + "/pci").toUtf8());
        qputenv("KORVAN_COM_DIR", (dir.path() + "/com").toUtf8());
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

        // An endless reciprocating move keeps being fed while another kind of
        // view replaces the panel. The feed queues one cycle per 100 ms tick
        // and a fast 10-unit cycle takes little longer, so hardly anything is
        // queued ahead: without the feed the axis would soon come to rest.
        const std::pair<int, const char*> fields[] = {
            {kMoveSpeed, "1000"}, {kMoveAccel, "100000"}, {kMoveDecel, "100000"},
            {kPosition2, "10"},   {kDelay, "50"},         {kCycleCount, "0"}};
        for (const auto& [id, text] : fields)
            qobject_cast<QLineEdit*>(panel->control(id))->setText(text);
        qobject_cast<QRadioButton*>(panel->control(kAbsolute))->click();
        qobject_cast<QPushButton*>(panel->control(kReciprocate))->click();
        tree->setCurrentItem(tree->topLevelItem(0));
        QVERIFY(frame.rightViewKind() != RightViewKind::SingleAxis);
        QVERIFY(!qobject_cast<View_SingleAxis*>(frame.rightView()));
        const ControllerHandle handle = state.slots[0].handle;
        auto read = [handle](const char* name) {
            float value = -1;
            korvan::cmd::QueryAxisParameter(handle, name, 0, &value);
            return value;
        };
        QTest::qWait(1000);
        // Each end is held for the 50 ms delay, long enough to be sampled.
        float lowest = 100, highest = -100;
        QElapsedTimer watch;
        watch.start();
        while (watch.elapsed() < 1000) {
            const float position = read("DPOS");
            lowest = std::min(lowest, position);
            highest = std::max(highest, position);
            QTest::qWait(1);
        }
        QVERIFY2(lowest < 0.001f && highest > 9.999f,
                 qPrintable(QString("DPOS between %1 and %2").arg(lowest).arg(highest)));

        tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(0));
        panel = qobject_cast<View_SingleAxis*>(frame.rightView());
        QVERIFY(panel);
        qobject_cast<QPushButton*>(panel->control(kStopReciprocation))->click();
        QVERIFY(waitUntilStill(panel, 5000));
        QCOMPARE(boxes.texts(), QStringList());
    }
};

QTEST_MAIN(SingleAxisSimEndToEnd)
#include "single_axis_sim_e2e_test.moc"
