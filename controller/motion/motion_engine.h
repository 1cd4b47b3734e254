#pragma once
// The servo and motion engine of the virtual controller.
//
// tick() advances every axis by one servo period (1 ms by default) without allocating;
// all storage is sized by the axis count at construction. Commands take the BASE axis
// list (first axis = lead of the move) and return a MotionResult (codes in
// motion_types.h). Motion commands are buffered per axis: a move starts when it is at
// the front of the buffer of every axis it uses, so a DATUM queued behind a MOVE waits.
//
// Command semantics in short (see docs/motion.md):
//   MOVE / MOVEABS / MOVESP / MOVEABSSP  linear move of the BASE axes, vector speed of
//       the lead axis (SP forms use FORCE_SPEED, STARTMOVE_SPEED, ENDMOVE_SPEED);
//   MOVEMODIFY  changes the end of the running single-axis move;
//   VMOVE(dir)  constant speed until CANCEL, SPEED changes apply at once;
//   CANCEL(0 current, 1 buffered, 2 current and buffered, 3 as 2 at FASTDEC);
//   RAPIDSTOP   stops every axis at FASTDEC and drops all buffers;
//   MOVE_PAUSE / MOVE_RESUME  hold and resume the path of the group;
//   MOVECIRC, MOVECIRC2, MSPHERICAL  arcs (see PathGeometry), MERGE blends moves;
//   DATUM(0) clears alarms, DATUM(11..19) and DATUM(21, method) home (homing.h);
//   REGIST(1..13) arms the MARK/MARKB latch and REGIST(14..21) the MARKC/MARKD one
//   (registration.cpp), PSWITCH drives an output inside a position range,
//   CONNECT(ratio, master) follows the master's demand position until CANCEL;
//   CAM, CAMBOX, MOVELINK and CONNPATH link an axis to a TABLE profile, a master's
//   movement or a master's path (linked_motion.cpp); MECLIPSE moves along an ellipse;
//   with MERGE and CORNER_MODE bit 32 a ZSMOOTH chamfer rounds line corners
//   (corner_blend.cpp).

#include "controller/motion/axis_parameters.h"
#include "controller/motion/path_geometry.h"
#include "controller/motion/profile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvan::motion {

inline constexpr int kBufferDepth = 64;
inline constexpr int kComparatorCount = 16;
// Inputs 0..kSensorInputs-1 can be driven by axis sensors.
inline constexpr int kSensorInputs = 4096;

// A gear ratio "first~second" as STEP_RATIO and ENCODER_RATIO give it.
struct GearRatio
{
    int first = 1;
    int second = 1;
};

// What the engine needs from its host: input levels and inversion, output drivers and
// the gear ratios, which the host keeps (so that one table answers every reader).
class MotionHost
{
public:
    virtual ~MotionHost() = default;
    // INVERT_IN state of an input.
    virtual bool inputInverted(int input) const = 0;
    // Level on the wire of an input that no axis sensor drives (external signals).
    virtual bool inputLevel(int /*input*/) const { return false; }
    // ENCODER_RATIO of an axis: MPOS counts = encoder counts * first / second.
    virtual GearRatio encoderRatio(int /*axis*/) const { return {}; }
    // Drives a digital output (MOVE_OP, PSWITCH).
    virtual void setOutput(int output, bool state) = 0;
    // Drives an analogue output (MOVE_AOUT).
    virtual void setAnalogOutput(int channel, double value) = 0;
    // Size of the TABLE memory and one of its values (CAM, CAMBOX); called in the tick,
    // so neither may allocate.
    virtual int tableSize() const { return 0; }
    virtual double tableValue(int /*index*/) const { return 0; }
    // False while the drive of a bus axis cannot follow (its master's enable is
    // off, or the drive is in fault): the axis then refuses motion and stops.
    virtual bool driveCanFollow(int /*axis*/) const { return true; }
};

// A sensor that is on while the physical position lies in [low, high]; with a period
// the window repeats every period units.
struct PositionWindow
{
    bool present = false;
    double low = 0;
    double high = 0;
    double period = 0;
    bool contains(double position) const;
};

