#include "controller/motion/motion_command_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace korvan::motion {

namespace {

// Integer argument i, or false when it is not a finite number in int range.
bool intArg(const MotionCall& c, std::size_t i, int& out)
{
    if (i >= c.args.size())
        return false;
    const double v = c.args[i];
    if (!std::isfinite(v) || v > 2147483647.0 || v < -2147483648.0)
        return false;
    out = static_cast<int>(v);
    return true;
}

double arg(const MotionCall& c, std::size_t i, double fallback = 0)
{
    return i < c.args.size() ? c.args[i] : fallback;
}

int lead(const MotionCall& c)
{
    return c.base.empty() ? -1 : c.base[0];
}

using Run = MotionResult (*)(MotionEngine&, const MotionCall&);

template <bool Absolute, bool Sp> MotionResult runLinear(MotionEngine& e, const MotionCall& c)
{
    // Fewer values than BASE axes move only the first axes.
    const auto base = c.base.first(std::min(c.base.size(), c.args.size()));
    if (Absolute)
        return Sp ? e.moveAbsSp(base, c.args.first(base.size()))
                  : e.moveAbs(base, c.args.first(base.size()));
    return Sp ? e.moveSp(base, c.args.first(base.size())) : e.move(base, c.args.first(base.size()));
}

template <bool Absolute, bool Sp> MotionResult runCirc(MotionEngine& e, const MotionCall& c)
{
    int dir = 0;
    if (!intArg(c, 4, dir))
        return MotionResult::BadArgument;
    return e.moveCirc(c.base, arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), dir, Absolute, Sp);
}

template <bool Absolute, bool Sp> MotionResult runCirc2(MotionEngine& e, const MotionCall& c)
{
    return e.moveCirc2(c.base, arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), Absolute, Sp);
}

template <bool Sp> MotionResult runSpherical(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    if (!intArg(c, 6, mode))
        return MotionResult::BadArgument;
    return e.mspherical(c.base, {arg(c, 0), arg(c, 1), arg(c, 2)},
                        {arg(c, 3), arg(c, 4), arg(c, 5)}, mode, arg(c, 7), arg(c, 8), Sp);
}

template <bool Absolute, bool Sp> MotionResult runEclipse(MotionEngine& e, const MotionCall& c)
{
    int dir = 0;
    if (!intArg(c, 4, dir))
        return MotionResult::BadArgument;
    // The eighth value moves the third BASE axis alongside.
    const bool third = c.args.size() > 7;
    return e.meclipse(c.base, arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), dir, arg(c, 5), arg(c, 6),
                      third, arg(c, 7), Absolute, Sp);
}

MotionResult runCam(MotionEngine& e, const MotionCall& c)
{
    int first = 0;
    int last = 0;
    if (!intArg(c, 0, first) || !intArg(c, 1, last))
        return MotionResult::BadArgument;
    return e.cam(lead(c), first, last, arg(c, 2), arg(c, 3));
}

// Link axis, options and link position of CAMBOX and MOVELINK, from argument i on.
bool linkArgs(const MotionCall& c, std::size_t i, int& master, int& options)
{
    options = 0;
    return intArg(c, i, master) && (c.args.size() <= i + 1 || intArg(c, i + 1, options));
}

MotionResult runCamBox(MotionEngine& e, const MotionCall& c)
{
    int first = 0;
    int last = 0;
    int master = 0;
    int options = 0;
    if (!intArg(c, 0, first) || !intArg(c, 1, last) || !linkArgs(c, 4, master, options))
        return MotionResult::BadArgument;
    return e.camBox(lead(c), first, last, arg(c, 2), arg(c, 3), master, options, arg(c, 6));
}

MotionResult runMoveLink(MotionEngine& e, const MotionCall& c)
{
    int master = 0;
    int options = 0;
    if (!linkArgs(c, 4, master, options))
        return MotionResult::BadArgument;
    return e.moveLink(lead(c), arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), master, options,
                      arg(c, 6));
}

MotionResult runConnPath(MotionEngine& e, const MotionCall& c)
{
    int master = 0;
    return intArg(c, 1, master) ? e.connPath(lead(c), arg(c, 0), master)
                                : MotionResult::BadArgument;
}

MotionResult runMoveModify(MotionEngine& e, const MotionCall& c)
{
    return e.moveModify(lead(c), arg(c, 0));
}

