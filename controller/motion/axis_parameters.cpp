// The name table of axis parameters and status values.
#include "controller/motion/axis_parameters.h"
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace korvan::motion {

namespace {

MotionResult readOnly(MotionEngine&, int, double)
{
    return MotionResult::ReadOnly;
}

// Parameters stored as plain fields: name, field, kind (D double, I integer).
#define KORVAN_AXIS_FIELDS(X)                                                                      \
    X("ACCEL", accel, D)                                                                           \
    X("ALM_IN", almIn, I)                                                                          \
    X("ATYPE", atype, I)                                                                           \
    X("AXIS_ADDRESS", axisAddress, I)                                                              \
    X("CORNER_MODE", cornerMode, I)                                                                \
    X("CREEP", creep, D)                                                                           \
    X("DATUM_IN", datumIn, I)                                                                      \
    X("DATUM_OFFSET", datumOffset, D)                                                              \
    X("DECEL", decel, D)                                                                           \
    X("DECEL_ANGLE", decelAngle, D)                                                                \
    X("ENDMOVE_SPEED", endMoveSpeed, D)                                                            \
    X("FASTDEC", fastdec, D)                                                                       \
    X("FE_LIMIT", feLimit, D)                                                                      \
    X("FORCE_SPEED", forceSpeed, D)                                                                \
    X("FS_LIMIT", fsLimit, D)                                                                      \
    X("FULL_SP_RADIUS", fullSpRadius, D)                                                           \
    X("FWD_IN", fwdIn, I)                                                                          \
    X("INVERT_STEP", invertStep, I)                                                                \
    X("LSPEED", lspeed, D)                                                                         \
    X("MERGE", merge, I)                                                                           \
    X("MOVE_MARK", moveMark, I)                                                                    \
    X("REV_IN", revIn, I)                                                                          \
    X("RS_LIMIT", rsLimit, D)                                                                      \
    X("SPEED", speed, D)                                                                           \
    X("SRAMP", sramp, D)                                                                           \
    X("STARTMOVE_SPEED", startMoveSpeed, D)                                                        \
    X("STOP_ANGLE", stopAngle, D)                                                                  \
    X("UNITS", units, D)                                                                           \
    X("ZSMOOTH", zsmooth, D)

// Read-only status values: name, expression on AxisStatus s.
#define KORVAN_STATUS_FIELDS(X)                                                                    \
    X("AXISSTATUS", s.axisStatus)                                                                  \
    X("DAC_OUT", s.dacOut)                                                                         \
    X("ENCODER", static_cast<double>(s.encoder))                                                   \
    X("ENDMOVE", s.endmove)                                                                        \
    X("ENDMOVE_BUFFER", s.endmoveBuffer)                                                           \
    X("IDLE", s.idle)                                                                              \
    X("LOADED", s.loaded)                                                                          \
    X("MARK", s.mark)                                                                              \
    X("MARKB", s.markB)                                                                            \
    X("MARKC", s.markC)                                                                            \
    X("MARKD", s.markD)                                                                            \
    X("MOVE_CURMARK", s.moveCurmark)                                                               \
    X("MSPEED", s.mspeed)                                                                          \
    X("MTYPE", s.mtype)                                                                            \
    X("REG_POS", s.regPos)                                                                         \
    X("REG_POSB", s.regPosB)                                                                       \
    X("REG_POSC", s.regPosC)                                                                       \
    X("REG_POSD", s.regPosD)                                                                       \
    X("VECTOR_BUFFERED", s.vectorBuffered)                                                         \
    X("VP_SPEED", s.vpSpeed)                                                                       \
    X("FE", s.dpos - s.mpos)

bool toInt(double v, int& out)
{
    if (!std::isfinite(v) || v > 2147483647.0 || v < -2147483648.0)
        return false;
    out = static_cast<int>(v);
    return true;
}

#define KORVAN_FIELD_D(field)                                                                      \
    [](MotionEngine& e, int axis, double v) {                                                      \
        if (!std::isfinite(v))                                                                     \
            return MotionResult::BadArgument;                                                      \
        e.parameters(axis).field = v;                                                              \
        return MotionResult::Ok;                                                                   \
    }
#define KORVAN_FIELD_I(field)                                                                      \
    [](MotionEngine& e, int axis, double v) {                                                      \
        int i = 0;                                                                                 \
        if (!toInt(v, i))                                                                          \
            return MotionResult::BadArgument;                                                      \
        e.parameters(axis).field = i;                                                              \
        return MotionResult::Ok;                                                                   \
    }
#define KORVAN_PARAM_ENTRY(name, field, kind)                                                      \
    ParameterBinding{name,                                                                         \
                     [](const MotionEngine& e, int axis) {                                         \
                         return static_cast<double>(e.parameters(axis).field);                     \
                     },                                                                            \
                     KORVAN_FIELD_##kind(field)},
#define KORVAN_STATUS_ENTRY(name, expr)                                                            \
    ParameterBinding{name,                                                                         \
                     [](const MotionEngine& e, int axis) {                                         \
                         const AxisStatus& s = e.status(axis);                                     \
                         return static_cast<double>(expr);                                         \
                     },                                                                            \
                     &readOnly},

// Values whose writes are commands.
constexpr ParameterBinding kCommandEntries[] = {
    {"AXIS_ENABLE", [](const MotionEngine& e, int a) { return double(e.status(a).enabled); },
     [](MotionEngine& e, int a, double v) { return e.setAxisEnable(a, v != 0); }},
    {"AXIS_STOPREASON", [](const MotionEngine& e, int a) { return double(e.status(a).stopReason); },
     [](MotionEngine& e, int a, double v) {
         int i = 0;
         return toInt(v, i) ? e.setStopReason(a, static_cast<std::uint32_t>(i))
                            : MotionResult::BadArgument;
     }},
    {"SERVO", [](const MotionEngine& e, int a) { return double(e.parameters(a).servo); },
     [](MotionEngine& e, int a, double v) {
         return std::isfinite(v) ? e.setServo(a, v != 0) : MotionResult::BadArgument;
     }},
    {"DPOS", [](const MotionEngine& e, int a) { return e.status(a).dpos; },
     [](MotionEngine& e, int a, double v) {
         return std::isfinite(v) ? e.setDpos(a, v) : MotionResult::BadArgument;
     }},
    {"MPOS", [](const MotionEngine& e, int a) { return e.status(a).mpos; },
     [](MotionEngine& e, int a, double v) {
         return std::isfinite(v) ? e.setMpos(a, v) : MotionResult::BadArgument;
     }},
};

constexpr ParameterBinding kFieldEntries[] = {KORVAN_AXIS_FIELDS(KORVAN_PARAM_ENTRY)
                                                  KORVAN_STATUS_FIELDS(KORVAN_STATUS_ENTRY)};

constexpr std::size_t kEntryCount = std::size(kCommandEntries) + std::size(kFieldEntries);

std::array<ParameterBinding, kEntryCount> buildTable()
{
    std::array<ParameterBinding, kEntryCount> table{};
    auto out = std::copy(std::begin(kCommandEntries), std::end(kCommandEntries), table.begin());
    std::copy(std::begin(kFieldEntries), std::end(kFieldEntries), out);
    std::sort(table.begin(), table.end(),
              [](const ParameterBinding& a, const ParameterBinding& b) { return a.name < b.name; });
    return table;
}

const std::array<ParameterBinding, kEntryCount> kTable = buildTable();

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::span<const ParameterBinding> parameterBindings()
{
    return kTable;
}

bool isWritable(const ParameterBinding& binding)
{
    return binding.set != nullptr && binding.set != &readOnly;
}

const ParameterBinding* findParameter(std::string_view name)
{
    for (const ParameterBinding& b : kTable)
        if (equalsIgnoreCase(b.name, name))
            return &b;
    return nullptr;
}

} // namespace korvan::motion
