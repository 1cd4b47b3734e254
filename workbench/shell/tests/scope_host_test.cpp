#include "platform/components/component_registry.h"
#include "platform/ui/message_box.h"
#include "workbench/shell/scope_host.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace korvan;

namespace {
constexpr const char* kClsid = "{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}";
}

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
        QCOMPARE(marks, (std::vector<bool>{true, false, true}));
        QCOMPARE(boxes.requests().size(), std::size_t(1)); // registered once

        host.ResetRegistration(); // unregisters, then registers again
        QVERIFY(platform::ComponentRegistry().hasClass(kClsid));
        QCOMPARE(boxes.requests().size(), std::size_t(2));
        QVERIFY(host.UnregisterControl());
        QVERIFY(!platform::ComponentRegistry().hasClass(kClsid));
    }
};

QTEST_MAIN(ScopeHostTest)
#include "scope_host_test.moc"
