// A small component library for the registry tests: one control class whose
// dispatch member 1 adds its two arguments.
#include "platform/components/component.h"
#include "platform/components/self_registration.h"

#include <atomic>

using namespace korvan::platform;

namespace {

constexpr const char* kClsid = "{0B1C2D3E-4F50-4A6B-8C7D-9E0F1A2B3C4D}";
std::atomic<int> g_objects{0};
std::atomic<int> g_locks{0};

ModuleDescription description()
{
    ModuleDescription m;
    m.typeLib = {"{1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D}",
                 1,
                 0,
                 "TestLib",
                 "",
                 1,
                 0x409,
                 2,
                 {{"{2B3C4D5E-6F70-4B8C-9DAE-1F2A3B4C5D6E}", "_DTest"}}};
    ClassEntry control;
    control.clsid = kClsid;
    control.typeName = "Test Control";
    control.threadingModel = "Apartment";
    control.progId = "TEST.TestCtrl.1";
    control.control = true;
    control.miscStatus = 131473;
    control.toolboxBitmap = "1";
    control.typeLib = m.typeLib.libid;
    control.typeLibVersion = "1.0";
    m.classes.push_back(control);
    return m;
}

class Adder final : public Control
{
public:
    Adder() { ++g_objects; }
    ~Adder() override { --g_objects; }
    std::int32_t invoke(std::int32_t dispid, std::span<const std::int32_t> args,
                        std::int32_t* result) override
    {
        if (dispid != 1)
            return kMemberNotFound;
        if (args.size() != 2)
            return kBadParamCount;
        if (result)
            *result = args[0] + args[1];
        return kOk;
    }
    std::int32_t dispatchId(const std::string& name, std::int32_t* dispid) const override
    {
        if (name != "Add")
            return kUnknownName;
        *dispid = 1;
        return kOk;
    }
    QWidget* createWindow(QWidget*) override { return nullptr; }
    std::vector<ControlVerb> verbs() const override { return {}; }
    std::int32_t doVerb(std::int32_t, QWidget*) override { return kFail; }
};

class Factory final : public ClassFactory
{
public:
    std::unique_ptr<Control> createInstance() override { return std::make_unique<Adder>(); }
    void lockServer(bool lock) override { g_locks += lock ? 1 : -1; }
};

Factory g_factory;

} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer()
{
    ComponentRegistry registry;
    return registerModule(registry, description(),
                          modulePathOf(reinterpret_cast<const void*>(&DllRegisterServer)));
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer()
{
    ComponentRegistry registry;
    return unregisterModule(registry, description());
}

extern "C" __attribute__((visibility("default"))) std::int32_t
DllGetClassObject(const char* clsid, const char* iid, void** factory)
{
    if (!factory)
        return kFail;
    *factory = nullptr;
    if (std::string_view(clsid) != kClsid)
        return kClassNotAvailable;
    if (std::string_view(iid) != kClassFactoryIid)
        return kNoInterface;
    *factory = static_cast<ClassFactory*>(&g_factory);
    return kOk;
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? kOk : kFalse;
}
