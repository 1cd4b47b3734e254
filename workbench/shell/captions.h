// Control captions from the language files, and control ids on widgets so
// that views address their controls by the resource ids their forms use.
#pragma once

#include <QString>

class QWidget;

namespace korvan::shell {

struct AppState;

/// Tags a control with its resource id.
void setControlId(QWidget* control, int id);
/// The child of view carrying the id, or nullptr.
QWidget* findControl(QWidget* view, int id);
/// Sets the caption of a label, button, group box or edit.
void setCaption(QWidget* control, const QString& text);
/// Looks key up in section of the current language file and sets the
/// control's caption to it, "NULL" included. Nothing happens without the control.
void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key);
/// The same with the language of the given state instead of the program's.
void SetControlCaption(QWidget* view, int controlId, const char* section, const char* key,
                       const AppState& state);
/// The looked-up text of the current language file as a QString.
QString languageText(const char* section, const QString& key);

} // namespace korvan::shell
