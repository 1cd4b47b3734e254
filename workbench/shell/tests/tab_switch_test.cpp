// The tab view against the recording fake link: which pages it holds, what
// a selection refreshes, the bus page guard and its two messages, and where
// the pages sit.
#include "platform/ui/message_box.h"
#include "testing/fakelink/fake_link.h"
#include "workbench/axis/views/view_axis_para.h"
#include "workbench/axis/views/view_control_max.h"
#include "workbench/shell/app_state.h"
#include "workbench/shell/tests/workbench_fixture.h"
#include "workbench/shell/view_tab_switch.h"

#include <QPlainTextEdit>
#include <QTableWidget>

#include <QTabBar>
#include <QTest>

using namespace korvan;
using namespace korvan::shell;

namespace {

// A page that counts the refreshes it was asked for.
class CountingPage final : public platform::TabPage
{
public:
    using TabPage::TabPage;
    void refreshPage() final { ++refreshes; }
    int refreshes = 0;
};

// Every page of the table, or only those of the given indices.
TabPageFactories countingPages(std::initializer_list<TabIndex> tabs)
{
    TabPageFactories factories;
    for (TabIndex tab : tabs)
        factories[static_cast<std::size_t>(tab)] = [](QWidget* parent) {
            return new CountingPage(parent);
        };
    return factories;
}

const std::initializer_list<TabIndex> kAllTabs = {TabIndex::ControlMax, TabIndex::AxisPara,
                                                  TabIndex::AxisMove, TabIndex::BasFile,
                                                  TabIndex::EcatSet};

int refreshesOf(const View_TabSwitch& view, TabIndex tab)
{
    return static_cast<CountingPage*>(view.page(tab))->refreshes;
}

} // namespace

class TabSwitchTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstShowingHasPageZeroInViewAndCaptionsInTheLanguage()
    {
        AppState state;
        state.language = 1;
        View_TabSwitch view(state, countingPages(kAllTabs));
        QCOMPARE(view.tabBar()->count(), 5);
        QCOMPARE(view.tabBar()->tabText(1), QStringLiteral("轴 参 数"));
        QCOMPARE(view.shownTab(), TabIndex::ControlMax);
        QCOMPARE(view.tabBar()->currentIndex(), 0);
        QCOMPARE(refreshesOf(view, TabIndex::ControlMax), 0);

        state.language = 0;
        View_TabSwitch english(state, countingPages(kAllTabs));
        QCOMPARE(english.tabBar()->tabText(4), QStringLiteral("Bus set"));
    }

    void pagesTheProgramLacksAreLeftOutAndTheOthersKeepTheirIndices()
    {
        AppState state;
        View_TabSwitch view(state, countingPages({TabIndex::ControlMax, TabIndex::BasFile}));
        QCOMPARE(view.tabBar()->count(), 2);
        QVERIFY(!view.page(TabIndex::AxisPara));
        view.SelectTab(static_cast<int>(TabIndex::BasFile));
        QCOMPARE(view.shownTab(), TabIndex::BasFile);
        QCOMPARE(view.tabBar()->currentIndex(), 1);
        view.SelectTab(static_cast<int>(TabIndex::AxisPara)); // no such page: nothing changes
        QCOMPARE(view.shownTab(), TabIndex::BasFile);
    }

    void userSelectionRefreshesAndSelectTabRefreshesOnlyTheReport()
    {
        AppState state;
        View_TabSwitch view(state, countingPages(kAllTabs));
        view.tabBar()->setCurrentIndex(2); // as a click on the header does
        QCOMPARE(view.shownTab(), TabIndex::AxisMove);
        QCOMPARE(refreshesOf(view, TabIndex::AxisMove), 1);
        QVERIFY(view.page(TabIndex::AxisMove)->isVisibleTo(&view));
        QVERIFY(!view.page(TabIndex::ControlMax)->isVisibleTo(&view));

        view.SelectTab(1);
        QCOMPARE(view.shownTab(), TabIndex::AxisPara);
        QCOMPARE(view.tabBar()->currentIndex(), 1);
        QCOMPARE(refreshesOf(view, TabIndex::AxisPara), 0);

        // Code 10 returns to the report with a fresh one.
        view.SelectTab(0);
        QCOMPARE(view.shownTab(), TabIndex::ControlMax);
        QCOMPARE(view.tabBar()->currentIndex(), 0);
        QCOMPARE(refreshesOf(view, TabIndex::ControlMax), 1);
    }

    void theBusPageGuardKeepsThePreviousPage_data()
    {
        QTest::addColumn<int>("busType");
        QTest::addColumn<QString>("sysVersionReply");
        QTest::addColumn<int>("sysVersionCode");
        QTest::addColumn<QString>("message"); // empty: the page shows
        QTest::newRow("no bus") << 0 << "1.25\r\n" << 0 << "控制器不支持";
        QTest::newRow("bus program stopped") << 1 << "" << 2002 << "Bas文件未加载";
        QTest::newRow("reply too long") << 1 << "12345678901234567890" << 0 << "Bas文件未加载";
        QTest::newRow("bus program runs") << 2 << "1.25\r\n" << 0 << "";
    }

    void theBusPageGuardKeepsThePreviousPage()
    {
        QFETCH(int, busType);
        QFETCH(QString, sysVersionReply);
        QFETCH(int, sysVersionCode);
        QFETCH(QString, message);
        testing::FakeLink link;
        link.reply("?Sys_version", sysVersionReply.toStdString(), sysVersionCode);
        platform::ScriptedMessageBoxes boxes;
        for (const bool byUser : {true, false}) {
            AppState state;
            state.language = 0; // the messages are the same in both languages
            state.connectionCount = 1;
            state.slots[0].handle = link.handle();
            state.slots[0].busType = busType;
            View_TabSwitch view(state, countingPages(kAllTabs));
            view.SelectTab(3);
            boxes.clear();
            if (byUser)
                view.tabBar()->setCurrentIndex(4);
            else
                view.SelectTab(4);
            if (message.isEmpty()) {
                QVERIFY(boxes.texts().isEmpty());
                QCOMPARE(view.shownTab(), TabIndex::EcatSet);
                QCOMPARE(refreshesOf(view, TabIndex::EcatSet), byUser ? 1 : 0);
            } else {
                QCOMPARE(boxes.texts(), QStringList{message});
                QCOMPARE(view.shownTab(), TabIndex::BasFile);
                QVERIFY(view.page(TabIndex::BasFile)->isVisibleTo(&view));
                QCOMPARE(view.tabBar()->currentIndex(), 3);
                QCOMPARE(refreshesOf(view, TabIndex::EcatSet), 0);
            }
        }
    }

    void code10ReadsTheAxesAndReturnsToAFreshReport()
    {
        testing::FakeLink link;
        link.setSearchResult("127.0.0.70");
        testing::SpecPreset spec;
        spec.virtualAxes = 4;
        spec.realAxes = 2;
        link.setSpecRecord(spec);
        link.reply("?*SPEED", "250 100\r\n");
        fakes::Workbench bench;
        QTreeWidget* tree = bench.tree();
        link.clearCalls();
        tree->setCurrentItem(tree->topLevelItem(0)); // the connection: code 10
        auto* tabs = qobject_cast<View_TabSwitch*>(bench.frame->rightView());
        QVERIFY(tabs);
        QCOMPARE(tabs->tabBar()->count(), 2);
        QCOMPARE(tabs->tabBar()->tabText(1), QStringLiteral("轴 参 数"));
        const auto sent = link.sent();
        QVERIFY(std::find(sent.begin(), sent.end(), testing::Direct("?*ATYPE")) != sent.end());
        auto* report = static_cast<axis::View_ControlMax*>(tabs->page(TabIndex::ControlMax));
        QVERIFY(report->report()->toPlainText().contains(QStringLiteral("RealAxises:\t2")));

        // The user opens the grid; it shows what the load and the build read.
        tabs->tabBar()->setCurrentIndex(1);
        auto* grid = static_cast<axis::View_AxisPara*>(tabs->page(TabIndex::AxisPara));
        QCOMPARE(grid->grid()->columnCount(), 3);
        QCOMPARE(grid->grid()->item(3, 1)->text(), QStringLiteral("250"));

        // Code 10 again: back on the report, rebuilt from the controller.
        spec.realAxes = 3;
        link.setSpecRecord(spec);
        bench.frame->send(ConnectionCode::ShowTabs, std::monostate{});
        QCOMPARE(bench.frame->rightView(), tabs);
        QCOMPARE(tabs->shownTab(), TabIndex::ControlMax);
        QCOMPARE(tabs->tabBar()->currentIndex(), 0);
        QVERIFY(report->report()->toPlainText().contains(QStringLiteral("RealAxises:\t3")));
    }

    void pagesSitBelowTheHeaders()
    {
        AppState state;
        View_TabSwitch view(state, countingPages(kAllTabs));
        view.resize(800, 500);
        view.show(); // a hidden widget gets its resize event when shown
        for (TabIndex tab : kAllTabs)
            QCOMPARE(view.page(tab)->geometry(), QRect(1, 22, 799, 477));
    }
};

QTEST_MAIN(TabSwitchTest)
#include "tab_switch_test.moc"
