// korvan-tools: the Korvan Tools workbench.
#include "platform/core/app_profile.h"
#include "platform/ui/fonts.h"
#include "workbench/shell/app_state.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // No display name: the desktop would append it to every window title,
    // and the titles are the program's own ("Korvan Tools V1.1", "连接成功").
    // Message boxes still take the application name as their title.
    QApplication::setApplicationName(QStringLiteral("Korvan Tools"));
    QApplication::setFont(korvan::platform::dialogFont());
    korvan::shell::LanguageFiles::setProgramDir(QApplication::applicationDirPath().toStdString());

    korvan::platform::AppProfile profile = korvan::platform::AppProfile::workbench();
    korvan::shell::CMainFrame frame(korvan::shell::theAppState(), profile);
    // Without a window manager a maximise request does nothing; start at full size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
    frame.showMaximized();
    return QApplication::exec();
}