// Sensors of one axis, in physical (machine) position units. A sensor with an input
// number drives that input's wire; the axis itself reads the inputs its DATUM_IN,
// FWD_IN, REV_IN and ALM_IN name, so a switch takes effect once the parameter names it.
struct AxisSwitches
{
    PositionWindow origin; // origin switch, on input originInput
    PositionWindow fwdLimit;
    PositionWindow revLimit;
    PositionWindow zPulse; // encoder index, latched by REGIST and homing
    PositionWindow r0;     // registration input R0 (MARK, and MARKB with R1)
    PositionWindow r1;     // registration input R1 (MARKB)
    PositionWindow r2;     // registration input R2 (MARKC)
    PositionWindow r3;     // registration input R3 (MARKD)
    int originInput = -1;
    int fwdInput = -1;
    int revInput = -1;
    int alarmInput = -1; // the drive's alarm output, level driveAlarm
    int r0Input = -1;
    int r1Input = -1;
    int r2Input = -1;
    int r3Input = -1;
    bool driveAlarm = false;
};

// Raw and logical sensor states of one axis in the last tick.
struct AxisSignals
{
    bool origin = false;
    bool fwdLimit = false;
    bool revLimit = false;
    bool alarm = false;
    bool z = false;
    bool r0 = false;
    bool r1 = false;
    bool r2 = false;
    bool r3 = false;
};

// The switch a homing run looks for.
enum class HomeSwitch : std::uint8_t
{
    Origin,
    FwdLimit,
    RevLimit,
    ZOnly,
};

enum class EntryKind : std::uint8_t
{
    Path,
    Velocity,
    Wait,
    Output,
    AnalogOutput,
    Datum,
    Connect,
    Parameter,
    Cam,      // a TABLE profile over a distance at the axis's own speed
    CamBox,   // a TABLE profile over a distance of the master's movement
    MoveLink, // a move with ramps over a distance of the master's movement
    ConnPath, // follows the path length a master's interpolated moves cover
};

// Options of CAMBOX and MOVELINK.
namespace link_options {
inline constexpr int StartAtPosition = 1; // start when the master reaches linkPosition
inline constexpr int Repeat = 2;          // start again at the end, until CANCEL
inline constexpr int All = StartAtPosition | Repeat;
} // namespace link_options

// What a linked entry (CAM, CAMBOX, MOVELINK, CONNPATH) follows.
struct LinkSpec
{
    int first = 0;            // CAM, CAMBOX: first TABLE index of the profile
    int last = 0;             // CAM, CAMBOX: last TABLE index
    double scale = 1;         // CAM, CAMBOX: multiplier; MOVELINK: the slave's distance
    double distance = 0;      // CAM: its own distance; CAMBOX, MOVELINK: the master's
    double accelDistance = 0; // MOVELINK: master distance of the speed-up
    double decelDistance = 0; // MOVELINK: master distance of the slow-down
    int master = -1;          // CAMBOX, MOVELINK, CONNPATH
    int options = 0;          // link_options
    double linkPosition = 0;  // master position at which StartAtPosition starts
    double travel = 0;        // where a single CAM or MOVELINK ends, from its start
};

// One queued entry; its data lives in the buffer of its lead axis.
struct BufferEntry
{
    std::uint32_t id = 0;
    EntryKind kind = EntryKind::Path;
    MoveType mtype = MoveType::Move;
    BufferType bufferType = BufferType::Line;
    int mark = 0;
    int axisCount = 0;
    std::array<int, kMaxPathAxes> axes{};
    PathGeometry geometry;
    bool absolute = false;
    double speed = 0;       // vector speed; 0 = the lead axis SPEED
    double startSpeed = -1; // SP moves: STARTMOVE_SPEED
    double endSpeed = -1;   // SP moves: ENDMOVE_SPEED
    int direction = 1;      // VMOVE, homing
    int mode = 0;           // DATUM mode (drive homing: the equivalent search mode)
    HomeSwitch homeSwitch = HomeSwitch::Origin; // drive homing
    bool driveHoming = false;                   // DATUM(21, method)
    bool homeHere = false;                      // drive methods 35 and 37
    int number = 0;                             // output / channel / master axis / MOVE_PARA axis
    int count = 1;      // MOVE_OP: outputs from number on set from the bits of value
    double value = 0;   // output value, wait ms, connect ratio, MOVE_PARA value
    double pulseMs = 0; // MOVE_OP2: the output returns after this time
    const ParameterBinding* parameter = nullptr; // MOVE_PARA
    bool cornerBlend = false;                    // the arc a ZSMOOTH chamfer put between two lines
    double speedCap = 0; // path speed no higher than this (> 0), kept by blends
    LinkSpec link;       // CAM, CAMBOX, MOVELINK, CONNPATH
};

