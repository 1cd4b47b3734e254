// One main frame with fresh state for a view test: its profile in a
// temporary folder, the language files of the source tree, message boxes and
// desktop opens recorded instead of shown. Whatever the start-up's automatic
// connection should find must be reachable before it is constructed.
#pragma once

#include "platform/core/app_profile.h"
#include "platform/ui/message_box.h"
#include "platform/ui/shell_opener.h"
#include "workbench/shell/app_state.h"
#include "workbench/shell/korvan_tools_view.h"
#include "workbench/shell/localisation.h"
#include "workbench/shell/main_frame.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <functional>
#include <memory>

namespace korvan::shell::fakes {

struct Workbench
{
    /// savedLanguage: the profile's "Trelkit_Lang" before start ("" for none).
    explicit Workbench(const QString& savedLanguage = {}, int rebootWaitMs = 0)
    {
        qputenv("KORVAN_PROFILE", (dir.path() + "/profile.ini").toUtf8());
        LanguageFiles::setProgramDir(qEnvironmentVariable("KORVAN_SOURCE_DIR").toStdString() +
                                     "/resources");
        if (!savedLanguage.isEmpty())
            profile.writeString("Languge_Info", "Trelkit_Lang", savedLanguage.toStdString());
        frame = std::make_unique<CMainFrame>(state, profile);
        frame->setRebootWait(rebootWaitMs);
        frame->treeView()->firstShowing();
    }
    QTreeWidget* tree() const { return frame->treeView()->tree(); }

    platform::ScriptedMessageBoxes boxes;
    platform::RecordingShellOpener opener;
    QTemporaryDir dir;
    AppState state;
    platform::AppProfile profile{"Korvan Trelkit", "Korvan Tools"};
    std::unique_ptr<CMainFrame> frame;
};

/// Every item's text, depth first.
inline QStringList treeTexts(QTreeWidget* tree)
{
    QStringList texts;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        texts << item->text(0);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i));
    return texts;
}

} // namespace korvan::shell::fakes
