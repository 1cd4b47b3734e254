#include "workbench/shell/captions.h"

#include "workbench/shell/app_state.h"
#include "workbench/shell/localisation.h"

namespace korvan::shell {

QString languageText(const char* section, const QString& key)
{
    const Localizer localizer(theAppState());
    return QString::fromStdString(localizer.lookup(section, key.toStdString()));
}

void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key)
{
    SetControlCaption(view, controlId, section, key, theAppState());
}

void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key,
                       const AppState& state)
{
    if (QWidget* control = findControl(view, controlId))
        setCaption(control, QString::fromStdString(Localizer(state).lookup(section, key)));
}

} // namespace korvan::shell
