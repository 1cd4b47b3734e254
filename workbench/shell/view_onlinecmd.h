// The online command console: the lower right pane of the main window.
#pragma once

#include "workbench/shell/app_state.h"
#include "workbench/shell/connection_messenger.h"
#include "workbench/shell/console_logic.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace korvan::shell {

class View_OnlineCmd final : public QWidget
{
    Q_OBJECT

public:
    View_OnlineCmd(AppState& state, ConnectionMessenger& frame, QWidget* parent = nullptr);

    /// The single way text enters the output pane.
    void Append(std::string_view text);
    /// Sends the command line.
    void send();
    /// One tick of the 100 ms timer.
    void pollController();
    /// The jump of a double-click on the given pane line.
    void jumpToLostLine(const QString& line);

    QPlainTextEdit* output() const { return m_output; }
    QLineEdit* commandLine() const { return m_command; }
    const CommandHistory& history() const { return m_history; }
    const ConsoleTranscript& transcript() const { return m_transcript; }

protected:
    void resizeEvent(QResizeEvent* event) final;
    void showEvent(QShowEvent* event) final;
    bool eventFilter(QObject* watched, QEvent* event) final;

private:
    AppState& m_state;
    ConnectionMessenger& m_frame;
    CommandHistory m_history;
    ConsoleSession m_session{m_history};
    ConsoleTranscript m_transcript;
    QPlainTextEdit* m_output;
    QLabel* m_label;
    QLineEdit* m_command;
    QPushButton* m_send;
    QPushButton* m_clear;
    QTimer m_timer;
    bool m_shown = false;
};

} // namespace korvan::shell
