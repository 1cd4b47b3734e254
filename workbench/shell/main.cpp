// korvan-tools: the Korvan Tools workbench.
#include "platform/core/app_profile.h"
#include "platform/ui/fonts.h"
#include "workbench/shell/app_state.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvan Tools"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvan Tools"));
    QApplication::setFont(korvan::platform::dialogFont());
    korvan::shell::LanguageFiles::setProgramDir(QApplication::applicationDirPath().toStdString());

    korvan::platform::AppProfile profile = korvan::platform::AppProfile::workbench();
    korvan::shell::CMainFrame frame(korvan::shell::theAppState(), profile);
    frame.showMaximized();
    return QApplication::exec();
}
