#include "workbench/shell/captions.h"

#include "workbench/shell/app_state.h"
#include "workbench/shell/localisation.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace korvan::shell {
namespace {

constexpr const char* kControlIdProperty = "korvanControlId";

} // namespace

void setControlId(QWidget* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

QWidget* findControl(QWidget* view, int id)
{
    if (!view)
        return nullptr;
    for (QWidget* child : view->findChildren<QWidget*>())
        if (child->property(kControlIdProperty).toInt() == id &&
            child->property(kControlIdProperty).isValid())
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