template <typename T> class FixedRing
{
public:
    bool empty() const { return m_size == 0; }
    int size() const { return m_size; }
    bool full() const { return m_size == kBufferDepth; }
    T& front() { return m_items[m_head]; }
    const T& front() const { return m_items[m_head]; }
    T& at(int i) { return m_items[(m_head + i) % kBufferDepth]; }
    const T& at(int i) const { return m_items[(m_head + i) % kBufferDepth]; }
    void push(const T& item)
    {
        m_items[(m_head + m_size) % kBufferDepth] = item;
        ++m_size;
    }
    void popFront()
    {
        m_head = (m_head + 1) % kBufferDepth;
        --m_size;
    }
    void clear() { m_head = m_size = 0; }
    // Keeps the first n entries.
    void truncate(int n) { m_size = n < m_size ? n : m_size; }

private:
    std::array<T, kBufferDepth> m_items{};
    int m_head = 0;
    int m_size = 0;
};

struct EntryRef
{
    std::uint32_t id = 0;
    int lead = 0;
};

// Execution state of the entry at the front of a lead axis's buffer.
struct Activity
{
    bool active = false;
    bool paused = false;
    bool stopping = false;
    double stopRate = 0;
    double t = 0;     // seconds into the profile
    double s = 0;     // path length covered
    double speed = 0; // current path speed
    SpeedProfile profile;
    double offset = 0;       // path length at which the profile starts
    bool replan = false;     // the profile must be re-planned from s and speed
    double plannedSpeed = 0; // cruise speed the profile was planned with
    double elapsed = 0;      // waits: ms done; linked moves: last master position
    double origin = 0;       // linked moves: the slave's position where the link began
    double linkStart = 0;    // linked moves: the master's position where the link began
    bool waiting = false;    // linked moves: the master has not reached linkPosition
};

enum class HomingPhase : std::uint8_t
{
    None,
    Search,   // fast towards the origin
    Escape,   // found from the wrong side: run through it, then search again
    Settle,   // ramp down, then the next phase
    BackOff,  // creep away until the origin turns off
    Approach, // creep towards the origin until it turns on
    ZSeek,    // creep until the Z pulse
};

struct HomingState
{
    HomingPhase phase = HomingPhase::None;
    int mode = 0;
    int searchDir = 1;
    int creepDir = -1;
    HomingPhase next = HomingPhase::None; // after Settle
    bool seenOn = false;
    bool reversed = false;
    bool zAfterBackOff = false;
    bool approachAfterBackOff = false;
    HomeSwitch home = HomeSwitch::Origin;
    bool drive = false;      // a bus drive homes on its own sensors, without DATUM_IN
    bool turnAtLimit = true; // 11-19 and drive methods turn round at a limit; 1-9 stop
    bool atCurrent = false;  // drive methods 35 and 37: home where the axis stands
    double velocity = 0;     // signed, units/s
};

// One latch unit: the REGIST mode it was armed with, until its channels have latched.
struct LatchUnit
{
    int mode = 0;
    bool armed = false;
};

// REGIST 1-13 arm the first unit (MARK, MARKB), 14-21 the second (MARKC, MARKD).
struct RegistState
{
    LatchUnit first;
    LatchUnit second;
};

struct Comparator
{
    bool enabled = false;
    int axis = 0;
    int output = 0;
    bool state = true;
    double low = 0;
    double high = 0;
    bool driving = false;
};

