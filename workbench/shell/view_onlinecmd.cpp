#include "workbench/shell/view_onlinecmd.h"

#include "platform/ui/message_box.h"
#include "workbench/shell/captions.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

namespace korvan::shell {
namespace {

// The pane shows "\r\n" line ends as plain line breaks.
QString displayText(const std::string& text)
{
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

View_OnlineCmd::View_OnlineCmd(AppState& state, ConnectionMessenger& frame, QWidget* parent)
    : QWidget(parent), m_state(state), m_frame(frame), m_output(new QPlainTextEdit(this)),
      m_label(new QLabel(QStringLiteral("在线命令："), this)), m_command(new QLineEdit(this)),
      m_send(new QPushButton(QStringLiteral("发  送"), this)),
      m_clear(new QPushButton(QStringLiteral("清  除"), this))
{
    setObjectName(QStringLiteral("View_OnlineCmd"));
    m_output->setReadOnly(true);
    m_output->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_command->setMaxLength(512);
    setControlId(m_output, 1003);
    setControlId(m_label, 1004);
    setControlId(m_command, 1005);
    setControlId(m_send, 1006);
    setControlId(m_clear, 1007);
    connect(m_send, &QPushButton::clicked, this, &View_OnlineCmd::send);
    connect(m_command, &QLineEdit::returnPressed, this, &View_OnlineCmd::send);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_output->clear();
        m_transcript.clear();
    });
    m_command->installEventFilter(this);
    m_output->viewport()->installEventFilter(this);
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &View_OnlineCmd::pollController);
}

void View_OnlineCmd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    SetControlCaption(this, 1004, "OnlineCmd", "IDC_STATIC_ONLINE", m_state);
    SetControlCaption(this, 1006, "OnlineCmd", "IDC_BUTTON_SEMDCMD", m_state);
    SetControlCaption(this, 1007, "OnlineCmd", "IDC_BUTTON_CLEAR", m_state);
    m_timer.start();
}

void View_OnlineCmd::Append(std::string_view text)
{
    const ConsoleTranscript::Change change = m_transcript.append(text);
    QTextDocument* document = m_output->document();
    if (change.removedLines > 0) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                            static_cast<int>(change.removedLines));
        cursor.removeSelectedText();
    }
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(displayText(change.inserted));
    m_output->setTextCursor(end);
    m_output->ensureCursorVisible();
}

void View_OnlineCmd::send()
{
    const ControllerHandle handle = m_state.connectionCount > 0 ? m_state.currentHandle() : nullptr;
    const ConsoleSession::SendResult result =
        m_session.send(handle, m_command->text().toStdString());
    if (result.noConnection) {
        platform::MessageBox(this, QStringLiteral("Connect First!"));
        return;
    }
    if (!result.sent)
        return;
    if (!result.output.empty())
        Append(result.output);
    m_command->selectAll();
    m_command->setFocus();
}

void View_OnlineCmd::pollController()
{
    if (m_state.connectionCount == 0)
        return;
    const std::string text = m_session.poll(m_state.currentHandle());
    if (!text.empty())
        Append(text);
}

void View_OnlineCmd::jumpToLostLine(const QString& line)
{
    if (const std::optional<int> target = lostcountLine(line.left(1024).toStdString()))
        m_frame.send(ConnectionCode::GoToBasLine, *target);
}

bool View_OnlineCmd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_command && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const std::optional<std::string> entry =
                key == Qt::Key_Up ? m_history.older() : m_history.newer();
            if (entry)
                m_command->setText(QString::fromStdString(*entry));
            return true;
        }
    }
    if (watched == m_output->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const bool handled = QObject::eventFilter(watched, event);
        jumpToLostLine(m_output->textCursor().block().text());
        return handled;
    }
    return QWidget::eventFilter(watched, event);
}

void View_OnlineCmd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    m_output->setGeometry(5, 5, cx - 5, cy - 70);
    m_label->setGeometry(20, cy - 40, 80, 30);
    m_command->setGeometry(80, cy - 50, cx - 320, 30);
    m_send->setGeometry(cx - 220, cy - 50, 80, 30);
    m_clear->setGeometry(cx - 100, cy - 50, 80, 30);
}

} // namespace korvan::shell
