// Opening documents and URLs with the desktop's default application (the
// shell's "open" verb). Tests install RecordingShellOpener.
#pragma once

#include <QString>

#include <vector>

namespace korvan::platform {

class ShellOpenerService
{
public:
    virtual ~ShellOpenerService() = default;
    /// Asks the desktop to open the file or URL; false when it refused.
    virtual bool open(const QString& target) = 0;
};

/// Opens a local file path or a URL through the installed service.
bool shellOpen(const QString& target);

/// Replaces the service for the whole process (nullptr restores the real one).
void setShellOpenerService(ShellOpenerService* service);
/// The installed service, nullptr for the real one.
ShellOpenerService* installedShellOpenerService();

// Records every target and reports the configured outcome.
class RecordingShellOpener final : public ShellOpenerService
{
public:
    RecordingShellOpener();
    ~RecordingShellOpener() override;
    RecordingShellOpener(const RecordingShellOpener&) = delete;
    RecordingShellOpener& operator=(const RecordingShellOpener&) = delete;

    bool open(const QString& target) final;

    const std::vector<QString>& opened() const { return m_opened; }
    void setOutcome(bool succeeds) { m_succeeds = succeeds; }

private:
    ShellOpenerService* m_previous = nullptr; // restored on destruction
    std::vector<QString> m_opened;
    bool m_succeeds = true;
};

} // namespace korvan::platform
