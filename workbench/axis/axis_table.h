// The process-wide axis stores: the parameter and status table of up to 128
// axes, and what the single-axis panel remembers per connection and axis.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvan::axis {

inline constexpr int kAxisCount = 128;
inline constexpr int kAxisRowCount = 28;
inline constexpr int kSlotCount = 30;

/// Rows of AxisTable, named after the Korbasic parameter they hold.
enum class AxisRow : int
{
    Atype = 0,
    Units = 1,
    Lspeed = 2,
    Speed = 3,
    Accel = 4,
    Decel = 5,
    Fastdec = 6,
    Sramp = 7,
    FsLimit = 8,
    RsLimit = 9,
    StepRatio1 = 10,
    EncoderRatio1 = 11,
    InvertStep = 12,
    DatumIn = 13,
    FwdIn = 14,
    RevIn = 15,
    AlmIn = 16,
    StepRatio2 = 17,
    EncoderRatio2 = 18,
    Dpos = 19,
    Mpos = 20,
    VpSpeed = 21,
    Mspeed = 22,
    Idle = 23,
    AxisStatus = 24,
    Mtype = 25,
    EnableOut = 26,
    ClearOut = 27,
};

/// 28 rows by 128 axes of floats, all 0 at start; one table for the process.
class AxisTable
{
public:
    using Row = std::array<float, kAxisCount>;

    /// The value of a row for an axis (0 to 127).
    float at(AxisRow row, int axis) const { return m_rows[index(row)][axis]; }
    /// Sets the value of a row for an axis (0 to 127).
    void set(AxisRow row, int axis, float value) { m_rows[index(row)][axis] = value; }
    /// A whole row, for the block readers.
    Row& row(AxisRow row) { return m_rows[index(row)]; }
    const Row& row(AxisRow row) const { return m_rows[index(row)]; }

private:
    static constexpr std::size_t index(AxisRow row) { return static_cast<std::size_t>(row); }
    std::array<Row, kAxisRowCount> m_rows{};
};

/// Integer-valued table entries are truncated toward zero; values outside the
/// int range saturate and NaN gives 0 instead of undefined behaviour.
int TruncateToInt(float value);

/// atof and atoi as the editors and files read numbers: the leading number
/// in the C number format, 0 when there is none; atoi saturates at the int range.
double ReadLeadingReal(const std::string& text);
int ReadLeadingInt(const std::string& text);

// X-macro list of the panel memory fields: (type, member, start value).
#define KORVAN_AXIS_PANEL_FIELDS(X)                                                                \
    X(int, homingSource, 0)                                                                        \
    X(int, homingModeIndex, 2)                                                                     \
    X(float, homingHighSpeed, 100.0f)                                                              \
    X(float, homingCreepSpeed, 10.0f)                                                              \
    X(float, originOffset, 0.0f)                                                                   \
    X(float, homingAccel, 1000.0f)                                                                 \
    X(float, homingDecel, 1000.0f)                                                                 \
    X(float, moveSpeed, 100.0f)                                                                    \
    X(float, moveSramp, 0.0f)                                                                      \
    X(float, moveAccel, 1000.0f)                                                                   \
    X(float, moveDecel, 1000.0f)                                                                   \
    X(std::uint8_t, jogMode, 1)                                                                    \
    X(float, stepDistance, 1.0f)                                                                   \
    X(int, absoluteMode, 0)                                                                        \
    X(float, reciprocationPosition1, 0.0f)                                                         \
    X(float, reciprocationPosition2, 100.0f)                                                       \
    X(float, inPositionDelay, 0.0f)                                                                \
    X(float, cycleCount, 1.0f)                                                                     \
    X(float, cyclesDone, 0.0f)                                                                     \
    X(int, reciprocationActive, 0)                                                                 \
    X(int, latchModeIndex, 3)                                                                      \
    X(int, singleLatch, 1)                                                                         \
    X(int, latchRunning, 0)                                                                        \
    X(int, comparatorNumber, 0)                                                                    \
    X(int, compareOutputNumber, 0)                                                                 \
    X(int, compareOutputState, 1)                                                                  \
    X(float, comparePosition1, 0.0f)                                                               \
    X(float, comparePosition2, 100.0f)                                                             \
    X(int, compareRunning, 0)                                                                      \
    X(int, masterAxis, 0)                                                                          \
    X(float, syncRatio, 1.0f)

/// The values the single-axis panel remembers for one connection and axis.
struct AxisPanelEntry
{
#define KORVAN_AXIS_PANEL_MEMBER(type, name, start) type name = start;
    KORVAN_AXIS_PANEL_FIELDS(KORVAN_AXIS_PANEL_MEMBER)
#undef KORVAN_AXIS_PANEL_MEMBER
};

/// 30 slots by 128 axes of panel values, each starting at its start value.
class AxisPanelMemory
{
public:
    /// The entry of (slot 0..29, axis 0..127).
    AxisPanelEntry& at(int slot, int axis) { return m_entries[slot * kAxisCount + axis]; }
    const AxisPanelEntry& at(int slot, int axis) const
    {
        return m_entries[slot * kAxisCount + axis];
    }

private:
    std::array<AxisPanelEntry, kSlotCount * kAxisCount> m_entries{};
};

} // namespace korvan::axis
