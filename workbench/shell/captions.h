// Control captions from the language files, and control ids on widgets so
// that views address their controls by the resource ids their forms use.
#pragma once

#include "platform/ui/form_widgets.h"

#include <QString>

class QWidget;

namespace korvan::shell {

struct AppState;

using platform::findControl;
using platform::setCaption;
using platform::setControlId;
/// Looks key up in section of the current language file and sets the
/// control's caption to it, "NULL" included. Nothing happens without the control.
void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key);
/// The same with the language of the given state instead of the program's.
void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key,
                       const AppState& state);
/// The looked-up text of the current language file as a QString.
QString languageText(const char* section, const QString& key);

} // namespace korvan::shell
