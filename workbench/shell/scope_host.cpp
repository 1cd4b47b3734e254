#include "workbench/shell/scope_host.h"

#include "cmdlib/controller_data.h"
#include "platform/components/component_library.h"
#include "platform/components/component_registry.h"
#include "platform/ui/message_box.h"

#include <QCloseEvent>
#include <QProcess>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace korvan::shell {
namespace {

constexpr const char* kWavoraClsid = "{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}";
constexpr int kRegistrationWaitMs = 30000;

QString qtPath(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

QPoint scopeWindowTopLeft(const QRect& screen, const QRect& available, QSize size)
{
    const QPoint centre(screen.left() + screen.width() / 2, screen.top() + screen.height() / 2);
    // Pulled back only as far as needed; a window larger than the area keeps its top left inside.
    const int x =
        std::max(available.left(), std::min(centre.x(), available.right() + 1 - size.width()));
    const int y =
        std::max(available.top(), std::min(centre.y(), available.bottom() + 1 - size.height()));
    return {x, y};
}

PopView_Scope::PopView_Scope(ScopeHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setWindowTitle(QStringLiteral("示波器"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    resize(1200, 560);
}

void PopView_Scope::showEvent(QShowEvent* event)
{
    // On first showing the top left corner goes to the middle of the screen.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = this->screen())
            move(scopeWindowTopLeft(screen->geometry(), screen->availableGeometry(), size()));
    }
    QDialog::showEvent(event);
}

void PopView_Scope::closeEvent(QCloseEvent* event)
{
    event->ignore(); // hidden, never destroyed
    m_host.onWindowClosed();
}

void PopView_Scope::reject()
{
    // A dialog hides itself on Escape; that must release the link and clear the
    // check mark like the close box, or the menu would show a hidden window as shown.
    m_host.onWindowClosed();
}

ScopeHost::ScopeHost(QWidget* mainFrame, Services services)
    : m_mainFrame(mainFrame), m_services(std::move(services))
{}

ScopeHost::~ScopeHost()
{
    // The control's window goes with the host window; the control after it.
    if (m_library)
        m_library->keepLoaded();
}

std::filesystem::path ScopeHost::controlFile() const
{
    return m_services.programDir / "Wavora" / "Wavora.ocx";
}

bool ScopeHost::EnsureRegistered()
{
    if (platform::ComponentRegistry().hasClass(kWavoraClsid))
        return true;
    const QString parameter = QStringLiteral("\"%1\"").arg(qtPath(controlFile()));
    QProcess regsvr;
    regsvr.start(qtPath(m_services.programDir / "korvan-regsvr"),
                 {QStringLiteral("/s"), qtPath(controlFile())});
    // Wait, so that the first toggle really finds the control registered.
    const bool started = regsvr.waitForStarted() && regsvr.waitForFinished(kRegistrationWaitMs);
    const int code =
        started && regsvr.exitStatus() == QProcess::NormalExit ? regsvr.exitCode() : -1;
    if (code != 0) {
        platform::MessageBox(m_mainFrame, QStringLiteral("%1 注册失败%2").arg(parameter).arg(code));
        return false;
    }
    platform::MessageBox(m_mainFrame, QStringLiteral("%1 注册成功%2").arg(parameter).arg(code));
    return true;
}

bool ScopeHost::UnregisterControl()
{
    auto library = std::make_unique<platform::ComponentLibrary>(controlFile());
    if (!library->loaded()) {
        platform::MessageBox(m_mainFrame,
                             QStringLiteral("%1 注册失败%2").arg(qtPath(controlFile())).arg(0));
        return false;
    }
    if (library->unregisterServer() >= 0) {
        library->keepLoaded(); // the library stays loaded
        return true;
    }
    return false;
}

void ScopeHost::createWindow()
{
    if (m_window)
        return;
    m_window = new PopView_Scope(*this, m_mainFrame);
    const auto entry = platform::ComponentRegistry().findClass(kWavoraClsid);
    if (!entry)
        return; // the control area stays empty
    m_library = std::make_unique<platform::ComponentLibrary>(entry->library);
    platform::ClassFactory* factory =
        m_library->loaded() ? m_library->classFactory(kWavoraClsid) : nullptr;
    if (!factory)
        return;
    m_control = factory->createInstance();
    if (QWidget* child = m_control->createWindow(m_window))
        m_window->layout()->addWidget(child);
}

void ScopeHost::setShown(bool shown)
{
    m_shown = shown;
    if (m_services.shownChanged)
        m_services.shownChanged(shown);
}

void ScopeHost::ToggleScope()
{
    EnsureRegistered();
    setShown(!m_shown);
    createWindow();
    if (!m_shown) {
        m_window->hide();
        return;
    }
    m_window->show();
    const ControllerHandle handle = m_services.currentHandle ? m_services.currentHandle() : nullptr;
    if (handle && m_control) {
        std::int32_t address = 0;
        if (cmd::QueryIpAddress(handle, &address) == 0) {
            const std::int32_t args[] = {address};
            std::int32_t result = 0;
            m_control->invoke(1, args, &result);
        }
    }
}

void ScopeHost::ResetRegistration()
{
    if (!platform::ComponentRegistry().hasClass(kWavoraClsid))
        return;
    UnregisterControl();
    EnsureRegistered();
}

void ScopeHost::onWindowClosed()
{
    const ControllerHandle handle = m_services.currentHandle ? m_services.currentHandle() : nullptr;
    if (handle && m_control) {
        std::int32_t result = 0;
        m_control->invoke(2, {}, &result);
    }
    setShown(false);
    if (m_window)
        m_window->hide();
}

} // namespace korvan::shell
