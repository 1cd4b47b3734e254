#include "scope/control/wavora_ctrl.h"

#include "platform/components/self_registration.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "scope/control/wavora_ids.h"
#include "scope/core/settings_file.h"
#include "scope/ui/dialog_scope.h"

#include <QDialog>
#include <QVBoxLayout>

namespace korvan::scope {
namespace {

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

CWavoraApp& CWavoraApp::instance()
{
    static CWavoraApp app;
    return app;
}

CWavoraCtrl::CWavoraCtrl()
{
    ++CWavoraApp::instance().objects;
}
CWavoraCtrl::~CWavoraCtrl()
{
    --CWavoraApp::instance().objects;
}

std::int32_t CWavoraCtrl::SetControllerIP(std::int32_t nControllerIP)
{
    const std::string address = controllerAddressText(nControllerIP);
    ControllerHandle& handle = CWavoraApp::instance().handle();
    // A link already open is replaced, as the host expects; close it so it does not leak.
    if (handle) {
        VXC_Close(handle);
        handle = nullptr;
    }
    const std::int32_t rc = VXC_OpenEth(address.c_str(), &handle);
    if (rc != 0) {
        handle = nullptr;
        platform::MessageBox(nullptr, QStringLiteral("连接失败，错误码：%1").arg(rc));
    }
    return 0;
}

std::int32_t CWavoraCtrl::CloseController()
{
    ControllerHandle& handle = CWavoraApp::instance().handle();
    if (!handle)
        return 0;
    const std::int32_t rc = VXC_Close(handle);
    handle = nullptr;
    return rc;
}

std::int32_t CWavoraCtrl::invoke(std::int32_t dispid, std::span<const std::int32_t> args,
                                 std::int32_t* result)
{
    for (const wavora::DispatchMember& member : wavora::kDispatch) {
        if (member.dispid != dispid)
            continue;
        if (static_cast<int>(args.size()) != member.arguments)
            return platform::kBadParamCount;
        const std::int32_t value = dispid == 1 ? SetControllerIP(args[0]) : CloseController();
        if (result)
            *result = value;
        return platform::kOk;
    }
    return platform::kMemberNotFound;
}

std::int32_t CWavoraCtrl::dispatchId(const std::string& name, std::int32_t* dispid) const
{
    for (const wavora::DispatchMember& member : wavora::kDispatch)
        if (member.name == name) {
            *dispid = member.dispid;
            return platform::kOk;
        }
    return platform::kUnknownName;
}

QWidget* CWavoraCtrl::createWindow(QWidget* parent)
{
    auto* window = new QWidget(parent);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    CWavoraApp& app = CWavoraApp::instance();
    layout->addWidget(new CDialogScope(app.link(), app.spec(), ScopeSettingsFile(), window));
    return window;
}

std::vector<platform::ControlVerb> CWavoraCtrl::verbs() const
{
    return {{platform::kVerbProperties, "&Properties..."}};
}

std::int32_t CWavoraCtrl::doVerb(std::int32_t verb, QWidget* parent)
{
    if (verb != platform::kVerbProperties)
        return platform::kFail;
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(text(wavora::stringResource(wavora::kPageDialog)));
    auto* layout = new QVBoxLayout(dialog);
    CWavoraPropPage page;
    layout->addWidget(page.createWindow(dialog));
    dialog->show();
    return platform::kOk;
}

CWavoraPropPage::CWavoraPropPage()
{
    ++CWavoraApp::instance().objects;
}
CWavoraPropPage::~CWavoraPropPage()
{
    --CWavoraApp::instance().objects;
}

QWidget* CWavoraPropPage::createWindow(QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("WavoraPropPage"));
    page->setWindowTitle(text(wavora::stringResource(200)));
    const platform::DialogUnits units;
    page->setFixedSize(units.toPixels(QSize(wavora::kPageWidthDlu, wavora::kPageHeightDlu)));
    return page;
}

} // namespace korvan::scope
