// What the single-axis panel does, without widgets: the actions of its
// buttons, the latch, compare and link state machines, the lamp poll and
// the field save. The widget copies its controls into fields() before an
// action that reads the fields and shows captions() afterwards.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"
#include "workbench/axis/panel_texts.h"

#include <array>
#include <optional>
#include <string>

namespace korvan::axis {

/// Message boxes of the panel: the program shows them, tests script them.
class PanelMessages
{
public:
    virtual ~PanelMessages() = default;
    /// A plain message box with an OK button.
    virtual void inform(const std::string& text) = 0;
    /// OK / Cancel with the exclamation icon and an empty title; true on OK.
    virtual bool confirmOkCancel(const std::string& text) = 0;
};

/// For each position comparator 0..15 the axis that started it, -1 = free.
class ComparatorRegistry
{
public:
    static constexpr int kComparatorCount = 16;
    ComparatorRegistry() { m_owners.fill(-1); }
    /// The owning axis or -1; -1 also for numbers outside 0..15.
    int owner(int comparator) const;
    void set(int comparator, int axis) { m_owners[comparator] = axis; }

private:
    std::array<int, kComparatorCount> m_owners;
};

/// Captions and enable states the actions change.
struct PanelCaptions
{
    std::string compare;              ///< 1183
    std::string latch;                ///< 1171
    std::string latchState;           ///< 1169
    std::string latchPositions;       ///< 1170
    std::string link;                 ///< 1173
    std::string jog;                  ///< 1184
    std::string singleLatch;          ///< 1172
    bool compareFieldsEnabled = true; ///< 1176 to 1180
    bool linkFieldsEnabled = true;    ///< 1287 and 1194
};

/// The lamps after one poll; nothing leaves a lamp as it was.
struct LampStates
{
    bool negativeLimit = false;
    bool positiveLimit = false;
    std::optional<bool> origin;
    bool servoAlarm = false;
    bool compareOutput = false;
    bool enable = false;
    bool clear = false;
};

class SingleAxisLogic
{
public:
    SingleAxisLogic(AxisTable& table, AxisPanelMemory& memory, ComparatorRegistry& comparators,
                    PanelMessages& messages);

    /// Activation: the slot, its port (nullptr without link), the axis and the language.
    void activate(AxisPort* port, int slot, int axis, int language);
    /// Activation steps that read the controller: linked state, captions, fields.
    void loadFromController();
    /// The port of the slot shown, taken again before each action (nullptr without link).
    void setPort(AxisPort* port) { m_port = port; }

    /// The dialog fields of the axis shown.
    AxisPanelEntry& fields() { return m_fields; }
    const PanelCaptions& captions() const { return m_captions; }
    bool linked() const { return m_linked; }
    int enableOutput() const { return m_enableOutput; }
    int clearOutput() const { return m_clearOutput; }
    void setEnableOutput(int output) { m_enableOutput = output; }
    void setClearOutput(int output) { m_clearOutput = output; }
    int axis() const { return m_axis; }
    int slot() const { return m_slot; }

    // Actions of the controls.
    void toggleEnable();
    void toggleClear();
    void startHoming();
    void stopHoming();
    void zeroPosition();
    void selectHomingSource(int source);
    void setJogMode(bool jog);
    void setSingleLatch(bool single);
    void pressDirection(bool forward);
    void releaseDirection();
    /// True when the reciprocation feed (timer 3) has to run.
    bool startReciprocation();
    void stopReciprocation();
    void changeSpeed();
    void changeTarget();
    void stopAll();
    void toggleLatch();
    void toggleCompare();
    void trigger();
    void toggleLink();

    /// Timer 2: reads the axis's ENABLE_OUT and CLEAR_OUT into the table (-1 when a
    /// read fails) and takes them as the panel's output numbers.
    void refreshOutputNumbers();
    /// Timer 0 lamps: eciFlag of the connection decides the origin input polarity.
    LampStates pollLamps(int eciFlag);
    /// Timer 0 latch step, only while latching.
    void pollLatch();
    /// Timer 0 link step.
    void pollLink();
    /// Timer 1: writes the fields into the memory except the run flags.
    void saveFields();

private:
    AxisPanelEntry& remembered() { return m_memory.at(m_slot, m_axis); }
    int axisType() const;
    void sendMoveSettings();
    bool refuseWhenLinked();
    void updateJogCaption();
    void updateLinkCaption();
    void updateLatchCaptions();

    AxisTable& m_table;
    AxisPanelMemory& m_memory;
    ComparatorRegistry& m_comparators;
    PanelMessages& m_messages;
    AxisPort* m_port = nullptr;
    int m_slot = 0;
    int m_axis = 0;
    int m_language = 1;
    AxisPanelEntry m_fields;
    PanelCaptions m_captions;
    bool m_linked = false;
    int m_enableState = 0;
    int m_clearState = 0;
    int m_enableOutput = -1;
    int m_clearOutput = -1;
    float m_latchedPosition = 0.0f;
    float m_latchedPositionB = 0.0f;
};

} // namespace korvan::axis