class MotionEngine
{
public:
    // Creates the engine with axisCount axes and the servo period in seconds.
    explicit MotionEngine(int axisCount, double periodSeconds = 0.001, MotionHost* host = nullptr);

    int axisCount() const { return static_cast<int>(m_axes.size()); }
    double period() const { return m_period; }
    // Advances every axis by one servo period.
    void tick();

    // Parameters, status and sensors of one axis (axis must be valid).
    AxisParameters& parameters(int axis) { return m_axes[axis].params; }
    const AxisParameters& parameters(int axis) const { return m_axes[axis].params; }
    const AxisStatus& status(int axis) const { return m_axes[axis].status; }
    AxisSwitches& switches(int axis) { return m_axes[axis].switches; }
    const AxisSignals& signals(int axis) const { return m_axes[axis].signals; }
    // Physical position of the axis (unchanged by DEFPOS, DPOS= and homing).
    double physicalPosition(int axis) const;
    // Wire level of an input that an axis sensor drives, as of the last tick (before
    // INVERT_IN); false when no sensor drives it (driven tells which).
    bool wireLevel(int input, bool* driven = nullptr) const;
    bool validAxis(int axis) const { return axis >= 0 && axis < axisCount(); }

    // Motion commands; base is the BASE list, its first axis leads.
    MotionResult move(std::span<const int> base, std::span<const double> distances);
    MotionResult moveAbs(std::span<const int> base, std::span<const double> positions);
    MotionResult moveSp(std::span<const int> base, std::span<const double> distances);
    MotionResult moveAbsSp(std::span<const int> base, std::span<const double> positions);
    MotionResult moveModify(int axis, double position);
    MotionResult vmove(int axis, int direction);
    MotionResult moveCirc(std::span<const int> base, double end0, double end1, double centre0,
                          double centre1, int direction, bool absolute, bool sp);
    MotionResult moveCirc2(std::span<const int> base, double mid0, double mid1, double end0,
                           double end1, bool absolute, bool sp);
    // MSPHERICAL: end (e), middle (m), mode 0 arc / 2 full circle; extra4 and extra5 move
    // the fourth and fifth BASE axes linearly.
    MotionResult mspherical(std::span<const int> base, const std::array<double, 3>& end,
                            const std::array<double, 3>& middle, int mode, double extra4,
                            double extra5, bool sp);
    // MOVE_OP(output, value) and MOVE_OP(first, count, bits): outputs first..first+count-1
    // take the bits of value, lowest bit first.
    MotionResult moveOp(int lead, int output, int value, int count = 1);
    // MOVE_OP2: output takes state, and the opposite state after milliseconds, while the
    // buffer goes on.
    MotionResult moveOpPulse(int lead, int output, int state, double milliseconds);
    // MOVE_PARA(name, axis, value): writes a parameter when the buffer reaches it.
    MotionResult moveParameter(int lead, std::string_view name, int axis, double value);
    // MHELICAL: arc by end and centre on the first two BASE axes, the third moves
    // linearly by distance3 (absolute: to it); mode 0 counts the third axis in the path
    // speed, mode 1 gives the speed to the arc alone.
    MotionResult mhelical(std::span<const int> base, double end0, double end1, double centre0,
                          double centre1, int direction, double distance3, int mode, bool absolute,
                          bool sp);
    // MHELICAL2: the same with a middle point instead of a centre.
    MotionResult mhelical2(std::span<const int> base, double mid0, double mid1, double end0,
                           double end1, double distance3, int mode, bool absolute, bool sp);
    // MECLIPSE: an elliptic arc of the first two BASE axes to end round centre with
    // semi-axes a (first axis) and b (second axis); an end of 0,0 is a whole ellipse.
    // With a third BASE axis and distance3 given (hasThird), it moves linearly alongside.
    MotionResult meclipse(std::span<const int> base, double end0, double end1, double centre0,
                          double centre1, int direction, double a, double b, bool hasThird,
                          double distance3, bool absolute, bool sp);
    // CAM(first, last, multiplier, distance) AXIS(axis): the axis moves by multiplier
    // times the TABLE profile first..last (less its first value) while a notional
    // distance runs at the axis's SPEED, ACCEL and DECEL.
    MotionResult cam(int axis, int first, int last, double multiplier, double distance);
    // CAMBOX: the same profile over linkDistance of the master's demand movement.
    MotionResult camBox(int axis, int first, int last, double multiplier, double linkDistance,
                        int master, int options, double linkPosition);
    // MOVELINK: the axis moves distance while the master moves linkDistance, speeding up
    // over the first accelDistance and slowing down over the last decelDistance of it.
    MotionResult moveLink(int axis, double distance, double linkDistance, double accelDistance,
                          double decelDistance, int master, int options, double linkPosition);
    // CONNPATH(ratio, master): the axis moves ratio times the path length covered by the
    // moves the master takes part in (interpolated paths and VMOVE), until CANCEL.
    MotionResult connPath(int axis, double ratio, int master);
    // ADDAX(source) AXIS(axis): the source axis's demand moves are added to the axis;
    // a negative source ends it.
    MotionResult addAxis(int axis, int source);
    MotionResult moveWait(int lead, double milliseconds);
    MotionResult moveAout(int lead, int channel, double value);
    MotionResult cancel(int axis, int mode);
    MotionResult rapidStop(int mode);
    MotionResult movePause(std::span<const int> base);
    MotionResult moveResume(std::span<const int> base);
    MotionResult defpos(std::span<const int> base, std::span<const double> positions);
    MotionResult setDpos(int axis, double position);
    MotionResult setMpos(int axis, double position);
    MotionResult datum(int axis, int mode);
    MotionResult datumDrive(int axis, int method);
    MotionResult regist(int axis, int mode);
    MotionResult pswitch(int number, int enable, int axis, int output, int state, double pos1,
                         double pos2);
    MotionResult connect(int axis, double ratio, int master);
    MotionResult setAxisEnable(int axis, bool enable);
    // SERVO: false opens the position loop of an axis with encoder feedback (the
    // measured position stops following the demand); true closes it again.
    MotionResult setServo(int axis, bool closed);
    MotionResult driveClear(int axis);
    MotionResult setStopReason(int axis, std::uint32_t value);

