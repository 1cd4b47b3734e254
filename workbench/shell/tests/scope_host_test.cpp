#include "platform/components/component_registry.h"
#include "platform/ui/message_box.h"
#include "testing/simprocess/sim_process.h"
#include "testing/widget_lookup.h"
#include "workbench/shell/scope_host.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace korvan;

namespace {
constexpr const char* kClsid = "{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}";

using korvan::testing::buttonWithCaption;
} // namespace

class ScopeHostTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    shell::ScopeHost::Services services(std::vector<bool>* marks)
    {
        shell::ScopeHost::Services s;
        s.currentHandle = [] { return ControllerHandle{}; };
        const char* bin = std::getenv("KORVAN_BIN_DIR");
        s.programDir = bin ? bin : ".";
        s.shownChanged = [marks](bool on) { marks->push_back(on); };
        return s;
    }

private slots:
    void initTestCase()
    {
        qputenv("KORVAN_COMPONENT_REGISTRY", (m_dir.path() + "/components.ini").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }

    void firstShowingPlacesTheWindowFromTheMiddleOfTheScreen()
    {
        const QRect screen(0, 0, 1600, 1000);
        const QRect available(0, 0, 1600, 960); // a panel at the bottom
        struct Case
        {
            QSize size;
            QPoint topLeft;
        };
        const Case cases[] = {
            {{600, 400}, {800, 500}},  // fits the lower right quarter: exactly the middle
            {{1200, 560}, {400, 400}}, // pulled back left and up to stay on screen
            {{2000, 1200}, {0, 0}},    // larger than the screen: its top left stays on it
        };
        for (const Case& c : cases)
            QCOMPARE(shell::scopeWindowTopLeft(screen, available, c.size), c.topLeft);
        const QRect second(1600, 0, 1280, 1024);
        QCOMPARE(shell::scopeWindowTopLeft(second, second, {1200, 560}), QPoint(1680, 464));
    }

    void resetWithoutRegisteredControlDoesNothing()
    {
        platform::ScriptedMessageBoxes boxes;
        std::vector<bool> marks;
        QWidget frame;
        shell::ScopeHost host(&frame, services(&marks));
        host.ResetRegistration();
        QVERIFY(boxes.requests().empty());
        QVERIFY(!platform::ComponentRegistry().hasClass(kClsid));
    }

    void firstToggleRegistersAndShowsTheControl()
    {
        platform::ScriptedMessageBoxes boxes;
        std::vector<bool> marks;
        QWidget frame;
        shell::ScopeHost host(&frame, services(&marks));
        host.ToggleScope();
        QCOMPARE(boxes.requests().size(), std::size_t(1));
        QVERIFY(boxes.texts().first().contains(QStringLiteral("注册成功0")));
        QVERIFY(platform::ComponentRegistry().hasClass(kClsid));
        QVERIFY(host.scopeShown());
        QVERIFY(host.window() && host.window()->isVisible());
        QCOMPARE(host.window()->windowTitle(), QStringLiteral("示波器"));
        QVERIFY(host.control() != nullptr);
        QVERIFY(host.window()->findChild<QWidget*>() != nullptr);

        host.window()->close(); // the close box hides it and clears the check mark
        QVERIFY(!host.scopeShown());
        QVERIFY(!host.window()->isVisible());
        host.ToggleScope();
        QVERIFY(host.window()->isVisible());
        // Escape closes it the same way: the mark goes, and one toggle shows it again.
        QTest::keyClick(host.window(), Qt::Key_Escape);
        QVERIFY(!host.window()->isVisible());
        QVERIFY(!host.scopeShown());
        host.ToggleScope();
        QVERIFY(host.window()->isVisible());
        QCOMPARE(marks, (std::vector<bool>{true, false, true, false, true}));
        QCOMPARE(boxes.requests().size(), std::size_t(1)); // registered once

        host.ResetRegistration(); // unregisters, then registers again
        QVERIFY(platform::ComponentRegistry().hasClass(kClsid));
        QCOMPARE(boxes.requests().size(), std::size_t(2));
        QVERIFY(host.UnregisterControl());
        QVERIFY(!platform::ComponentRegistry().hasClass(kClsid));
    }

    void firstToggleConnectsTheControlToTheCurrentController()
    {
        if (!korvan::testing::SimProcess::available())
            QSKIP("korvan-sim is not built");
        korvan::testing::SimProcess sim(korvan::testing::ethernetOptions("127.0.0.94:0"));
        QVERIFY2(sim.ready(), sim.readyLine().c_str());
        const std::string endpoint = sim.ethEndpoint();
        // The control opens the address the controller reports, on this port.
        qputenv("KORVAN_PORT", QByteArray::fromStdString(endpoint.substr(endpoint.find(':') + 1)));
        ControllerHandle current = nullptr;
        QCOMPARE(VXC_OpenEth(endpoint.c_str(), &current), 0);

        platform::ScriptedMessageBoxes boxes; // the control's boxes come here too
        std::vector<bool> marks;
        QWidget frame;
        auto s = services(&marks);
        s.currentHandle = [&current] { return current; };
        shell::ScopeHost host(&frame, s);
        QVERIFY(!platform::ComponentRegistry().hasClass(kClsid));
        host.ToggleScope();
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(boxes.texts().front().contains(QStringLiteral("注册成功0")));
        QVERIFY(host.window() && host.window()->isVisible());
        QVERIFY(host.control() != nullptr);

        // The control's own link reaches the controller: Start sets up a recording
        // without a word, and the controller then takes a continuous trigger.
        QPushButton* start = buttonWithCaption(host.window(), QStringLiteral("启动"));
        QVERIFY(start != nullptr);
        start->click();
        QCOMPARE(boxes.texts().size(), 1);
        char reply[2048] = {};
        QCOMPARE(VXC_Execute(current, "TRIGGER(1)", 500, reply, sizeof reply), 0);
        QVERIFY2(std::string(reply).find("ERROR") == std::string::npos, reply);

        // Closing the window releases the control's link.
        host.window()->close();
        start->click();
        QCOMPARE(boxes.texts().back(), QStringLiteral("Controller not connected."));
        QVERIFY(host.UnregisterControl());
        VXC_Close(current);
        qunsetenv("KORVAN_PORT");
    }
};

QTEST_MAIN(ScopeHostTest)
#include "scope_host_test.moc"
