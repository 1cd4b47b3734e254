// The library exports of Wavora.ocx.
#include "platform/components/self_registration.h"
#include "scope/control/wavora_ctrl.h"
#include "scope/control/wavora_ids.h"

using namespace korvan::platform;
using namespace korvan::scope;

namespace {

ModuleDescription wavoraModule()
{
    ModuleDescription m;
    m.typeLib.libid = std::string(wavora::kLibId);
    m.typeLib.major = 1;
    m.typeLib.minor = 0;
    m.typeLib.name = std::string(wavora::kTypeLibName);
    m.typeLib.resource = 1;
    m.typeLib.locale = wavora::kTypeLibLocale;
    m.typeLib.flags = wavora::kTypeLibFlagControl;
    m.typeLib.interfaces = {{std::string(wavora::kDispatchIid), "_DWavora"},
                            {std::string(wavora::kEventsIid), "_DWavoraEvents"}};
    ClassEntry control;
    control.clsid = std::string(wavora::kControlClsid);
    control.typeName = std::string(wavora::stringResource(1));
    control.threadingModel = "Apartment";
    control.progId = std::string(wavora::kControlProgId);
    control.control = true;
    control.miscStatus = wavora::kMiscStatus;
    control.toolboxBitmap = std::to_string(wavora::kToolboxBitmap);
    control.typeLib = m.typeLib.libid;
    control.typeLibVersion = "1.0";
    ClassEntry page;
    page.clsid = std::string(wavora::kPageClsid);
    page.typeName = std::string(wavora::stringResource(2));
    page.threadingModel = "Apartment";
    m.classes = {control, page};
    return m;
}

template <typename T> class Factory final : public ClassFactory
{
public:
    std::unique_ptr<Control> createInstance() final { return std::make_unique<T>(); }
    void lockServer(bool lock) final { CWavoraApp::instance().locks += lock ? 1 : -1; }
};

Factory<CWavoraCtrl> g_controlFactory;
Factory<CWavoraPropPage> g_pageFactory;

} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer()
{
    ComponentRegistry registry;
    return registerModule(registry, wavoraModule(),
                          modulePathOf(reinterpret_cast<const void*>(&DllRegisterServer)));
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer()
{
    ComponentRegistry registry;
    return unregisterModule(registry, wavoraModule());
}

extern "C" __attribute__((visibility("default"))) std::int32_t
DllGetClassObject(const char* clsid, const char* iid, void** factory)
{
    if (!factory || !clsid || !iid)
        return kFail;
    *factory = nullptr;
    if (std::string_view(iid) != kClassFactoryIid)
        return kNoInterface;
    if (std::string_view(clsid) == wavora::kControlClsid)
        *factory = static_cast<ClassFactory*>(&g_controlFactory);
    else if (std::string_view(clsid) == wavora::kPageClsid)
        *factory = static_cast<ClassFactory*>(&g_pageFactory);
    else
        return kClassNotAvailable;
    return kOk;
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllCanUnloadNow()
{
    const CWavoraApp& app = CWavoraApp::instance();
    return app.objects == 0 && app.locks == 0 ? kOk : kFalse;
}