    // REMAIN_BUFFER(type) of an axis, -1 for an unknown type.
    int remainBuffer(int axis, int type) const;

private:
    struct Axis
    {
        AxisParameters params;
        AxisStatus status;
        AxisSwitches switches;
        AxisSignals signals;
        FixedRing<EntryRef> refs;
        FixedRing<BufferEntry> owned;
        Activity activity;
        HomingState homing;
        RegistState regist;
        double prevDpos = 0;
        double prevMpos = 0;
        double physicalOffset = 0; // physical = mpos + offset
        int addSource = -1;        // ADDAX
        AxisVector bufferedEnd{};  // unused for non-lead axes
        double pathTravelled = 0;  // path length covered by the moves it takes part in
        double prevPathTravelled = 0;
    };

    MotionResult checkBase(std::span<const int> base) const;
    // A bus axis moves only while enabled and its drive can follow.
    bool busAxisReady(int axis) const;
    // Stops every bus axis whose drive can no longer follow, as a disable does.
    void stopUnfollowedDrives();
    MotionResult queuePath(std::span<const int> base, const AxisVector& delta, MoveType type,
                           bool absolute, bool sp);
    MotionResult queueArc(std::span<const int> base, PathGeometry geometry, MoveType type, bool sp);
    // Queued end positions of the BASE axes, where the next move starts.
    AxisVector queuedStart(std::span<const int> base) const;
    MotionResult checkHelical(std::span<const int> base, int mode) const;
    MotionResult queueHelix(std::span<const int> base, PathGeometry geometry, int mode, bool sp);
    MotionResult push(BufferEntry& entry);
    // Pushes a line, first rounding the corner with the line before it when ZSMOOTH
    // asks for it.
    MotionResult pushLine(BufferEntry& entry);
    // Trims the line queued last and the new one by the chamfer distance and fills blend
    // with the arc between them; false (nothing changed) when no chamfer applies.
    bool prepareCornerBlend(BufferEntry& next, BufferEntry& blend);
    // True when the running path of the lead can still slow down to the speed its end
    // now allows.
    bool runningPathCanKeepUp(int lead) const;
    MotionResult checkLink(int axis, int master, int options) const;
    MotionResult checkTableRange(int first, int last) const;
    // TABLE profile first..last at fraction p (0..1), by linear interpolation.
    double tableProfile(const LinkSpec& link, double p) const;
    // Slave position of a CAM, CAMBOX or MOVELINK at fraction p of its run.
    double linkedTravel(const BufferEntry& entry, double p) const;
    // Where the link puts the slave in this tick; complete when a single run ended.
    double linkTarget(int lead, BufferEntry& entry, bool& complete);
    // Follows the link, or ramps the slave down from its own speed after CANCEL.
    void advanceLinked(int lead, BufferEntry& entry);
    double entryLength(const BufferEntry& entry) const;
    void placeAxes(int lead, const BufferEntry& entry, double s);
    void addPathTravel(const BufferEntry& entry, double ds);
    double queuedEnd(int axis) const;
    AxisVector startOf(const BufferEntry& entry) const;
    void startReadyEntries();
    bool entryReady(int lead) const;
    void activate(int lead);
    void advance(int lead);
    void advancePath(int lead, BufferEntry& entry);
    void advanceVelocity(int lead, BufferEntry& entry);
    void finish(int lead);
    // Speed at the corner between the entries at positions k and k+1 of the lead's buffer
    // as MERGE, CORNER_MODE and the speeds of both allow; 0 where they do not blend.
    double cornerSpeed(const Axis& a, int k) const;
    // Speed at which the running entry of the lead may end.
    double junctionSpeed(int lead) const;
    double pathSpeed(const BufferEntry& entry) const;
    ProfileLimits limitsFor(const BufferEntry& entry) const;
    double decelOf(int axis) const;
    double fastDecelOf(int axis) const;
    void beginStop(int lead, double rate);
    void dropBuffered(int axis, bool includeActive);
    // The position loop (servo_loop.cpp): MPOS follows DPOS, DAC_OUT.
    void updateFeedback(int axis);
    void updateSignals(int axis);
    void checkLimits(int axis);
    void updateRegistration(int axis);
    void updateComparators();
    void updatePulses();
    void fireOutput(const BufferEntry& e);
    void applyAddedAxes();
    void updateStatus(int axis);
    void publishSensors(int axis);
    // Level of an input: a sensor's if one drives it, else the host's wire.
    bool inputLevel(int input) const;
    // Logical state of an input the axis names (after INVERT_IN); false for -1.
    bool logicalInput(int input) const;
    // Origin as DATUM_IN sees it at a physical position of the axis: the axis's own
    // origin switch when DATUM_IN names its input, else the input's present state.
    bool originAt(const Axis& a, double physical) const;
    bool homingStep(int axis, BufferEntry& entry, const AxisSignals& before);
    // State of the home switch at a physical position while homing.
    bool homeSwitchAt(const Axis& a, double physical) const;
    const PositionWindow* homeWindow(const Axis& a) const;
    MotionResult queueDatum(int axis, BufferEntry& entry);
    void startHoming(int axis, BufferEntry& entry);
    // Ends a run: the edge becomes DATUM_OFFSET; the axis stands at standPhysical
    // (the edge itself, or past it where the home switch has turned off).
    void finishHoming(int axis, bool found, double edgePhysical, double standPhysical);
    bool edge(const PositionWindow& w, double p0, double p1, bool rising, double& at) const;

    std::vector<Axis> m_axes;
    // Levels of sensor-driven inputs; a level counts only when stamped this tick.
    std::vector<std::uint8_t> m_wireLevel;
    std::vector<std::uint32_t> m_wireStamp;
    std::uint32_t m_tickCount = 0;
    std::array<Comparator, kComparatorCount> m_comparators{};
    // Outputs of MOVE_OP2 waiting to return, ms left (<= 0: free).
    struct OutputPulse
    {
        int output = 0;
        bool state = false;
        double msLeft = 0;
    };
    std::array<OutputPulse, 32> m_pulses{};
    double m_period;
    MotionHost* m_host;
    std::uint32_t m_nextId = 1;
};

} // namespace korvan::motion
