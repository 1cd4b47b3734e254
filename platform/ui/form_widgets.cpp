#include "platform/ui/form_widgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTableWidget>
#include <QVariant>
#include <QWidget>

namespace korvan::platform {
namespace {

constexpr const char* kControlIdProperty = "korvanControlId";

// Drop-down rectangles in a template include the open list; the closed box
// is one text line high.
constexpr int kClosedDropDownHeight = 13;

} // namespace

void setControlId(QWidget* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

int controlId(const QWidget* control)
{
    const QVariant id = control ? control->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}

QWidget* findControl(QWidget* view, int id)
{
    if (!view)
        return nullptr;
    for (QWidget* child : view->findChildren<QWidget*>())
        if (controlId(child) == id)
            return child;
    return nullptr;
}

void setCaption(QWidget* control, const QString& text)
{
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (control)
        control->setWindowTitle(text);
}

FormWidgets::FormWidgets(QWidget* parent, std::span<const FormControl> form,
                         const DialogUnits& units)
    : m_parent(parent), m_form(form), m_units(units)
{
    for (const FormControl& control : m_form)
        if (control.kind != ControlKind::Custom)
            adopt(control.id, create(control));
    // Group boxes lie under the controls they frame.
    for (const FormControl& control : m_form)
        if (control.kind == ControlKind::Group)
            widget(control.id)->lower();
}

QWidget* FormWidgets::create(const FormControl& control)
{
    const QString caption = control.caption ? QString::fromUtf8(control.caption) : QString();
    switch (control.kind) {
    case ControlKind::Label:
        return new QLabel(caption, m_parent);
    case ControlKind::Group:
        return new QGroupBox(caption, m_parent);
    case ControlKind::Button:
    case ControlKind::IconButton:
        return new QPushButton(caption, m_parent);
    case ControlKind::Check:
        return new QCheckBox(caption, m_parent);
    case ControlKind::Radio:
        return new QRadioButton(caption, m_parent);
    case ControlKind::Edit:
    case ControlKind::IntEdit:
    case ControlKind::FloatEdit:
        return new QLineEdit(caption, m_parent);
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(caption, m_parent);
        edit->setReadOnly(true);
        return edit;
    }
    case ControlKind::TextEdit:
        return new QPlainTextEdit(caption, m_parent);
    case ControlKind::DropDown:
        return new QComboBox(m_parent);
    case ControlKind::ComboEdit: {
        auto* combo = new QComboBox(m_parent);
        combo->setEditable(true);
        return combo;
    }
    case ControlKind::List:
        return new QTableWidget(m_parent);
    case ControlKind::Tabs:
        return new QTabBar(m_parent);
    case ControlKind::Slider:
        return new QSlider(Qt::Horizontal, m_parent);
    case ControlKind::Lamp: {
        auto* lamp = new QLabel(m_parent);
        lamp->setAlignment(Qt::AlignCenter);
        return lamp;
    }
    case ControlKind::Custom:
        break;
    }
    return new QWidget(m_parent);
}

QWidget* FormWidgets::widget(int id) const
{
    const auto found = m_widgets.find(id);
    return found == m_widgets.end() ? nullptr : found->second;
}

const FormControl* FormWidgets::row(int id) const
{
    for (const FormControl& control : m_form)
        if (control.id == id)
            return &control;
    return nullptr;
}

QRect FormWidgets::templateRect(int id) const
{
    const FormControl* control = row(id);
    if (!control)
        return {};
    const bool dropDown =
        control->kind == ControlKind::DropDown || control->kind == ControlKind::ComboEdit;
    return m_units.toPixels(control->x, control->y, control->w,
                            dropDown ? kClosedDropDownHeight : control->h);
}

void FormWidgets::adopt(int id, QWidget* widget)
{
    if (!widget)
        return;
    if (widget->parentWidget() != m_parent)
        widget->setParent(m_parent);
    if (row(id))
        widget->setGeometry(templateRect(id));
    setControlId(widget, id);
    widget->setObjectName(QString::number(id));
    m_widgets[id] = widget;
    m_formRect |= widget->geometry();
}

} // namespace korvan::platform
