// The contract between a component library and its host: the four exports a
// library offers, the class factory it hands out and the control it creates.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class QWidget;

namespace korvan::platform {

/// Result codes as the exports and dispatch return them.
enum : std::int32_t
{
    kOk = 0,
    kFalse = 1,                                                  ///< S_FALSE
    kClassNotAvailable = static_cast<std::int32_t>(0x80040111u), ///< CLASS_E_CLASSNOTAVAILABLE
    kNoInterface = static_cast<std::int32_t>(0x80004002u),       ///< E_NOINTERFACE
    kFail = static_cast<std::int32_t>(0x80004005u),              ///< E_FAIL
    kSelfRegTypeLib = static_cast<std::int32_t>(0x80040200u),    ///< SELFREG_E_TYPELIB
    kSelfRegClass = static_cast<std::int32_t>(0x80040201u),      ///< SELFREG_E_CLASS
    kMemberNotFound = static_cast<std::int32_t>(0x80020003u),    ///< DISP_E_MEMBERNOTFOUND
    kBadParamCount = static_cast<std::int32_t>(0x8002000Eu),     ///< DISP_E_BADPARAMCOUNT
    kUnknownName = static_cast<std::int32_t>(0x80020006u)        ///< DISP_E_UNKNOWNNAME
};

/// The interface id a host asks DllGetClassObject for.
inline constexpr const char* kClassFactoryIid = "{00000001-0000-0000-C000-000000000046}";

/// A verb the control offers its host (the properties verb opens the property page).
struct ControlVerb
{
    std::int32_t id;
    std::string name;
};
inline constexpr std::int32_t kVerbProperties = -7; ///< OLEIVERB_PROPERTIES

/// An embedded control as the host sees it.
class Control
{
public:
    virtual ~Control() = default;
    /// Calls dispatch member dispid with 32-bit integer arguments; the code of the call.
    virtual std::int32_t invoke(std::int32_t dispid, std::span<const std::int32_t> args,
                                std::int32_t* result) = 0;
    /// The dispatch id of a member name, or kUnknownName.
    virtual std::int32_t dispatchId(const std::string& name, std::int32_t* dispid) const = 0;
    /// Creates the control's window inside parent (owned by parent) and returns it.
    virtual QWidget* createWindow(QWidget* parent) = 0;
    /// The verbs the control offers.
    virtual std::vector<ControlVerb> verbs() const = 0;
    /// Runs a verb; kOk when it ran.
    virtual std::int32_t doVerb(std::int32_t verb, QWidget* parent) = 0;
};

/// Creates objects of one class.
class ClassFactory
{
public:
    virtual ~ClassFactory() = default;
    /// A new object of the class.
    virtual std::unique_ptr<Control> createInstance() = 0;
    /// Keeps the library loaded while locked.
    virtual void lockServer(bool lock) = 0;
};

/// The exports of a component library.
using DllRegisterServerFn = std::int32_t (*)();
using DllUnregisterServerFn = std::int32_t (*)();
/// clsid and iid in registry text form; *factory is a factory the library owns.
using DllGetClassObjectFn = std::int32_t (*)(const char* clsid, const char* iid, void** factory);
using DllCanUnloadNowFn = std::int32_t (*)();

} // namespace korvan::platform
