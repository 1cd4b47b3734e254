// The workbench's side of the oscilloscope: keeps the Wavora control
// registered, hosts it in the modeless window PopView_Scope, tells it which
// controller to use and lets it release the link when the window closes.
#pragma once

#include "link/korvan.h"
#include "platform/components/component.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>

namespace korvan::platform {
class ComponentLibrary;
}

namespace korvan::shell {

class ScopeHost;

/// Where the host window goes on first showing: its top left at the middle of
/// the screen, pulled back so that a window larger than the lower right quarter
/// stays on the available area.
QPoint scopeWindowTopLeft(const QRect& screen, const QRect& available, QSize size);

/// The host window (dialog 349), caption "示波器"; the control fills it.
class PopView_Scope final : public QDialog
{
    Q_OBJECT
public:
    PopView_Scope(ScopeHost& host, QWidget* parent);

    /// Escape: the same as the close box, never a bare hide.
    void reject() final;

protected:
    void closeEvent(QCloseEvent* event) final;
    void showEvent(QShowEvent* event) final;

private:
    ScopeHost& m_host;
    bool m_placed = false;
};

class ScopeHost
{
public:
    struct Services
    {
        /// The current connection's handle, null when there is none.
        std::function<ControllerHandle()> currentHandle;
        /// The folder of the program file (holds korvan-regsvr and Wavora/Wavora.ocx).
        std::filesystem::path programDir;
        /// Called when scopeShown changes (the menu check mark of item 32794).
        std::function<void(bool)> shownChanged;
    };

    ScopeHost(QWidget* mainFrame, Services services);
    ~ScopeHost();

    /// True when the class key opens; otherwise registers and waits for it.
    bool EnsureRegistered();
    /// Calls the library's DllUnregisterServer.
    bool UnregisterControl();
    /// Menu item 32794: shows or hides the host window.
    void ToggleScope();
    /// Menu item 32795: unregisters and registers again when registered.
    void ResetRegistration();

    bool scopeShown() const { return m_shown; }
    /// The host window, once created.
    PopView_Scope* window() const { return m_window; }
    /// The control, once created (null when it could not be created).
    platform::Control* control() const { return m_control.get(); }

    /// The host window's close box.
    void onWindowClosed();

private:
    std::filesystem::path controlFile() const;
    void createWindow();
    void setShown(bool shown);

    QWidget* m_mainFrame;
    Services m_services;
    PopView_Scope* m_window = nullptr;
    std::unique_ptr<platform::ComponentLibrary> m_library;
    std::unique_ptr<platform::Control> m_control;
    bool m_shown = false;
};

} // namespace korvan::shell
