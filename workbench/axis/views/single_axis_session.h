// What the single-axis panel keeps while its view comes and goes. The main
// frame deletes the view when another kind of view is shown, but the panel's
// state belongs to the program: the comparator owners, the linked state and
// latched positions live in the logic here, and timer 3 keeps feeding the
// reciprocating moves of every connection whichever view is shown.
#pragma once

#include "workbench/axis/single_axis_logic.h"
#include "workbench/axis/views/single_axis_environment.h"

#include <QObject>
#include <QTimer>

namespace korvan::axis {

class SingleAxisSession final : public QObject
{
    Q_OBJECT
public:
    SingleAxisSession(SingleAxisEnvironment& environment, AxisTable& table, AxisPanelMemory& memory,
                      QObject* parent = nullptr);

    SingleAxisEnvironment& environment() { return m_environment; }
    AxisTable& table() { return m_table; }
    AxisPanelMemory& memory() { return m_memory; }
    SingleAxisLogic& logic() { return m_logic; }
    const SingleAxisLogic& logic() const { return m_logic; }

    /// The view that shows the panel's message boxes; nullptr while none is shown.
    void setMessages(PanelMessages* messages) { m_relay.target = messages; }

    /// Starts timer 3 unless it runs already; once started it is never stopped.
    void startReciprocationFeed();
    bool reciprocationFeedRunning() const { return m_reciprocationTimer.isActive(); }
    /// One tick of timer 3: every slot with its own port, every axis.
    void feedReciprocation();

private:
    // Without a view nothing is shown and a question counts as cancelled.
    struct MessageRelay final : PanelMessages
    {
        void inform(const std::string& text) final
        {
            if (target)
                target->inform(text);
        }
        bool confirmOkCancel(const std::string& text) final
        {
            return target && target->confirmOkCancel(text);
        }
        PanelMessages* target = nullptr;
    };

    SingleAxisEnvironment& m_environment;
    AxisTable& m_table;
    AxisPanelMemory& m_memory;
    ComparatorRegistry m_comparators;
    MessageRelay m_relay;
    SingleAxisLogic m_logic;
    QTimer m_reciprocationTimer;
};

} // namespace korvan::axis
