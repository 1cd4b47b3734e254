#include "platform/components/component_library.h"
#include "platform/components/component_registry.h"
#include "platform/ui/message_box.h"
#include "scope/control/link_scope_access.h"
#include "testing/simprocess/sim_process.h"
#include "testing/widget_lookup.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace korvan::platform;

namespace {

constexpr const char* kClsid = "{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}";
constexpr const char* kPageClsid = "{D4E9B7A1-0F62-4C8D-9A53-E6B2184F7C05}";
constexpr const char* kLibid = "{8D41F2B6-6C0E-4A37-9E85-21B7C0D3A94E}";

std::string binDir()
{
    const char* bin = std::getenv("KORVAN_BIN_DIR");
    return bin ? bin : ".";
}
std::string ocx()
{
    return binDir() + "/Wavora/Wavora.ocx";
}
int regsvr(const std::string& args)
{
    const int status =
        std::system((binDir() + "/korvan-regsvr /s " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::int32_t addressValue(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return static_cast<std::int32_t>(a | b << 8 | c << 16 | d << 24);
}

using korvan::testing::buttonWithCaption;

} // namespace

class WavoraTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        qputenv("KORVAN_COMPONENT_REGISTRY", (m_dir.path() + "/components.ini").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }

    void addressTextFromTheFourBytesLowestFirst()
    {
        const auto value = static_cast<std::int32_t>(127u | 168u << 8 | 0u << 16 | 211u << 24);
        QCOMPARE(korvan::scope::controllerAddressText(value), std::string("127.168.0.211"));
        const auto high = static_cast<std::int32_t>(127u | 0u << 8 | 0u << 16 | 200u << 24);
        QCOMPARE(korvan::scope::controllerAddressText(high), std::string("127.0.0.200"));
    }

    void registerThenUnregisterLeavesNothing()
    {
        QCOMPARE(regsvr(ocx()), 0);
        {
            ComponentRegistry registry;
            const auto control = registry.findClass(kClsid);
            QVERIFY(control.has_value());
            QCOMPARE(control->progId, std::string("WAVORA.WavoraCtrl.1"));
            QCOMPARE(control->typeName, std::string("Wavora Control"));
            QCOMPARE(control->miscStatus, 131473);
            QCOMPARE(control->threadingModel, std::string("Apartment"));
            QCOMPARE(control->typeLib, std::string(kLibid));
            QVERIFY(control->toolboxBitmap.ends_with(", 1"));
            const auto page = registry.findClass(kPageClsid);
            QVERIFY(page.has_value());
            QCOMPARE(page->typeName, std::string("Wavora Property Page"));
            const auto typeLib = registry.findTypeLib(kLibid, 1, 0);
            QVERIFY(typeLib.has_value());
            QCOMPARE(typeLib->name, std::string("WavoraLib"));
            QCOMPARE(typeLib->locale, 0x409U);
            QCOMPARE(typeLib->interfaces.size(), std::size_t(2));
        }
        QCOMPARE(regsvr("/u " + ocx()), 0);
        ComponentRegistry registry;
        QVERIFY(!registry.hasClass(kClsid));
        QVERIFY(!registry.hasClass(kPageClsid));
        QVERIFY(!registry.hasTypeLib(kLibid, 1, 0));
        QVERIFY(!registry.clsidFromProgId("WAVORA.WavoraCtrl.1"));
    }

    void controlDispatchWindowAndVerbs()
    {
        auto library = std::make_unique<ComponentLibrary>(ocx());
        QVERIFY2(library->loaded(), library->error().c_str());
        library->keepLoaded(); // Qt objects of the module may outlive this test
        ClassFactory* factory = library->classFactory(kClsid);
        QVERIFY(factory != nullptr);
        auto control = factory->createInstance();
        QCOMPARE(library->canUnloadNow(), kFalse);
        std::int32_t id = 0;
        QCOMPARE(control->dispatchId("SetControllerIP", &id), kOk);
        QCOMPARE(id, 1);
        QCOMPARE(control->dispatchId("CloseController", &id), kOk);
        QCOMPARE(id, 2);
        std::int32_t result = -1;
        QCOMPARE(control->invoke(2, {}, &result), kOk);
        QCOMPARE(result, 0); // no link: nothing to close
        QCOMPARE(control->invoke(2, {}, &result), kOk);
        QCOMPARE(result, 0);
        QCOMPARE(control->invoke(1, {}, &result), kBadParamCount);
        QCOMPARE(control->invoke(3, {}, &result), kMemberNotFound);

        QWidget host;
        host.resize(1200, 500);
        QWidget* window = control->createWindow(&host);
        QVERIFY(window != nullptr);
        QCOMPARE(window->parentWidget(), &host);
        QVERIFY(window->findChild<QWidget*>(QString(), Qt::FindChildrenRecursively) != nullptr);
        const auto verbs = control->verbs();
        QCOMPARE(verbs.size(), std::size_t(1));
        QCOMPARE(verbs[0].id, kVerbProperties);
        QCOMPARE(control->doVerb(kVerbProperties, &host), kOk);
        QVERIFY(host.findChild<QWidget*>(QStringLiteral("WavoraPropPage")) != nullptr);

        QVERIFY(library->classFactory(kPageClsid) != nullptr);
        QVERIFY(library->classFactory("{00000000-0000-0000-0000-000000000000}") == nullptr);
        control.reset();
        QCOMPARE(library->canUnloadNow(), kOk);
    }

    void setControllerIpOpensTheLinkAndCloseControllerReleasesIt()
    {
        if (!korvan::testing::SimProcess::available())
            QSKIP("korvan-sim is not built");
        korvan::testing::SimProcess sim(korvan::testing::ethernetOptions("127.0.0.95:0"));
        QVERIFY2(sim.ready(), sim.readyLine().c_str());
        const std::string endpoint = sim.ethEndpoint();
        // The control opens the bare address, on the port the link takes from here.
        qputenv("KORVAN_PORT", QByteArray::fromStdString(endpoint.substr(endpoint.find(':') + 1)));

        ScriptedMessageBoxes boxes; // answers the boxes the module shows, too
        auto library = std::make_unique<ComponentLibrary>(ocx());
        QVERIFY2(library->loaded(), library->error().c_str());
        library->keepLoaded();
        auto control = library->classFactory(kClsid)->createInstance();
        QWidget host;
        host.resize(1200, 560);
        QWidget* window = control->createWindow(&host);
        QPushButton* start = buttonWithCaption(window, QStringLiteral("启动"));
        QVERIFY(start != nullptr);

        // Nobody serves 127.0.0.96: the code is shown, the result is still 0, no link stays.
        std::int32_t result = -1;
        const std::int32_t unserved[] = {addressValue(127, 0, 0, 96)};
        QCOMPARE(control->invoke(1, unserved, &result), kOk);
        QCOMPARE(result, 0);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts().front().startsWith(QStringLiteral("连接失败，错误码：")),
                 qPrintable(boxes.texts().front()));
        QVERIFY(!boxes.texts().front().endsWith(QStringLiteral("：0")));
        start->click();
        QCOMPARE(boxes.texts().back(), QStringLiteral("Controller not connected."));

        const std::int32_t served[] = {addressValue(127, 0, 0, 95)};
        QCOMPARE(control->invoke(1, served, &result), kOk);
        QCOMPARE(result, 0);
        const auto shown = boxes.texts().size();
        start->click();
        QCOMPARE(boxes.texts().size(), shown); // connected: the setup went out quietly
        // The controller holds the control's setup: a continuous trigger is taken.
        ControllerHandle probe = nullptr;
        QCOMPARE(VXC_OpenEth(endpoint.c_str(), &probe), 0);
        char reply[2048] = {};
        QCOMPARE(VXC_Execute(probe, "TRIGGER(1)", 500, reply, sizeof reply), 0);
        QVERIFY2(std::string(reply).find("ERROR") == std::string::npos, reply);
        VXC_Close(probe);

        QCOMPARE(control->invoke(2, {}, &result), kOk);
        QCOMPARE(result, 0);
        QCOMPARE(control->invoke(2, {}, &result), kOk); // nothing left to close
        QCOMPARE(result, 0);
        start->click();
        QCOMPARE(boxes.texts().back(), QStringLiteral("Controller not connected."));
        qunsetenv("KORVAN_PORT");
    }
};

QTEST_MAIN(WavoraTest)
#include "wavora_test.moc"