MotionResult runVmove(MotionEngine& e, const MotionCall& c)
{
    int dir = 0;
    return intArg(c, 0, dir) ? e.vmove(lead(c), dir) : MotionResult::BadArgument;
}

MotionResult runCancel(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    if (!c.args.empty() && !intArg(c, 0, mode))
        return MotionResult::BadArgument;
    return e.cancel(lead(c), mode);
}

MotionResult runRapidStop(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    if (!c.args.empty() && !intArg(c, 0, mode))
        return MotionResult::BadArgument;
    return e.rapidStop(mode);
}

MotionResult runPause(MotionEngine& e, const MotionCall& c)
{
    return e.movePause(c.base);
}
MotionResult runResume(MotionEngine& e, const MotionCall& c)
{
    return e.moveResume(c.base);
}

MotionResult runDefpos(MotionEngine& e, const MotionCall& c)
{
    const auto base = c.base.first(std::min(c.base.size(), c.args.size()));
    return e.defpos(base, c.args.first(base.size()));
}

MotionResult runMoveOp(MotionEngine& e, const MotionCall& c)
{
    // MOVE_OP(output, value) or MOVE_OP(first, count, bits).
    int out = 0;
    int value = 0;
    int count = 1;
    const std::size_t last = c.args.size() - 1;
    if (!intArg(c, 0, out) || !intArg(c, last, value) || (last == 2 && !intArg(c, 1, count)))
        return MotionResult::BadArgument;
    return e.moveOp(lead(c), out, value, count);
}

MotionResult runMoveOp2(MotionEngine& e, const MotionCall& c)
{
    int out = 0;
    int state = 0;
    if (!intArg(c, 0, out) || !intArg(c, 1, state))
        return MotionResult::BadArgument;
    return e.moveOpPulse(lead(c), out, state, arg(c, 2));
}

MotionResult runMovePara(MotionEngine& e, const MotionCall& c)
{
    int axis = 0;
    if (c.nameArg.empty() || !intArg(c, 1, axis))
        return MotionResult::BadArgument;
    return e.moveParameter(lead(c), c.nameArg, axis, arg(c, 2));
}

template <bool Absolute, bool Sp> MotionResult runHelical(MotionEngine& e, const MotionCall& c)
{
    int dir = 0;
    int mode = 0;
    if (!intArg(c, 4, dir) || !intArg(c, 6, mode))
        return MotionResult::BadArgument;
    return e.mhelical(c.base, arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), dir, arg(c, 5), mode,
                      Absolute, Sp);
}

template <bool Absolute, bool Sp> MotionResult runHelical2(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    if (!intArg(c, 5, mode))
        return MotionResult::BadArgument;
    return e.mhelical2(c.base, arg(c, 0), arg(c, 1), arg(c, 2), arg(c, 3), arg(c, 4), mode,
                       Absolute, Sp);
}

MotionResult runAddAx(MotionEngine& e, const MotionCall& c)
{
    int source = 0;
    return intArg(c, 0, source) ? e.addAxis(lead(c), source) : MotionResult::BadArgument;
}

MotionResult runMoveWa(MotionEngine& e, const MotionCall& c)
{
    return e.moveWait(lead(c), arg(c, 0));
}

MotionResult runMoveAout(MotionEngine& e, const MotionCall& c)
{
    int channel = 0;
    if (!intArg(c, 0, channel))
        return MotionResult::BadArgument;
    return e.moveAout(lead(c), channel, arg(c, 1));
}

MotionResult runDatum(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    if (!intArg(c, 0, mode))
        return MotionResult::BadArgument;
    if (mode == 21) {
        int method = 0;
        if (!intArg(c, 1, method))
            return MotionResult::BadArgument;
        return e.datumDrive(lead(c), method);
    }
    // DATUM(0) clears every BASE axis; homing runs on the first.
    if (mode == 0) {
        for (const int axis : c.base)
            if (const auto r = e.datum(axis, 0); r != MotionResult::Ok)
                return r;
        return MotionResult::Ok;
    }
    return e.datum(lead(c), mode);
}

MotionResult runRegist(MotionEngine& e, const MotionCall& c)
{
    int mode = 0;
    return intArg(c, 0, mode) ? e.regist(lead(c), mode) : MotionResult::BadArgument;
}

