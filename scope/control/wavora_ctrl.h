// The Wavora control module: CWavoraApp (the module object with the link
// handle all instances share), CWavoraCtrl (the control with its dispatch
// interface and window) and CWavoraPropPage (the empty property page).
#pragma once

#include "link/korvan.h"
#include "platform/components/component.h"
#include "scope/control/link_scope_access.h"
#include "scope/core/scope_link.h"

#include <QWidget>

#include <atomic>

namespace korvan::scope {

class CWavoraApp
{
public:
    /// The module object.
    static CWavoraApp& instance();

    /// The module-wide link handle; null when there is no link.
    ControllerHandle& handle() { return m_handle; }
    ScopeLink& link() { return m_link; }
    ControllerSpec& spec() { return m_spec; }

    /// Objects and locks alive, for DllCanUnloadNow.
    std::atomic<int> objects{0};
    std::atomic<int> locks{0};

private:
    CWavoraApp() = default;
    ControllerHandle m_handle = nullptr;
    LinkScopeAccess m_link{m_handle};
    ControllerSpec m_spec;
};

class CWavoraCtrl final : public platform::Control
{
public:
    CWavoraCtrl();
    ~CWavoraCtrl() override;

    /// Dispatch 1: opens the link to the controller at the address value.
    std::int32_t SetControllerIP(std::int32_t nControllerIP);
    /// Dispatch 2: closes the link; its close code, or 0 without a link.
    std::int32_t CloseController();

    std::int32_t invoke(std::int32_t dispid, std::span<const std::int32_t> args,
                        std::int32_t* result) final;
    std::int32_t dispatchId(const std::string& name, std::int32_t* dispid) const final;
    /// The control's window: the panel fills it.
    QWidget* createWindow(QWidget* parent) final;
    std::vector<platform::ControlVerb> verbs() const final;
    std::int32_t doVerb(std::int32_t verb, QWidget* parent) final;
};

class CWavoraPropPage final : public platform::Control
{
public:
    CWavoraPropPage();
    ~CWavoraPropPage() override;

    std::int32_t invoke(std::int32_t, std::span<const std::int32_t>, std::int32_t*) final
    {
        return platform::kMemberNotFound;
    }
    std::int32_t dispatchId(const std::string&, std::int32_t*) const final
    {
        return platform::kUnknownName;
    }
    /// The page: caption "常规", 316 × 182 dialog units, no controls.
    QWidget* createWindow(QWidget* parent) final;
    std::vector<platform::ControlVerb> verbs() const final { return {}; }
    std::int32_t doVerb(std::int32_t, QWidget*) final { return platform::kFail; }
};

} // namespace korvan::scope
