#include "platform/ui/message_box.h"

#include "platform/ui/process_slot.h"

#include <QApplication>
#include <QMessageBox>

namespace korvan::platform {
namespace {

QMessageBox::StandardButtons standardButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

MessageAnswer firstAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

class QtMessageBoxes final : public MessageBoxService
{
public:
    MessageAnswer show(QWidget* parent, const MessageRequest& request) final
    {
        QMessageBox box(boxIcon(request.icon), request.title, request.text,
                        standardButtons(request.buttons), parent);
        return answerOf(box.exec());
    }
};

ProcessSlot<MessageBoxService>& installedSlot()
{
    static ProcessSlot<MessageBoxService> slot("korvanMessageBoxService");
    return slot;
}

MessageBoxService* installed()
{
    return installedSlot().get();
}

} // namespace

MessageAnswer MessageBox(QWidget* parent, const QString& text, const QString& title,
                         MessageButtons buttons, MessageIcon icon)
{
    const MessageRequest request{
        text, title.isEmpty() ? QApplication::applicationDisplayName() : title, buttons, icon};
    if (MessageBoxService* service = installed())
        return service->show(parent, request);
    QtMessageBoxes real;
    return real.show(parent, request);
}

void setMessageBoxService(MessageBoxService* service)
{
    installedSlot().set(service);
}

MessageBoxService* installedMessageBoxService()
{
    return installed();
}

ScriptedMessageBoxes::ScriptedMessageBoxes() : m_previous(installedMessageBoxService())
{
    setMessageBoxService(this);
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    if (installed() == this)
        setMessageBoxService(m_previous);
}

MessageAnswer ScriptedMessageBoxes::show(QWidget*, const MessageRequest& request)
{
    m_requests.push_back(request);
    if (m_answers.empty())
        return firstAnswer(request.buttons);
    const MessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList all;
    for (const MessageRequest& request : m_requests)
        all << request.text;
    return all;
}

} // namespace korvan::platform
