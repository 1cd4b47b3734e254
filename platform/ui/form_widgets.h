// The widgets of a form, made from its table (platform/ui/form.h) the way a
// dialog template makes its controls: each at its rectangle, tagged with its
// id, with its built-in caption. Views then reach their controls by the
// form's named ids.
#pragma once

#include "platform/ui/dialog_units.h"
#include "platform/ui/form.h"

#include <QRect>
#include <QString>

#include <map>
#include <span>

class QWidget;

namespace korvan::platform {

/// Tags a control with its resource id.
void setControlId(QWidget* control, int id);
/// The id a control was tagged with, -1 for none.
int controlId(const QWidget* control);
/// The child of view (at any depth) tagged with the id, or nullptr.
QWidget* findControl(QWidget* view, int id);
/// Sets the caption of a label, button, group box, edit or any other widget.
void setCaption(QWidget* control, const QString& text);

class FormWidgets
{
public:
    /// Creates every control of the form as a child of parent, in table
    /// order; Custom controls are left to the view, which adopt()s them.
    FormWidgets(QWidget* parent, std::span<const FormControl> form,
                const DialogUnits& units = DialogUnits());

    /// The control with the id, nullptr for an unknown id.
    QWidget* widget(int id) const;
    /// The control as a T, nullptr when unknown or of another type.
    template <typename T> T* get(int id) const { return qobject_cast<T*>(widget(id)); }
    /// The table row of the id, nullptr for an unknown id.
    const FormControl* row(int id) const;
    /// The pixel rectangle the template gives the id (empty for an unknown id).
    QRect templateRect(int id) const;
    /// Places a widget the view made itself at its template rectangle and tags it.
    void adopt(int id, QWidget* widget);
    /// The union of every placed control's rectangle, in pixels.
    QRect formRect() const { return m_formRect; }
    const DialogUnits& units() const { return m_units; }
    std::span<const FormControl> table() const { return m_form; }

private:
    QWidget* create(const FormControl& control);

    QWidget* m_parent;
    std::span<const FormControl> m_form;
    DialogUnits m_units;
    std::map<int, QWidget*> m_widgets;
    QRect m_formRect;
};

} // namespace korvan::platform
