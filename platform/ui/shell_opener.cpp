#include "platform/ui/shell_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace korvan::platform {
namespace {

class DesktopOpener final : public ShellOpenerService
{
public:
    bool open(const QString& target) final
    {
        const QUrl url = QFileInfo(target).isAbsolute() || QFileInfo::exists(target)
                             ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath())
                             : QUrl::fromUserInput(target);
        return QDesktopServices::openUrl(url);
    }
};

ShellOpenerService*& installed()
{
    static ShellOpenerService* service = nullptr;
    return service;
}

} // namespace

bool shellOpen(const QString& target)
{
    if (ShellOpenerService* service = installed())
        return service->open(target);
    DesktopOpener real;
    return real.open(target);
}

void setShellOpenerService(ShellOpenerService* service)
{
    installed() = service;
}

ShellOpenerService* installedShellOpenerService()
{
    return installed();
}

RecordingShellOpener::RecordingShellOpener() : m_previous(installedShellOpenerService())
{
    setShellOpenerService(this);
}

RecordingShellOpener::~RecordingShellOpener()
{
    if (installed() == this)
        setShellOpenerService(m_previous);
}

bool RecordingShellOpener::open(const QString& target)
{
    m_opened.push_back(target);
    return m_succeeds;
}

} // namespace korvan::platform
