// Modal message boxes. The program shows real boxes; tests install a
// ScriptedMessageBoxes that records each request and answers from a script,
// so no test ever enters a modal loop.
#pragma once

#include <QString>

#include <deque>
#include <vector>

class QWidget;

namespace korvan::platform {

enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    RetryCancel
};
enum class MessageIcon
{
    None,
    Information,
    Warning,
    Error,
    Question
};
enum class MessageAnswer
{
    Ok,
    Cancel,
    Yes,
    No,
    Retry
};

// One request to show a box.
struct MessageRequest
{
    QString text;
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    /// Shows the box modally and returns the button pressed.
    virtual MessageAnswer show(QWidget* parent, const MessageRequest& request) = 0;
};

/// The box shown with the application's title when title is empty.
MessageAnswer MessageBox(QWidget* parent, const QString& text, const QString& title = {},
                         MessageButtons buttons = MessageButtons::Ok,
                         MessageIcon icon = MessageIcon::None);

/// Replaces the service for the whole process (nullptr restores the real one).
void setMessageBoxService(MessageBoxService* service);
/// The installed service, nullptr for the real one.
MessageBoxService* installedMessageBoxService();

// Records every request; answers from the queue, else the first button.
class ScriptedMessageBoxes final : public MessageBoxService
{
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    MessageAnswer show(QWidget* parent, const MessageRequest& request) final;

    /// Queues the answer of the next box.
    void answerNext(MessageAnswer answer) { m_answers.push_back(answer); }
    /// Every request so far, in order.
    const std::vector<MessageRequest>& requests() const { return m_requests; }
    /// The texts of every request so far.
    QStringList texts() const;
    void clear() { m_requests.clear(); }

private:
    MessageBoxService* m_previous = nullptr; // restored on destruction
    std::deque<MessageAnswer> m_answers;
    std::vector<MessageRequest> m_requests;
};

} // namespace korvan::platform
