#include "workbench/axis/single_axis_logic.h"

#include "workbench/axis/axis_catalogue.h"
#include "workbench/axis/port_queries.h"

#include "cmdlib/motion.h"

#include <algorithm>
#include <span>
#include <utility>

namespace korvan::axis {

namespace {

constexpr int kLinkedMoveType = 21;
constexpr std::array<int, 7> kLatchAxisTypes{3, 4, 6, 9, 10, 50, 65};

double D(float value)
{
    return static_cast<double>(value);
}

} // namespace

int ComparatorRegistry::owner(int comparator) const
{
    if (comparator < 0 || comparator >= kComparatorCount)
        return -1;
    return m_owners[comparator];
}

SingleAxisLogic::SingleAxisLogic(AxisTable& table, AxisPanelMemory& memory,
                                 ComparatorRegistry& comparators, PanelMessages& messages)
    : m_table(table), m_memory(memory), m_comparators(comparators), m_messages(messages)
{}

void SingleAxisLogic::activate(AxisPort* port, int slot, int axis, int language)
{
    m_port = port;
    m_slot = std::clamp(slot, 0, kSlotCount - 1);
    m_axis = std::clamp(axis, 0, kAxisCount - 1);
    m_language = language;
    m_enableState = 0;
    m_clearState = 0;
    m_captions.compareFieldsEnabled = remembered().compareRunning == 0;
    m_captions.linkFieldsEnabled = !m_linked;
    updateJogCaption();
}

void SingleAxisLogic::loadFromController()
{
    if (!m_port)
        return;
    const std::optional<int> moveType = QueryInt(*m_port, FormatCommand("?MTYPE(%d)", m_axis));
    if (!moveType)
        return;
    m_linked = *moveType == kLinkedMoveType;
    AxisPanelEntry& entry = remembered();
    entry.latchRunning = 0;
    m_captions.compare =
        Text(entry.compareRunning ? PanelText::StopPswitch : PanelText::StartPswitch, m_language);
    m_captions.latch = Text(PanelText::StartRegist, m_language);
    m_captions.latchState = Text(PanelText::LatchIdle, m_language);
    m_captions.latchPositions = Text(PanelText::LatchPositionsIdle, m_language);
    updateLinkCaption();
    m_captions.singleLatch =
        Text(entry.singleLatch ? PanelText::SingleRegist : PanelText::LoopRegist, m_language);
    m_fields = entry;
    updateJogCaption();
    m_enableOutput = TruncateToInt(m_table.at(AxisRow::EnableOut, m_axis));
    m_clearOutput = TruncateToInt(m_table.at(AxisRow::ClearOut, m_axis));
    m_captions.compareFieldsEnabled = entry.compareRunning == 0;
    m_captions.linkFieldsEnabled = !m_linked;
}

int SingleAxisLogic::axisType() const
{
    return TruncateToInt(m_table.at(AxisRow::Atype, m_axis));
}

// The check box has no language file key: without this it would keep its
// built-in Chinese caption, or the caption of the axis shown before.
void SingleAxisLogic::updateJogCaption()
{
    m_captions.jog = Text(m_fields.jogMode ? PanelText::Jog : PanelText::Step, m_language);
}

void SingleAxisLogic::updateLinkCaption()
{
    m_captions.link = Text(m_linked ? PanelText::StopLink : PanelText::StartLink, m_language);
}

bool SingleAxisLogic::refuseWhenLinked()
{
    if (!m_linked)
        return false;
    m_messages.inform(Text(PanelText::Linked, m_language));
    return true;
}

void SingleAxisLogic::sendMoveSettings()
{
    m_port->set(FormatCommand("SPEED(%d)=%f", m_axis, D(m_fields.moveSpeed)));
    m_port->set(FormatCommand("SRAMP(%d)=%f", m_axis, D(m_fields.moveSramp)));
    m_port->set(FormatCommand("ACCEL(%d)=%f", m_axis, D(m_fields.moveAccel)));
    m_port->set(FormatCommand("DECEL(%d)=%f", m_axis, D(m_fields.moveDecel)));
}

void SingleAxisLogic::toggleEnable()
{
    if (!m_port)
        return;
    const int wanted = m_enableState ? 0 : 1;
    const std::string command = m_enableOutput >= 0 && axisType() < kFirstBusAxisType
                                    ? FormatCommand("op(%d,%d)", m_enableOutput, wanted)
                                    : FormatCommand("AXIS_ENABLE(%d)=%d", m_axis, wanted);
    if (m_port->set(command) == 0)
        m_enableState = wanted;
}

void SingleAxisLogic::toggleClear()
{
    if (!m_port)
        return;
    if (m_clearOutput >= 0 && axisType() < kFirstBusAxisType) {
        const int wanted = m_clearState ? 0 : 1;
        if (m_port->set(FormatCommand("op(%d,%d)", m_clearOutput, wanted)) == 0)
            m_clearState = wanted;
        return;
    }
    m_port->setBuffered(FormatCommand("BASE(%d)\r\nDATUM(0)\r\nDRIVE_CLEAR(%d)", m_axis, 0));
}

void SingleAxisLogic::startHoming()
{
    if (!m_port || refuseWhenLinked())
        return;
    const AxisPanelEntry& f = m_fields;
    m_port->set(FormatCommand("SPEED(%d)=%f", m_axis, D(f.homingHighSpeed)));
    m_port->set(FormatCommand("CREEP(%d)=%f", m_axis, D(f.homingCreepSpeed)));
    m_port->set(FormatCommand("ACCEL(%d)=%f", m_axis, D(f.homingAccel)));
    m_port->set(FormatCommand("DECEL(%d)=%f", m_axis, D(f.homingDecel)));
    if (f.homingSource == 1) {
        m_port->set(FormatCommand("DATUM_OFFSET(%d)=%f", m_axis, D(f.originOffset)));
        if (axisType() >= kFirstBusAxisType)
            m_port->set(FormatCommand("AXIS_STOPREASON(%d) = 0\r\nDATUM(21,%d) AXIS(%d)", m_axis,
                                      f.homingModeIndex, m_axis));
        else
            m_messages.inform(Text(PanelText::Unsupported, m_language));
        return;
    }
    m_port->set(FormatCommand("DATUM_OFFSET(%d)=%f", m_axis, 0.0));
    m_port->set(cmd::HomingScriptText(m_axis, DatumModeOfIndex(f.homingModeIndex),
                                      f.homingHighSpeed, f.homingCreepSpeed, f.originOffset)
                    .str());
}

void SingleAxisLogic::stopHoming()
{
    if (m_port)
        m_port->set(FormatCommand("CANCEL(%d) AXIS(%d)", 2, m_axis));
}

void SingleAxisLogic::zeroPosition()
{
    if (!m_port || remembered().reciprocationActive == 1)
        return;
    m_port->set(FormatCommand("MPOS(%d)=%f", m_axis, 0.0));
    m_port->set(FormatCommand("DPOS(%d)=%f", m_axis, 0.0));
}

void SingleAxisLogic::selectHomingSource(int source)
{
    m_fields.homingSource = source;
    remembered().homingSource = source;
    m_fields.homingModeIndex = 2; // saved with the next save
}

void SingleAxisLogic::setJogMode(bool jog)
{
    m_fields.jogMode = jog ? 1 : 0;
    remembered().jogMode = m_fields.jogMode;
    updateJogCaption();
}

void SingleAxisLogic::setSingleLatch(bool single)
{
    m_fields.singleLatch = single ? 1 : 0;
    remembered().singleLatch = m_fields.singleLatch;
    m_captions.singleLatch =
        Text(single ? PanelText::SingleRegist : PanelText::LoopRegist, m_language);
}

void SingleAxisLogic::pressDirection(bool forward)
{
    if (!m_port || remembered().reciprocationActive == 1 || refuseWhenLinked())
        return;
    sendMoveSettings();
    if (m_fields.jogMode) {
        m_port->set(FormatCommand("VMOVE(%d) AXIS(%d)", forward ? 1 : -1, m_axis));
    } else if (m_fields.absoluteMode == 1) {
        m_port->sendWithoutReply(
            FormatCommand("MOVEABS(%f) AXIS(%d)", D(m_fields.stepDistance), m_axis));
    } else {
        const float distance = forward ? m_fields.stepDistance : -m_fields.stepDistance;
        m_port->sendWithoutReply(FormatCommand("MOVE(%f) AXIS(%d)", D(distance), m_axis));
    }
}

void SingleAxisLogic::releaseDirection()
{
    if (!m_port || m_linked || !m_fields.jogMode)
        return;
    const std::string cancel = FormatCommand("CANCEL(%d) AXIS(%d)", 2, m_axis);
    if (m_port->set(cancel) != 0)
        m_port->set(cancel);
}

bool SingleAxisLogic::startReciprocation()
{
    if (!m_port || refuseWhenLinked())
        return false;
    AxisPanelEntry& entry = remembered();
    if (entry.reciprocationActive == 1)
        return false;
    sendMoveSettings();
    // The feed reads the move settings from the memory, so they go there now.
    saveFields();
    entry.reciprocationActive = 1;
    entry.cyclesDone = 0.0f;
    return true;
}

void SingleAxisLogic::stopReciprocation()
{
    if (m_port)
        m_port->set(FormatCommand("CANCEL(%d) AXIS(%d)", 2, m_axis));
    remembered().reciprocationActive = 0;
    remembered().cyclesDone = 0.0f;
}

void SingleAxisLogic::changeSpeed()
{
    if (m_port)
        sendMoveSettings();
}

void SingleAxisLogic::changeTarget()
{
    if (!m_port || m_fields.absoluteMode != 1)
        return;
    m_port->sendWithoutReply(FormatCommand("BASE(%d)", m_axis));
    m_port->sendWithoutReply(FormatCommand("MOVEMODIFY(%f)", D(m_fields.stepDistance)));
}

void SingleAxisLogic::stopAll()
{
    if (!m_port || m_port->sendWithoutReply(FormatCommand("RAPIDSTOP(%d)", 2)) != 0)
        return;
    for (int axis = 0; axis < kAxisCount; ++axis) {
        m_memory.at(m_slot, axis).cyclesDone = 0.0f;
        m_memory.at(m_slot, axis).reciprocationActive = 0;
    }
}

void SingleAxisLogic::toggleLatch()
{
    if (!m_port)
        return;
    if (std::find(kLatchAxisTypes.begin(), kLatchAxisTypes.end(), axisType()) ==
        kLatchAxisTypes.end()) {
        m_messages.inform(Text(PanelText::LatchRefused, m_language));
        return;
    }
    if (m_port->sendWithoutReply(
            FormatCommand("REGIST(%d) AXIS(%d)", m_fields.latchModeIndex, m_axis)) != 0)
        return;
    AxisPanelEntry& entry = remembered();
    entry.latchRunning = entry.latchRunning ? 0 : 1;
    m_captions.latch =
        Text(entry.latchRunning ? PanelText::StopRegist : PanelText::StartRegist, m_language);
}

void SingleAxisLogic::toggleCompare()
{
    if (!m_port)
        return;
    const int comparator = m_fields.comparatorNumber;
    if (comparator < 0 || comparator >= ComparatorRegistry::kComparatorCount) {
        m_messages.inform(Text(PanelText::ComparatorRange, m_language));
        return;
    }
    AxisPanelEntry& entry = remembered();
    int enable = 0;
    if (entry.compareRunning == 1) {
        m_captions.compareFieldsEnabled = true;
        m_comparators.set(comparator, -1);
        entry.compareRunning = 0;
        m_captions.compare = Text(PanelText::StartPswitch, m_language);
    } else {
        const int owner = m_comparators.owner(comparator);
        if (owner != -1 &&
            !m_messages.confirmOkCancel(Text(PanelText::ComparatorOverwrite, m_language)))
            return;
        m_captions.compareFieldsEnabled = false;
        if (owner != -1 && owner != m_axis)
            m_memory.at(m_slot, owner).compareRunning = 0;
        m_comparators.set(comparator, m_axis);
        entry.compareRunning = 1;
        m_captions.compare = Text(PanelText::StopPswitch, m_language);
        enable = 1;
    }
    m_port->setBuffered(FormatCommand("PSWITCH(%d,%d,%d,%d,%d,%f,%f)", comparator, enable, m_axis,
                                      m_fields.compareOutputNumber, m_fields.compareOutputState,
                                      D(m_fields.comparePosition1), D(m_fields.comparePosition2)));
}

void SingleAxisLogic::trigger()
{
    if (m_port)
        m_port->setBuffered("TRIGGER");
}

void SingleAxisLogic::toggleLink()
{
    if (!m_port)
        return;
    if (m_fields.masterAxis == m_axis) {
        m_messages.inform(Text(PanelText::MasterIsSelf, m_language));
        return;
    }
    if (m_linked) {
        if (m_port->set(FormatCommand("CANCEL(%d) AXIS(%d)", 2, m_axis)) != 0)
            return;
        m_linked = false;
    } else {
        if (m_port->sendWithoutReply(FormatCommand("CONNECT(%f,%d) AXIS(%d)", D(m_fields.syncRatio),
                                                   m_fields.masterAxis, m_axis)) != 0)
            return;
        m_linked = true;
    }
    updateLinkCaption();
    m_captions.linkFieldsEnabled = !m_linked;
}

void SingleAxisLogic::refreshOutputNumbers()
{
    if (!m_port)
        return;
    for (const auto& [row, name] :
         {std::pair{AxisRow::EnableOut, "ENABLE_OUT"}, std::pair{AxisRow::ClearOut, "CLEAR_OUT"}}) {
        float value = -1.0f;
        if (m_port->readRange(name, m_axis, std::span(&value, 1)) != 0)
            value = -1.0f;
        m_table.set(row, m_axis, value);
    }
    // The activation took the numbers from the table before this read; with
    // those, a panel opened before the grid ever loaded would switch output 0
    // of an axis that has no enable or clear output.
    m_enableOutput = TruncateToInt(m_table.at(AxisRow::EnableOut, m_axis));
    m_clearOutput = TruncateToInt(m_table.at(AxisRow::ClearOut, m_axis));
}

LampStates SingleAxisLogic::pollLamps(int eciFlag)
{
    LampStates lamps;
    const int bits = TruncateToInt(m_table.at(AxisRow::AxisStatus, m_axis));
    lamps.negativeLimit = bits & 0x20;
    lamps.positiveLimit = bits & 0x10;
    lamps.servoAlarm = bits & (0x4 | 0x8 | 0x400000);
    if (!m_port)
        return lamps;
    const int datumInput = TruncateToInt(m_table.at(AxisRow::DatumIn, m_axis));
    if (datumInput >= 0) {
        const int state = QueryInt(*m_port, FormatCommand("?IN(%d)", datumInput)).value_or(1);
        lamps.origin = eciFlag == 1 ? state == 1 : state == 0;
    }
    if (m_comparators.owner(m_fields.comparatorNumber) != -1)
        lamps.compareOutput =
            QueryInt(*m_port, FormatCommand("?OP(%d)", m_fields.compareOutputNumber)) == 1;
    const int type = axisType();
    std::optional<int> enable;
    if (m_enableOutput >= 0 && type < kFirstBusAxisType)
        enable = QueryInt(*m_port, FormatCommand("?OP(%d)", m_enableOutput));
    else if (type >= kFirstBusAxisType)
        enable = QueryInt(*m_port, FormatCommand("?AXIS_ENABLE(%d)", m_axis));
    if (enable)
        m_enableState = *enable;
    lamps.enable = enable && m_enableState == 1;
    if (m_clearOutput >= 0 && type < kFirstBusAxisType) {
        if (const std::optional<int> clear =
                QueryInt(*m_port, FormatCommand("?OP(%d)", m_clearOutput)))
            m_clearState = *clear;
        lamps.clear = m_clearState == 1;
    }
    return lamps;
}

void SingleAxisLogic::updateLatchCaptions()
{
    char positions[128];
    std::snprintf(positions, sizeof positions, "Rrg_pos：%.3f\tRrg_posB：%.3f",
                  D(m_latchedPosition), D(m_latchedPositionB));
    m_captions.latchPositions = positions;
}

void SingleAxisLogic::pollLatch()
{
    AxisPanelEntry& entry = remembered();
    if (!m_port || entry.latchRunning != 1)
        return;
    const bool mark = QueryInt(*m_port, FormatCommand("?MARK(%d)", m_axis)) == -1;
    const bool markB = QueryInt(*m_port, FormatCommand("?MARKB(%d)", m_axis)) == -1;
    if (mark)
        if (const auto position = QueryFloat(*m_port, FormatCommand("?REG_POS(%d)", m_axis)))
            m_latchedPosition = *position;
    if (markB)
        if (const auto position = QueryFloat(*m_port, FormatCommand("?REG_POSB(%d)", m_axis)))
            m_latchedPositionB = *position;
    const bool chinese = m_language == 1;
    m_captions.latchState =
        std::string(mark ? (chinese ? "Mark：触发\t" : "Mark：Trigger\t")
                         : (chinese ? "Mark：未触发\t" : "Mark：Not Trigger\t")) +
        (markB ? (chinese ? "MarkB：触发" : "MarkB：Trigger")
               : (chinese ? "MarkB：未触发" : "MarkB：Not Trigger"));
    updateLatchCaptions();
    const bool complete = ((mark || markB) && entry.latchModeIndex < 5) || (mark && markB);
    if (!complete)
        return;
    if (entry.singleLatch) {
        entry.latchRunning = 0;
        m_captions.latch = Text(PanelText::StartRegist, m_language);
    } else {
        m_port->sendWithoutReply(
            FormatCommand("REGIST(%d) AXIS(%d)", m_fields.latchModeIndex, m_axis));
    }
}

void SingleAxisLogic::pollLink()
{
    if (!m_port)
        return;
    if (const std::optional<int> moveType =
            QueryInt(*m_port, FormatCommand("?MTYPE(%d)", m_axis))) {
        m_linked = *moveType == kLinkedMoveType;
        updateLinkCaption();
    }
}

void SingleAxisLogic::saveFields()
{
    AxisPanelEntry& entry = remembered();
    const AxisPanelEntry runFlags = entry;
    entry = m_fields;
    entry.cyclesDone = runFlags.cyclesDone;
    entry.reciprocationActive = runFlags.reciprocationActive;
    entry.latchRunning = runFlags.latchRunning;
    entry.compareRunning = runFlags.compareRunning;
}

} // namespace korvan::axis
