// Every command text the command library's wrappers produce, sent through
// the real wrappers and libkorvan to an in-process controller with the motion
// engine bound: none may be refused, and every query's reply must read back
// with the parser its caller uses. Built once per build of the library (the
// builds differ in separator and argument checks).
#include "cmdlib/axis.h"
#include "cmdlib/block_query.h"
#include "cmdlib/bus.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/execute.h"
#include "cmdlib/io.h"
#include "cmdlib/lib_axis.h"
#include "cmdlib/lib_lists.h"
#include "cmdlib/lib_motion.h"
#include "cmdlib/motion.h"
#include "controller/controller.h"
#include "controller/motion_link.h"
#include "link/korvan.h"
#include "served_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvan::controller::testing {
namespace {

using namespace korvan::cmd;

// A value no reply of these queries holds: still there means nothing was read.
constexpr double kUnread = -98765.0;

struct WrapperCase
{
    std::string label;
    // Runs the wrapper (after any setup the command needs) and stores what a
    // query read in *read.
    std::function<int(ControllerHandle, double* read)> call;
    bool query = false;
    std::optional<double> expected; // the value the query must read back
    // The command another part of the controller still has to provide; the
    // case is skipped, naming it, while the controller refuses it.
    const char* awaits = nullptr;
};

std::ostream& operator<<(std::ostream& out, const WrapperCase& c)
{
    return out << c.label;
}

using Call = std::function<int(ControllerHandle)>;

WrapperCase setter(std::string label, Call call, const char* awaits = nullptr)
{
    return {std::move(label),
            [call](ControllerHandle h, double*) { return call(h); },
            false,
            {},
            awaits};
}

template <typename T>
WrapperCase query(std::string label, std::function<int(ControllerHandle, T*)> call,
                  std::optional<double> expected = {}, const char* awaits = nullptr)
{
    return {std::move(label),
            [call](ControllerHandle h, double* read) {
                T value = static_cast<T>(kUnread);
                const int code = call(h, &value);
                *read = static_cast<double>(value);
                return code;
            },
            true, expected, awaits};
}

// A block reader: count values into a buffer, the last one is checked.
template <typename T>
WrapperCase block(std::string label, int count, std::function<int(ControllerHandle, int, T*)> call,
                  std::optional<double> expected = {}, const char* awaits = nullptr)
{
    return {std::move(label),
            [call, count](ControllerHandle h, double* read) {
                std::vector<T> values(static_cast<std::size_t>(count), static_cast<T>(kUnread));
                const int code = call(h, count, values.data());
                *read = static_cast<double>(values.back());
                return code;
            },
            true, expected, awaits};
}

// Sends text as setup; a failing setup fails the case with its own code.
int prepare(ControllerHandle h, const char* text)
{
    char reply[2048];
    return ExecuteDirect(h, text, reply, sizeof reply);
}

// Declares the node arrays, standing in for the bus program that publishes them.
int declareBusNodeVariables(ControllerHandle h)
{
    CommandText globals;
    for (int i = 0; i < kBusNodeFieldCount; ++i)
        globals.add("%sGLOBAL %s(8)", i ? "\r\n" : "",
                    BusNodeVariable(static_cast<BusNodeField>(i)));
    return prepare(h, globals.c_str());
}

const int kAxes01[] = {0, 1};
const int kAxis1[] = {1};
const float kValues[] = {10.0f, 20.0f};

std::vector<WrapperCase> workbenchSetters()
{
    return {
        setter("SetAccel", [](auto h) { return SetAccel(h, 1, 500); }),
        setter("SetCreep", [](auto h) { return SetCreep(h, 1, 5); }),
        setter("SetDatumOffset", [](auto h) { return SetDatumOffset(h, 1, 2); }),
        setter("SetDecel", [](auto h) { return SetDecel(h, 1, 500); }),
        setter("SetDecelAngle", [](auto h) { return SetDecelAngle(h, 1, 0.25f); }),
        setter("SetDpos", [](auto h) { return SetDpos(h, 1, 3); }),
        setter("SetFastDec", [](auto h) { return SetFastDec(h, 1, 2000); }),
        setter("SetFsLimit", [](auto h) { return SetFsLimit(h, 1, 1000); }),
        setter("SetFullSpRadius", [](auto h) { return SetFullSpRadius(h, 1, 1); }),
        setter("SetLspeed", [](auto h) { return SetLspeed(h, 1, 1); }),
        setter("SetMpos", [](auto h) { return SetMpos(h, 1, 3); }),
        setter("SetRsLimit", [](auto h) { return SetRsLimit(h, 1, -1000); }),
        setter("SetSpeed", [](auto h) { return SetSpeed(h, 1, 50); }),
        setter("SetSramp", [](auto h) { return SetSramp(h, 1, 10); }),
        setter("SetStopAngle", [](auto h) { return SetStopAngle(h, 1, 1); }),
        setter("SetUnits", [](auto h) { return SetUnits(h, 1, 1000); }),
        setter("SetZsmooth", [](auto h) { return SetZsmooth(h, 1, 1); }),
        setter("SetAlmIn", [](auto h) { return SetAlmIn(h, 1, 4); }),
        setter("SetDatumIn", [](auto h) { return SetDatumIn(h, 1, 5); }),
        setter("SetFwdIn", [](auto h) { return SetFwdIn(h, 1, 6); }),
        setter("SetInvertStep", [](auto h) { return SetInvertStep(h, 1, 1); }),
        setter("SetRevIn", [](auto h) { return SetRevIn(h, 1, 7); }),
        setter("SetNamedValue", [](auto h) { return SetNamedValue(h, "P_BusCmd", 2); }),
        setter("SetAout", [](auto h) { return SetAout(h, 1, 100); }),
        setter("SetPwmFreq", [](auto h) { return SetPwmFreq(h, 1, 2000); }),
        setter("SetPwmDuty", [](auto h) { return SetPwmDuty(h, 1, 0.5f); }),
        setter("WriteValues",
               [](auto h) {
                   const int code = prepare(h, "GLOBAL P_NodeMode(8)");
                   return code ? code : WriteValues(h, "P_NodeMode", 1, kValues, 2);
               }),
        setter("WriteValuesEnableOut",
               [](auto h) { return WriteValues(h, "ENABLE_OUT", 1, kValues, 2); }),
        setter("SetStepRatio", [](auto h) { return SetStepRatio(h, 1, 2, 3); }),
        setter("SetEncoderRatio", [](auto h) { return SetEncoderRatio(h, 1, 4, 5); }),
        setter("MoveWait", [](auto h) { return MoveWait(h, 1, 100); }),
        setter("VMove", [](auto h) { return VMove(h, 1, 1); }),
        setter("CancelAxis", [](auto h) { return CancelAxis(h, 1); }),
        setter("Regist", [](auto h) { return Regist(h, 1, 1); }),
        setter("Move", [](auto h) { return Move(h, 10, 1); }),
        setter("MoveAbs", [](auto h) { return MoveAbs(h, -10, 1); }),
        setter("PSwitch", [](auto h) { return PSwitch(h, 0, 1, 1, 3, 1, 10, 20); }),
        setter(
            "DatumWithStopReasonReset", [](auto h) { return DatumWithStopReasonReset(h, 1, 3); },
            "DATUM(21,mode)"),
        setter("BaseList", [](auto h) { return BaseList(h, kAxes01, 2); }),
        setter("MoveSpList", [](auto h) { return MoveSpList(h, kValues, 1); }),
        setter("MoveAbsSpList", [](auto h) { return MoveAbsSpList(h, kValues, 1); }),
        setter("MoveModifyList",
               [](auto h) {
                   const int code = Move(h, 10, 0);
                   return code ? code : MoveModifyList(h, 20);
               }),
        // Modes of operation is an Int 8 object: 9 is cyclic synchronous velocity.
        setter("SdoWrite", [](auto h) { return SdoWrite(h, 1, 0x6060, 0, 2, 9); }),
    };
}

std::vector<WrapperCase> homingCases()
{
    std::vector<WrapperCase> cases;
    for (int mode : {3, 4, 30, 37, 40})
        cases.push_back(setter(
            "RunHomingScriptMode" + std::to_string(mode),
            [mode](auto h) { return RunHomingScript(h, 1, mode, 50, 5, 10) ? 1 : 0; },
            "DATUM of this mode"));
    for (int mode : {31, 32, 33, 34, 35, 36, 38, 39})
        cases.push_back(setter(
            "RunHomingScriptMode" + std::to_string(mode),
            [mode](auto h) { return RunHomingScript(h, 1, mode, 50, 5, 10) ? 1 : 0; },
            "MOVE_PARA"));
    return cases;
}

std::vector<WrapperCase> workbenchQueries()
{
    return {
        query<float>(
            "QueryAxisParameter",
            [](auto h, auto* v) { return QueryAxisParameter(h, "SPEED", 1, v); }, 100),
        query<int32_t>("QueryAxisEnable", [](auto h, auto* v) { return QueryAxisEnable(h, 1, v); }),
        query<int32_t>(
            "QueryIdle", [](auto h, auto* v) { return QueryIdle(h, 1, v); }, -1),
        query<int32_t>("QueryMark", [](auto h, auto* v) { return QueryMark(h, 1, v); }),
        query<int32_t>("QueryMarkB", [](auto h, auto* v) { return QueryMarkB(h, 1, v); }),
        query<int32_t>("QueryMoveCurmark",
                       [](auto h, auto* v) { return QueryMoveCurmark(h, 1, v); }),
        query<int32_t>(
            "QueryMtype", [](auto h, auto* v) { return QueryMtype(h, 1, v); }, 0),
        query<int32_t>("QueryRemainBuffer1",
                       [](auto h, auto* v) { return QueryRemainBuffer1(h, 1, v); }),
        query<int32_t>("QueryRemainBuffer",
                       [](auto h, auto* v) { return QueryRemainBuffer(h, 0, 1, v); }),
        query<float>(
            "QueryEndmoveBuffer", [](auto h, auto* v) { return QueryEndmoveBuffer(h, 1, v); }, 0),
        query<float>("QueryRegPos", [](auto h, auto* v) { return QueryRegPos(h, 1, v); }),
        query<float>("QueryRegPosB", [](auto h, auto* v) { return QueryRegPosB(h, 1, v); }),
        query<float>(
            "QueryNamedValue",
            [](auto h, auto* v) {
                const int code = prepare(h, "GLOBAL P_SetNodeNum\r\nP_SetNodeNum=3");
                return code ? code : QueryNamedValue(h, "P_SetNodeNum", v);
            },
            3),
        query<int32_t>("QueryIn", [](auto h, auto* v) { return QueryIn(h, 1, v); }),
        query<int32_t>(
            "QueryOp",
            [](auto h, auto* v) {
                const int code = prepare(h, "OP(3,1)");
                return code ? code : QueryOp(h, 3, v);
            },
            1),
        query<int32_t>(
            "QueryInvertIn", [](auto h, auto* v) { return QueryInvertIn(h, 1, v); }, 0),
        query<int32_t>("QueryIpAddress", [](auto h, auto* v) { return QueryIpAddress(h, v); }),
        query<int32_t>(
            "QueryPwmCount", [](auto h, auto* v) { return QueryPwmCount(h, v); }, 4),
        query<int32_t>(
            "ProbeSysVersion",
            [](auto h, auto* v) {
                // The bus program publishes Sys_version; stand in for it.
                const int code = prepare(h, "GLOBAL Sys_version\r\nSys_version=1.5");
                *v = ProbeSysVersion(h) ? 1 : 0;
                return code;
            },
            1),
        query<float>(
            "QueryStepRatios",
            [](auto h, auto* v) {
                RatioPairs pairs;
                int code = SetStepRatio(h, 1, 2, 3);
                code = code ? code : QueryStepRatios(h, pairs);
                *v = pairs.count > 1 ? pairs.first[1] / pairs.second[1] : kUnread;
                return code;
            },
            2.0 / 3.0, "?*SET showing the ratio the motion engine keeps"),
        query<float>(
            "QueryEncoderRatios",
            [](auto h, auto* v) {
                RatioPairs pairs;
                int code = SetEncoderRatio(h, 1, 4, 5);
                code = code ? code : QueryEncoderRatios(h, pairs);
                *v = pairs.count > 1 ? pairs.first[1] / pairs.second[1] : kUnread;
                return code;
            },
            0.8, "?*SET showing the ratio the motion engine keeps"),
        // The default profile: three drives and an I/O node on slot 0; bus
        // channels follow the local and module ones (digital from 64,
        // analogue from 8).
        query<int32_t>(
            "QueryNodeCount", [](auto h, auto* v) { return QueryNodeCount(h, 0, v); }, 4),
        query<int32_t>(
            "QueryNodeInfo", [](auto h, auto* v) { return QueryNodeInfo(h, 0, 0, 0, v); }, 1647),
        query<int32_t>(
            "QueryNodeAxisCount", [](auto h, auto* v) { return QueryNodeAxisCount(h, 0, 0, v); },
            1),
        query<int32_t>(
            "QueryNodeIo", [](auto h, auto* v) { return QueryNodeIo(h, 0, 3, v); }, 64),
        query<int32_t>(
            "QueryNodeAio", [](auto h, auto* v) { return QueryNodeAio(h, 0, 3, v); }, 8),
        // A drive no axis drives yet shows cyclic synchronous position (8).
        query<float>(
            "SdoRead", [](auto h, auto* v) { return SdoRead(h, 1, 0x6061, 0, 2, v); }, 8),
        query<float>(
            "ReadBusNodeFields",
            [](auto h, auto* v) {
                const int code = declareBusNodeVariables(h);
                BusNodeFields fields;
                fields.fill(static_cast<float>(kUnread));
                if (code != 0)
                    return code;
                const bool failed = ReadBusNodeFields(h, 2, fields);
                *v = fields.back();
                return failed ? 1 : 0;
            },
            0),
        query<float>(
            "WriteBusNodeFields",
            [](auto h, auto* v) {
                const int code = declareBusNodeVariables(h);
                if (code != 0)
                    return code;
                BusNodeFields fields;
                fields.fill(7.0f);
                if (WriteBusNodeFields(h, 2, fields))
                    return 1;
                BusNodeFields back;
                back.fill(static_cast<float>(kUnread));
                const bool failed = ReadBusNodeFields(h, 2, back);
                *v = back.front();
                return failed ? 1 : 0;
            },
            7),
    };
}

std::vector<WrapperCase> blockReaders()
{
    return {
        block<float>(
            "QueryNamedBlock", 8,
            [](auto h, int n, auto* v) { return QueryNamedBlock(h, "SPEED", n, v); }, 100),
        block<float>(
            "QueryRangeBlock", 8,
            [](auto h, int n, auto* v) { return QueryRangeBlock(h, "ENABLE_OUT", 0, n, v); }, -1),
        block<float>(
            "QueryTableRange", 40,
            [](auto h, int n, auto* v) { return QueryTableRange(h, 0, n, v); }, 0),
        block<int32_t>(
            "QueryInvertInBank", 24,
            [](auto h, int n, auto* v) { return QueryInvertInBank(h, 0, n, v); }, 0),
        block<float>(
            "QueryPwmDutyBank", 4,
            [](auto h, int n, auto* v) { return QueryPwmDutyBank(h, 0, n, v); }, 0),
        block<float>(
            "QueryPwmFreqBank", 4,
            [](auto h, int n, auto* v) { return QueryPwmFreqBank(h, 0, n, v); }, 1000),
        block<float>(
            "QueryVrBlock", 20, [](auto h, int n, auto* v) { return QueryVrBlock(h, 0, n, v); }, 0),
        block<int32_t>(
            "QueryVrIntBlock", 20,
            [](auto h, int n, auto* v) { return QueryVrIntBlock(h, 0, n, v); }, 0),
        block<float>(
            "QueryTableBlock", 20,
            [](auto h, int n, auto* v) { return QueryTableBlock(h, 0, n, v); }, 0),
    };
}

std::vector<WrapperCase> librarySetters()
{
    std::vector<WrapperCase> cases = {
#define KORVAN_LIB_SETTER_CASE(name, format, type)                                                 \
    setter("Lib_Set" #name, [](auto h) { return lib::Set##name(h, 1, static_cast<type>(1)); }),
        KORVAN_LIB_AXIS_SETTERS(KORVAN_LIB_SETTER_CASE)
#undef KORVAN_LIB_SETTER_CASE
#define KORVAN_LIB_DIRECT_CASE(name, format)                                                       \
    setter("Lib_Set" #name "Direct", [](auto h) { return lib::Set##name##Direct(h, 1, 50); }),
            KORVAN_LIB_DIRECT_SETTERS(KORVAN_LIB_DIRECT_CASE)
#undef KORVAN_LIB_DIRECT_CASE
                setter("Lib_SetAxisParameter",
                       [](auto h) { return lib::SetAxisParameter(h, "SPEED", 1, 20); }),
        setter("Lib_SetAxisParameterDirect",
               [](auto h) { return lib::SetAxisParameterDirect(h, "ACCEL", 1, 20); }),
        setter("Lib_SetLimits", [](auto h) { return lib::SetLimits(h, 1, 100, -100); }),
        setter("Lib_SetHomeInputs", [](auto h) { return lib::SetHomeInputs(h, 1, 2, 3, 4); }),
        setter("Lib_BaseList", [](auto h) { return lib::BaseList(h, kAxes01, 2); }),
        setter("Lib_BaseListDirect", [](auto h) { return lib::BaseListDirect(h, kAxes01, 2); }),
        setter("Lib_BaseMoveAbsDirect",
               [](auto h) { return lib::BaseMoveAbsDirect(h, kAxes01, kValues, 2); }),
        setter("Lib_CancelAxesDirect",
               [](auto h) { return lib::CancelAxesDirect(h, 2, kAxes01, 2); }),
        setter("Lib_MoveSpWithProfile",
               [](auto h) { return lib::MoveSpWithProfile(h, 0, 0, 100, kValues, 1); }),
        setter("Lib_MoveResume", [](auto h) { return lib::MoveResume(h); }),
        setter("Lib_MoveResumeDirect", [](auto h) { return lib::MoveResumeDirect(h); }),
    };
    // Float lists act on the BASE axis 1; MOVEMODIFY needs a move to modify.
#define KORVAN_LIB_LIST_CASE(name, opening)                                                        \
    cases.push_back(setter("Lib_FloatList" #name, [](auto h) {                                     \
        int code = lib::BaseList(h, kAxis1, 1);                                                    \
        code = code ? code : lib::Move(h, 10, 1);                                                  \
        return code ? code : lib::SendFloatList(h, lib::FloatList::name, kValues, 1);              \
    }));
    KORVAN_LIB_FLOAT_LISTS(KORVAN_LIB_LIST_CASE)
#undef KORVAN_LIB_LIST_CASE
#define KORVAN_LIB_LIST_CASE(name, opening)                                                        \
    cases.push_back(setter("Lib_DirectFloatList" #name, [](auto h) {                               \
        int code = lib::BaseList(h, kAxis1, 1);                                                    \
        code = code ? code : lib::Move(h, 10, 1);                                                  \
        return code ? code : lib::SendFloatListDirect(h, lib::DirectFloatList::name, kValues, 1);  \
    }));
    KORVAN_LIB_DIRECT_FLOAT_LISTS(KORVAN_LIB_LIST_CASE)
#undef KORVAN_LIB_LIST_CASE
    return cases;
}

// Representative arguments of each library motion command, with the BASE
// list it needs and the command it waits for when another part provides it.
struct MotionArgs
{
    const char* name;
    std::vector<int> base;
    const char* awaits;
};

// A quarter circle (end 10,10 about centre 0,10), arcs and helices on axes
// 0 and 1 (and 2); the rest on axis 1.
std::vector<WrapperCase> libraryMotion()
{
    std::vector<WrapperCase> cases;
    auto add = [&](std::string name, std::vector<int> base, const char* awaits,
                   std::function<int(ControllerHandle)> call) {
        cases.push_back(setter(
            "Lib_" + name,
            [base, call](auto h) {
                const int code = lib::BaseList(h, base.data(), static_cast<int>(base.size()));
                return code ? code : call(h);
            },
            awaits));
    };
    const std::vector<int> xy = {0, 1};
    const std::vector<int> xyz = {0, 1, 2};
    const std::vector<int> one = {1};
#define KORVAN_MOTION_CASE(name, base, awaits, ...)                                                \
    add(#name, base, awaits, [](auto h) { return lib::name(h, __VA_ARGS__); });                    \
    add(#name "Direct", base, awaits, [](auto h) { return lib::name##Direct(h, __VA_ARGS__); });
#define KORVAN_MOTION_CASE_BUFFERED(name, base, awaits, ...)                                       \
    add(#name, base, awaits, [](auto h) { return lib::name(h, __VA_ARGS__); });
    KORVAN_MOTION_CASE(MoveCirc, xy, nullptr, 10, 10, 0, 10, 0)
    KORVAN_MOTION_CASE(MoveCircSp, xy, nullptr, 10, 10, 0, 10, 0)
    KORVAN_MOTION_CASE(MoveCircAbs, xy, nullptr, 10, 10, 0, 10, 0)
    KORVAN_MOTION_CASE(MoveCircAbsSp, xy, nullptr, 10, 10, 0, 10, 0)
    KORVAN_MOTION_CASE(MoveCirc2, xy, nullptr, 5, 5, 10, 0)
    KORVAN_MOTION_CASE(MoveCirc2Abs, xy, nullptr, 5, 5, 10, 0)
    KORVAN_MOTION_CASE(MoveCirc2Sp, xy, nullptr, 5, 5, 10, 0)
    KORVAN_MOTION_CASE(MoveCirc2AbsSp, xy, nullptr, 5, 5, 10, 0)
    KORVAN_MOTION_CASE(MHelical, xyz, "MHELICAL", 10, 10, 0, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelicalAbs, xyz, "MHELICALABS", 10, 10, 0, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelicalSp, xyz, "MHELICALSP", 10, 10, 0, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelicalAbsSp, xyz, "MHELICALABSSP", 10, 10, 0, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelical2, xyz, "MHELICAL2", 5, 5, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelical2Abs, xyz, "MHELICAL2ABS", 5, 5, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelical2Sp, xyz, "MHELICAL2SP", 5, 5, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MHelical2AbsSp, xyz, "MHELICAL2ABSSP", 5, 5, 10, 0, 5, 0)
    KORVAN_MOTION_CASE(MEclipse, xy, "MECLIPSE", 10, 10, 0, 10, 0, 20, 10)
    KORVAN_MOTION_CASE(MEclipseAbs, xy, "MECLIPSEABS", 10, 10, 0, 10, 0, 20, 10)
    KORVAN_MOTION_CASE(MEclipseSp, xy, "MECLIPSESP", 10, 10, 0, 10, 0, 20, 10)
    KORVAN_MOTION_CASE(MEclipseAbsSp, xy, "MECLIPSEABSSP", 10, 10, 0, 10, 0, 20, 10)
    KORVAN_MOTION_CASE(MEclipse8, xyz, "MECLIPSE with 8 arguments", 10, 10, 0, 10, 0, 20, 10, 5)
    KORVAN_MOTION_CASE(MEclipse8Abs, xyz, "MECLIPSEABS with 8 arguments", 10, 10, 0, 10, 0, 20, 10,
                       5)
    KORVAN_MOTION_CASE(MEclipse8Sp, xyz, "MECLIPSESP with 8 arguments", 10, 10, 0, 10, 0, 20, 10, 5)
    KORVAN_MOTION_CASE(MEclipse8AbsSp, xyz, "MECLIPSEABSSP with 8 arguments", 10, 10, 0, 10, 0, 20,
                       10, 5)
    KORVAN_MOTION_CASE(MSpherical, xyz, nullptr, 10, 10, 0, 20, 0, 0, 0)
    KORVAN_MOTION_CASE(MSphericalSp, xyz, nullptr, 10, 10, 0, 20, 0, 0, 0)
    KORVAN_MOTION_CASE(MovePause, one, nullptr, 0)
    KORVAN_MOTION_CASE(MoveOp, one, nullptr, 3, 1)
    KORVAN_MOTION_CASE(MoveOp3, one, "MOVE_OP with 3 arguments", 3, 2, 1)
    KORVAN_MOTION_CASE(MoveOp2, one, "MOVE_OP2", 3, 1, 100)
    KORVAN_MOTION_CASE(MoveWa, one, nullptr, 100)
    KORVAN_MOTION_CASE(Cam, one, "CAM", 0, 10, 1, 100)
    KORVAN_MOTION_CASE(CamBox, one, "CAMBOX", 0, 10, 1, 100, 0, 0, 0)
    KORVAN_MOTION_CASE_BUFFERED(ConnPath, one, "CONNPATH", 1, 0)
    KORVAN_MOTION_CASE_BUFFERED(Connect, one, nullptr, 1, 0)
    KORVAN_MOTION_CASE(MoveLink, one, "MOVELINK", 10, 20, 0, 0, 0, 0, 0)
    KORVAN_MOTION_CASE(Regist, one, nullptr, 1)
    KORVAN_MOTION_CASE(RapidStop, one, nullptr, 2)
    KORVAN_MOTION_CASE_BUFFERED(VMove, one, nullptr, 1, 1)
    KORVAN_MOTION_CASE(Move, one, nullptr, 10, 1)
    KORVAN_MOTION_CASE(MoveAbs, one, nullptr, 10, 1)
    KORVAN_MOTION_CASE_BUFFERED(AddAx, one, "ADDAX", 0, 1)
    KORVAN_MOTION_CASE(Cancel, one, nullptr, 2, 1)
    KORVAN_MOTION_CASE_BUFFERED(Datum, one, "DATUM(3)", 3, 1)
    KORVAN_MOTION_CASE_BUFFERED(EncoderRatio, one, nullptr, 4, 5, 1)
    KORVAN_MOTION_CASE_BUFFERED(StepRatio, one, nullptr, 2, 3, 1)
    KORVAN_MOTION_CASE(Op, one, nullptr, 3, 1)
#undef KORVAN_MOTION_CASE
#undef KORVAN_MOTION_CASE_BUFFERED
    // MOVEMODIFY changes a move already under way.
    cases.push_back(setter("Lib_MoveModify", [](auto h) {
        const int code = lib::Move(h, 10, 1);
        return code ? code : lib::MoveModify(h, 20, 1);
    }));
    return cases;
}

std::vector<WrapperCase> libraryQueries()
{
    std::vector<WrapperCase> cases = {
        query<float>(
            "Lib_QueryAxisParameter",
            [](auto h, auto* v) { return lib::QueryAxisParameter(h, "ACCEL", 1, v); }, 1000),
        query<float>(
            "Lib_QueryAxisParameterDirect",
            [](auto h, auto* v) { return lib::QueryAxisParameterDirect(h, "DECEL", 1, v); }, 1000),
        query<float>(
            "Lib_QueryNamedFloat",
            [](auto h, auto* v) { return lib::QueryNamedFloat(h, "TSIZE", v); }, 320000),
        query<int32_t>(
            "Lib_QueryNamedInt", [](auto h, auto* v) { return lib::QueryNamedInt(h, "VRSIZE", v); },
            1024),
        query<float>(
            "Lib_QueryNamedFloatDirect",
            [](auto h, auto* v) { return lib::QueryNamedFloatDirect(h, "TSIZE", v); }, 320000),
        query<int32_t>(
            "Lib_QueryNamedIntDirect",
            [](auto h, auto* v) { return lib::QueryNamedIntDirect(h, "VRSIZE", v); }, 1024),
    };
#define KORVAN_LIB_QUERY_CASE(name, format, type, buffered, direct)                                \
    KORVAN_IF(buffered, cases.push_back(query<type>("Lib_Query" #name, [](auto h, auto* v) {       \
        return lib::Query##name(h, 1, v);                                                          \
    }));)                                                                                          \
    KORVAN_IF(direct,                                                                              \
              cases.push_back(query<type>("Lib_Query" #name "Direct", [](auto h, auto* v) {        \
                  return lib::Query##name##Direct(h, 1, v);                                        \
              }));)
    KORVAN_LIB_QUERIES(KORVAN_LIB_QUERY_CASE)
#undef KORVAN_LIB_QUERY_CASE
    return cases;
}

class CmdlibCommands : public ::testing::TestWithParam<WrapperCase>
{
protected:
    void SetUp() override { ASSERT_NE(m_handle, nullptr); }

    ServedController m_served{"127.0.0.63"};
    // The motion engine is bound but not ticked, so nothing depends on timing.
    MotionLink m_motion{m_served.controller()};
    ControllerHandle m_handle = m_served.handle();
};

TEST_P(CmdlibCommands, IsUnderstoodAndReadsBack)
{
    const WrapperCase& c = GetParam();
    double read = kUnread;
    const int code = c.call(m_handle, &read);
    const bool readsBack =
        !c.query || (read != kUnread && (!c.expected || std::abs(read - *c.expected) < 1e-4));
    if (c.awaits && (code != 0 || !readsBack))
        GTEST_SKIP() << "awaits " << c.awaits << " in the controller (code " << code << ", read "
                     << read << ")";
    ASSERT_EQ(code, 0) << "controller error " << m_served.controller().lastError();
    if (!c.query)
        return;
    EXPECT_NE(read, kUnread) << "the reply did not read back";
    if (c.expected)
        EXPECT_NEAR(read, *c.expected, 1e-4);
}

auto caseName = [](const auto& info) { return info.param.label; };

INSTANTIATE_TEST_SUITE_P(WorkbenchSetters, CmdlibCommands, ::testing::ValuesIn(workbenchSetters()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Homing, CmdlibCommands, ::testing::ValuesIn(homingCases()), caseName);
INSTANTIATE_TEST_SUITE_P(WorkbenchQueries, CmdlibCommands, ::testing::ValuesIn(workbenchQueries()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(BlockReaders, CmdlibCommands, ::testing::ValuesIn(blockReaders()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(LibrarySetters, CmdlibCommands, ::testing::ValuesIn(librarySetters()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(LibraryMotion, CmdlibCommands, ::testing::ValuesIn(libraryMotion()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(LibraryQueries, CmdlibCommands, ::testing::ValuesIn(libraryQueries()),
                         caseName);

// Every row of the wrapper tables has a case above, so a wrapper added to a
// table cannot go untested here.
TEST(CmdlibCommandCoverage, EveryTableRowHasACase)
{
    std::vector<std::string> labels;
    for (const auto& group : {workbenchSetters(), workbenchQueries(), librarySetters(),
                              libraryMotion(), libraryQueries()})
        for (const WrapperCase& c : group)
            labels.push_back(c.label);
    auto covered = [&](const std::string& label) {
        return std::find(labels.begin(), labels.end(), label) != labels.end();
    };
    std::vector<std::string> wanted;
#define KORVAN_WANT(name, ...) wanted.push_back("Set" #name);
    KORVAN_AXIS_REAL_SETTERS(KORVAN_WANT)
    KORVAN_AXIS_INT_SETTERS(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Query" #name);
    KORVAN_AXIS_INT_QUERIES(KORVAN_WANT)
    KORVAN_AXIS_REAL_QUERIES(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Lib_Set" #name);
    KORVAN_LIB_AXIS_SETTERS(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Lib_Set" #name "Direct");
    KORVAN_LIB_DIRECT_SETTERS(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Lib_" #name);
    KORVAN_LIB_MOTION(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Lib_FloatList" #name);
    KORVAN_LIB_FLOAT_LISTS(KORVAN_WANT)
#undef KORVAN_WANT
#define KORVAN_WANT(name, ...) wanted.push_back("Lib_DirectFloatList" #name);
    KORVAN_LIB_DIRECT_FLOAT_LISTS(KORVAN_WANT)
#undef KORVAN_WANT
    for (const std::string& name : wanted)
        EXPECT_TRUE(covered(name)) << name << " has no case";
}

} // namespace
} // namespace korvan::controller::testing