MotionResult runPswitch(MotionEngine& e, const MotionCall& c)
{
    std::array<int, 5> v{};
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!intArg(c, i, v[i]))
            return MotionResult::BadArgument;
    return e.pswitch(v[0], v[1], v[2], v[3], v[4], arg(c, 5), arg(c, 6));
}

MotionResult runConnect(MotionEngine& e, const MotionCall& c)
{
    int master = 0;
    return intArg(c, 1, master) ? e.connect(lead(c), arg(c, 0), master) : MotionResult::BadArgument;
}

MotionResult runDriveClear(MotionEngine& e, const MotionCall& c)
{
    return e.driveClear(lead(c));
}

constexpr MotionCommand kCommands[] = {
    {"ADDAX", 1, 1, &runAddAx},
    {"CAM", 4, 4, &runCam},
    {"CAMBOX", 5, 7, &runCamBox},
    {"CANCEL", 0, 1, &runCancel},
    {"CONNECT", 2, 2, &runConnect},
    {"CONNPATH", 2, 2, &runConnPath},
    {"DATUM", 1, 2, &runDatum},
    {"DEFPOS", 1, -1, &runDefpos},
    {"DRIVE_CLEAR", 0, 1, &runDriveClear},
    {"MECLIPSE", 7, 8, &runEclipse<false, false>},
    {"MECLIPSEABS", 7, 8, &runEclipse<true, false>},
    {"MECLIPSEABSSP", 7, 8, &runEclipse<true, true>},
    {"MECLIPSESP", 7, 8, &runEclipse<false, true>},
    {"MHELICAL", 7, 7, &runHelical<false, false>},
    {"MHELICAL2", 6, 6, &runHelical2<false, false>},
    {"MHELICAL2ABS", 6, 6, &runHelical2<true, false>},
    {"MHELICAL2ABSSP", 6, 6, &runHelical2<true, true>},
    {"MHELICAL2SP", 6, 6, &runHelical2<false, true>},
    {"MHELICALABS", 7, 7, &runHelical<true, false>},
    {"MHELICALABSSP", 7, 7, &runHelical<true, true>},
    {"MHELICALSP", 7, 7, &runHelical<false, true>},
    {"MOVE", 1, -1, &runLinear<false, false>},
    {"MOVEABS", 1, -1, &runLinear<true, false>},
    {"MOVEABSSP", 1, -1, &runLinear<true, true>},
    {"MOVECIRC", 5, 5, &runCirc<false, false>},
    {"MOVECIRC2", 4, 4, &runCirc2<false, false>},
    {"MOVECIRC2ABS", 4, 4, &runCirc2<true, false>},
    {"MOVECIRC2ABSSP", 4, 4, &runCirc2<true, true>},
    {"MOVECIRC2SP", 4, 4, &runCirc2<false, true>},
    {"MOVECIRCABS", 5, 5, &runCirc<true, false>},
    {"MOVECIRCABSSP", 5, 5, &runCirc<true, true>},
    {"MOVECIRCSP", 5, 5, &runCirc<false, true>},
    {"MOVELINK", 5, 7, &runMoveLink},
    {"MOVEMODIFY", 1, 1, &runMoveModify},
    {"MOVESP", 1, -1, &runLinear<false, true>},
    {"MOVE_AOUT", 2, 2, &runMoveAout},
    {"MOVE_OP", 2, 3, &runMoveOp},
    {"MOVE_OP2", 3, 3, &runMoveOp2},
    {"MOVE_PARA", 3, 3, &runMovePara, true},
    {"MOVE_PAUSE", 0, 1, &runPause},
    {"MOVE_RESUME", 0, 0, &runResume},
    {"MOVE_WA", 1, 1, &runMoveWa},
    {"MSPHERICAL", 7, 9, &runSpherical<false>},
    {"MSPHERICALSP", 7, 9, &runSpherical<true>},
    {"PSWITCH", 7, 7, &runPswitch},
    {"RAPIDSTOP", 0, 1, &runRapidStop},
    {"REGIST", 1, 1, &runRegist},
    {"VMOVE", 1, 1, &runVmove},
};

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

std::span<const MotionCommand> motionCommands()
{
    return kCommands;
}

const MotionCommand* findMotionCommand(std::string_view name)
{
    for (const MotionCommand& c : kCommands)
        if (equalsIgnoreCase(c.name, name))
            return &c;
    return nullptr;
}

} // namespace korvan::motion
