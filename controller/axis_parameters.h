// The axis parameters: one table gives each parameter's name, factory value
// and access, and the enum used to address it. Values live in a
// ParameterTable; an entry either stores its values or is bound to getter
// and setter functions, which is how the motion engine takes over the
// motion parameters and status values it owns.
#pragma once

#include "controller/basic/diagnostics.h"

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace korvan::controller {

namespace ParamFlag {
inline constexpr unsigned Integer = 1;    // written values are truncated toward zero
inline constexpr unsigned ReadOnly = 2;   // status, written by the controller only
inline constexpr unsigned Declarable = 4; // "GLOBAL NAME(n)" of a start-up file is accepted
inline constexpr unsigned ModeArg = 8;    // "NAME(mode) AXIS(n)": the argument is no axis
} // namespace ParamFlag

// X(NAME, factory value, flags)
#define KORVAN_AXIS_PARAMETERS(X)                                                                  \
    X(ATYPE, 0, ParamFlag::Integer)                                                                \
    X(UNITS, 1, 0)                                                                                 \
    X(LSPEED, 0, 0)                                                                                \
    X(SPEED, 100, 0)                                                                               \
    X(ACCEL, 1000, 0)                                                                              \
    X(DECEL, 1000, 0)                                                                              \
    X(FASTDEC, 0, 0)                                                                               \
    X(SRAMP, 0, 0)                                                                                 \
    X(CREEP, 10, 0)                                                                                \
    X(FS_LIMIT, 200000000, 0)                                                                      \
    X(RS_LIMIT, -200000000, 0)                                                                     \
    X(INVERT_STEP, 0, ParamFlag::Integer)                                                          \
    X(DATUM_IN, -1, ParamFlag::Integer)                                                            \
    X(FWD_IN, -1, ParamFlag::Integer)                                                              \
    X(REV_IN, -1, ParamFlag::Integer)                                                              \
    X(ALM_IN, -1, ParamFlag::Integer)                                                              \
    X(ENABLE_OUT, -1, ParamFlag::Integer | ParamFlag::Declarable)                                  \
    X(CLEAR_OUT, -1, ParamFlag::Integer | ParamFlag::Declarable)                                   \
    X(AXIS_ADDRESS, -1, ParamFlag::Integer)                                                        \
    X(DATUM_OFFSET, 0, 0)                                                                          \
    X(MERGE, 0, ParamFlag::Integer)                                                                \
    X(CORNER_MODE, 0, ParamFlag::Integer)                                                          \
    X(DECEL_ANGLE, 0.2618, 0) /* radians (15 degrees), as the teach panel sends them */            \
    X(STOP_ANGLE, 0.7854, 0)  /* 45 degrees */                                                     \
    X(FULL_SP_RADIUS, 0, 0)                                                                        \
    X(ZSMOOTH, 0, 0)                                                                               \
    X(FORCE_SPEED, 100, 0)                                                                         \
    X(STARTMOVE_SPEED, -1, 0) /* -1: an SP move keeps the speed it meets */                        \
    X(ENDMOVE_SPEED, -1, 0)                                                                        \
    X(FE_LIMIT, 1000, 0)                                                                           \
    X(AXIS_STOPREASON, 0, ParamFlag::Integer)                                                      \
    X(AXIS_ENABLE, 1, ParamFlag::Integer)                                                          \
    X(SERVO, 1, ParamFlag::Integer)                                                                \
    X(MOVE_MARK, 0, ParamFlag::Integer)                                                            \
    X(DPOS, 0, 0)                                                                                  \
    X(MPOS, 0, 0)                                                                                  \
    X(OFFPOS, 0, 0)                                                                                \
    X(VP_SPEED, 0, ParamFlag::ReadOnly)                                                            \
    X(MSPEED, 0, ParamFlag::ReadOnly)                                                              \
    X(IDLE, -1, ParamFlag::ReadOnly | ParamFlag::Integer)                                          \
    X(AXISSTATUS, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                     \
    X(MTYPE, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                          \
    X(ENDMOVE, 0, ParamFlag::ReadOnly)                                                             \
    X(ENDMOVE_BUFFER, 0, ParamFlag::ReadOnly)                                                      \
    X(REMAIN_BUFFER, 4096, ParamFlag::ReadOnly | ParamFlag::Integer | ParamFlag::ModeArg)          \
    X(VECTOR_BUFFERED, 0, ParamFlag::ReadOnly)                                                     \
    X(LOADED, -1, ParamFlag::ReadOnly | ParamFlag::Integer)                                        \
    X(MOVE_CURMARK, -1, ParamFlag::ReadOnly | ParamFlag::Integer)                                  \
    X(MARK, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                           \
    X(MARKB, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                          \
    X(MARKC, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                          \
    X(MARKD, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                          \
    X(REG_POS, 0, ParamFlag::ReadOnly)                                                             \
    X(REG_POSB, 0, ParamFlag::ReadOnly)                                                            \
    X(REG_POSC, 0, ParamFlag::ReadOnly)                                                            \
    X(REG_POSD, 0, ParamFlag::ReadOnly)                                                            \
    X(ENCODER, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                        \
    X(DAC_OUT, 0, ParamFlag::ReadOnly | ParamFlag::Integer)                                        \
    X(FE, 0, ParamFlag::ReadOnly)

enum class AxisParam
{
#define KORVAN_AXIS_PARAM_ENUM(name, factory, flags) name,
    KORVAN_AXIS_PARAMETERS(KORVAN_AXIS_PARAM_ENUM)
#undef KORVAN_AXIS_PARAM_ENUM
        Count
};

struct AxisParameterSpec
{
    std::string_view name;
    double factory;
    unsigned flags;
    AxisParam id;
};

/// The parameter of that upper-case name, or null.
const AxisParameterSpec* findAxisParameter(std::string_view upperName);
/// The specification of a parameter.
const AxisParameterSpec& axisParameterSpec(AxisParam id);

// Getter and setter through which a module owns a parameter. The setter may
// refuse a value with a controller code.
struct ParameterBinding
{
    std::function<double(int axis)> get;
    std::function<basic::ErrorCode(int axis, double value)> set; // null: read-only
};

/// For ModeArg entries: the value for a mode ("REMAIN_BUFFER(7)"), mode 0 when
/// none is given.
using ModeGetter = std::function<double(int axis, int mode)>;

class ParameterTable
{
public:
    explicit ParameterTable(int axisCount);

    int axisCount() const { return m_axisCount; }
    double get(AxisParam id, int axis) const;
    /// The value of a ModeArg entry for a mode.
    double get(AxisParam id, int axis, int mode) const;
    /// Writes one axis's value; refuses read-only entries and bad axes.
    basic::ErrorCode set(AxisParam id, int axis, double value);
    /// Writes a status value of a stored entry, read-only or not.
    void store(AxisParam id, int axis, double value);
    /// Routes an entry through functions from now on.
    void bind(AxisParam id, ParameterBinding binding);
    /// Answers a bound ModeArg entry per mode (unbind() removes it too).
    void bindMode(AxisParam id, ModeGetter getter);
    /// Makes an entry a stored one again.
    void unbind(AxisParam id);
    /// The value reset() restores for one axis (0 for a bad axis).
    double factory(AxisParam id, int axis) const;
    /// Sets the value that reset() restores for one axis.
    void setFactory(AxisParam id, int axis, double value);
    /// Restores every stored entry to its factory values.
    void reset();

private:
    struct Entry
    {
        std::vector<double> values;
        std::vector<double> factory;
        std::optional<ParameterBinding> binding;
        ModeGetter modeGetter;
    };
    int m_axisCount;
    std::vector<Entry> m_entries;
};

} // namespace korvan::controller
