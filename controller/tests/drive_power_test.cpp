// The power state machine of the bus drives, driven by controlwords through
// SDO as a CiA 402 master steps it, by faults on the drive alarm input, and
// by the controller's own enable (AXIS_ENABLE, WDOG, DRIVE_CLEAR), with the
// motion engine bound and the servo cycle stepped.
#include "bus_profile.h"
#include "controller/bus/axis_link.h"
#include "controller/motion_link.h"
#include "controller_fixture.h"

#include <cstdlib>
#include <string>

namespace korvan::controller::testing {
namespace {

// Statuswords: "voltage enabled" and "remote" are always on; operation
// enabled adds "target reached" (standing) and "follows the target".
constexpr int notReady = 0x0210;
constexpr int switchOnDisabled = 0x0250;
constexpr int readyToSwitchOn = 0x0231;
constexpr int switchedOn = 0x0233;
constexpr int operationEnabled = 0x1637;
constexpr int quickStopActive = 0x0217;
constexpr int faultReaction = 0x021F;
constexpr int fault = 0x0218;

// Axis 4 drives the first drive of slot 0; its alarm input is input 5.
constexpr int kAxis = 4;
constexpr int kAlarmInput = 5;

enum class Do
{
    Write,    // controlword by SDO
    Option,   // quick stop option code (605A) by SDO
    Cycle,    // one servo cycle
    AlarmOn,  // the drive alarm input turns on
    AlarmOff, // ... and off
    Enable,   // AXIS_ENABLE(axis) = value
    Clear,    // what the single-axis panel's alarm clear sends
};

struct Step
{
    Do action;
    int value;
    int statusword;
    int axisEnable; // AXIS_ENABLE afterwards, -1 where it does not matter
    const char* what;
};

// The standard's transitions, on a drive an axis drives or on one it does not.
const Step standardSteps[] = {
    {Do::Write, 0x00, switchOnDisabled, 0, "9 disable voltage"},
    {Do::Write, 0x0F, switchOnDisabled, 0, "enable operation needs a shutdown first"},
    {Do::Write, 0x07, switchOnDisabled, 0, "so does switch on"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x07, switchedOn, 0, "3 switch on"},
    {Do::Write, 0x0F, operationEnabled, 1, "4 enable operation"},
    {Do::Cycle, 0, operationEnabled, 1, "operation enabled holds"},
    {Do::Write, 0x07, switchedOn, 0, "5 disable operation"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "6 shutdown"},
    {Do::Write, 0x0F, operationEnabled, 1, "3 and 4: switch on and enable operation"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "8 shutdown"},
    {Do::Write, 0x02, switchOnDisabled, 0, "7 quick stop"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x07, switchedOn, 0, "3 switch on"},
    {Do::Write, 0x02, switchOnDisabled, 0, "10 quick stop"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x07, switchedOn, 0, "3 switch on"},
    {Do::Write, 0x00, switchOnDisabled, 0, "10 disable voltage"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x0F, operationEnabled, 1, "3 and 4"},
    {Do::Write, 0x02, quickStopActive, 0, "11 quick stop"},
    {Do::Cycle, 0, switchOnDisabled, 0, "12 quick stop done (option 2)"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x0F, operationEnabled, 1, "3 and 4"},
    {Do::Option, 6, operationEnabled, 1, "quick stop option 6: stay in quick stop"},
    {Do::Write, 0x02, quickStopActive, 0, "11 quick stop"},
    {Do::Cycle, 0, quickStopActive, 0, "option 6 stays"},
    {Do::Write, 0x0F, operationEnabled, 1, "16 enable operation"},
    {Do::Write, 0x02, quickStopActive, 0, "11 quick stop"},
    {Do::Write, 0x00, switchOnDisabled, 0, "12 disable voltage"},
};

// Faults on the drive alarm input, reset through SDO or by the controller.
const Step faultSteps[] = {
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x0F, operationEnabled, 1, "3 and 4"},
    {Do::AlarmOn, 0, operationEnabled, 1, "the drive sees the alarm in its next cycle"},
    {Do::Cycle, 0, faultReaction, 1, "13 fault reaction"},
    {Do::Cycle, 0, fault, 1, "14 fault"},
    {Do::Write, 0x80, fault, 0, "no reset while the cause holds"},
    {Do::AlarmOff, 0, fault, 0, "the fault outlasts its cause"},
    {Do::Cycle, 0, fault, 0, "the controller holds the alarm: it resets nothing"},
    {Do::Write, 0x80, fault, 0, "bit 7 held on is no rising edge"},
    {Do::Write, 0x06, fault, 0, "commands wait for a reset"},
    {Do::Write, 0x80, switchOnDisabled, 0, "15 fault reset"},
    {Do::Write, 0x06, readyToSwitchOn, 0, "2 shutdown"},
    {Do::Write, 0x0F, operationEnabled, 1, "3 and 4"},
    {Do::AlarmOn, 0, operationEnabled, 1, ""},
    {Do::Cycle, 0, faultReaction, 1, "13"},
    {Do::Cycle, 0, fault, 1, "14"},
    {Do::Clear, 0, fault, 1, "DRIVE_CLEAR with the cause still there"},
    {Do::Cycle, 0, fault, 1, "the alarm is back"},
    {Do::AlarmOff, 0, fault, 1, ""},
    {Do::Clear, 0, operationEnabled, 1, "DRIVE_CLEAR resets and the controller enables again"},
    {Do::Enable, 0, readyToSwitchOn, 0, "AXIS_ENABLE 0: the controller shuts down"},
    {Do::Enable, 1, operationEnabled, 1, "AXIS_ENABLE 1: shutdown, switch on, enable operation"},
    {Do::AlarmOn, 0, operationEnabled, 1, ""},
    {Do::Cycle, 0, faultReaction, 1, ""},
    {Do::Cycle, 0, fault, 1, ""},
    {Do::AlarmOff, 0, fault, 1, ""},
    {Do::Write, 0x80, switchOnDisabled, 0, "reset by SDO: the master's choice, axis stays off"},
    {Do::Cycle, 0, switchOnDisabled, 0, ""},
};

class DrivePowerTest : public ControllerTest
{
protected:
    DrivePowerTest() : ControllerTest(busProfile())
    {
        ok("AXIS_ADDRESS(4)=" + std::to_string(busAxisAddress(0, 0, 0)) + "\r\nATYPE(4)=65");
        ok("ALM_IN(4)=" + std::to_string(kAlarmInput));
    }

    int sdoRead(int node, int index, int type = 6)
    {
        ok("SDO_READ(0," + std::to_string(node) + "," + std::to_string(index) + ",0," +
           std::to_string(type) + ",0)");
        return std::atoi(ok("?TABLE(0)").c_str());
    }
    int statusword(int node = 0) { return sdoRead(node, 0x6041); }
    int axisEnable() { return std::atoi(ok("?AXIS_ENABLE(4)").c_str()); }

    void run(const Step& s, int node)
    {
        const std::string prefix = "SDO_WRITE(0," + std::to_string(node) + ",";
        switch (s.action) {
        case Do::Write:
            ok(prefix + "$6040,0,6," + std::to_string(s.value) + ")");
            // The controlword reads back what was written.
            EXPECT_EQ(sdoRead(node, 0x6040), s.value);
            break;
        case Do::Option:
            ok(prefix + "$605A,0,3," + std::to_string(s.value) + ")");
            EXPECT_EQ(sdoRead(node, 0x605A, 3), s.value);
            break;
        case Do::Cycle:
            link.tick();
            break;
        case Do::AlarmOn:
        case Do::AlarmOff:
            controller->setInputLevel(kAlarmInput, s.action == Do::AlarmOn);
            break;
        case Do::Enable:
            ok("AXIS_ENABLE(4)=" + std::to_string(s.value));
            break;
        case Do::Clear:
            ok("BASE(4)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)");
            break;
        }
    }

    template <std::size_t N> void runSteps(const Step (&steps)[N], int node, bool linked)
    {
        for (std::size_t i = 0; i < N; ++i) {
            const Step& s = steps[i];
            SCOPED_TRACE(::testing::Message() << "step " << i << ": " << s.what);
            run(s, node);
            EXPECT_EQ(statusword(node), s.statusword);
            if (linked && s.axisEnable >= 0)
                EXPECT_EQ(axisEnable(), s.axisEnable);
        }
    }

    MotionLink link{*controller};
};

TEST_F(DrivePowerTest, DrivesPowerUpNotReadyAndTheControllerEnablesTheOnesItDrives)
{
    // Before its first cycle a drive is still initialising.
    EXPECT_EQ(statusword(0), notReady);
    EXPECT_EQ(statusword(1), notReady);
    link.tick();
    EXPECT_EQ(statusword(0), operationEnabled); // axis 4, AXIS_ENABLE 1
    EXPECT_EQ(sdoRead(0, 0x6040), 0x0F);
    EXPECT_EQ(statusword(1), switchOnDisabled); // nobody drives it
    EXPECT_EQ(sdoRead(1, 0x6040), 0);
}

TEST_F(DrivePowerTest, ControlwordsStepTheDriveAnAxisDrives)
{
    link.tick();
    runSteps(standardSteps, 0, true);
    runSteps(faultSteps, 0, true);
}

TEST_F(DrivePowerTest, ControlwordsStepADriveNoAxisDrives)
{
    link.tick();
    runSteps(standardSteps, 1, false);
    // The alarm of axis 4 is not this drive's: nothing makes it fault.
    controller->setInputLevel(kAlarmInput, true);
    link.tick();
    EXPECT_EQ(statusword(1), switchOnDisabled);
}

TEST_F(DrivePowerTest, AFaultStopsTheAxisAndRefusesMotionUntilCleared)
{
    link.tick();
    ok("SPEED(4)=10\r\nMOVE(100) AXIS(4)");
    link.tick();
    controller->setInputLevel(kAlarmInput, true);
    link.tick();
    link.tick();
    controller->setInputLevel(kAlarmInput, false);
    link.tick();
    EXPECT_EQ(statusword(), fault);
    EXPECT_EQ(ok("?IDLE(4)"), "-1\r\n");
    EXPECT_EQ(code("MOVE(1) AXIS(4)"), 2302);
    // Cleared as the single-axis panel does it, the axis moves at once.
    ok("BASE(4)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)\r\nMOVE(1) AXIS(4)");
    EXPECT_EQ(statusword() & 0x6F, 0x27);
    link.tick();
    EXPECT_EQ(ok("?IDLE(4)"), "0\r\n");
}

TEST_F(DrivePowerTest, WatchdogOffShutsEveryDriveDownAndKeepsAxisEnable)
{
    link.tick();
    EXPECT_EQ(ok("?WDOG"), "1\r\n");
    ok("SPEED(4)=10\r\nMOVE(100) AXIS(4)");
    link.tick();
    ok("WDOG=0");
    EXPECT_EQ(statusword(), readyToSwitchOn);
    EXPECT_EQ(axisEnable(), 1);
    link.tick();
    EXPECT_EQ(ok("?IDLE(4) WDOG"), "-1 0\r\n");
    EXPECT_EQ(code("MOVE(1) AXIS(4)"), 2302);
    // Writing AXIS_ENABLE does not get round it.
    ok("AXIS_ENABLE(4)=1");
    EXPECT_EQ(statusword(), readyToSwitchOn);
    ok("WDOG=1");
    EXPECT_EQ(statusword(), operationEnabled);
    ok("MOVE(1) AXIS(4)");
    ok("WDOG=0\r\nreboot");
    EXPECT_EQ(ok("?WDOG"), "1\r\n");
}

TEST_F(DrivePowerTest, StatuswordShowsFollowingInEveryCyclicModeAndTheFollowingErrorInCsp)
{
    link.tick();
    ok("SPEED(4)=100\r\nACCEL(4)=100000\r\nDECEL(4)=100000\r\nVMOVE(1) AXIS(4)");
    link.tick();
    link.tick();
    // Moving: following its target, not standing at it.
    EXPECT_EQ(statusword(), operationEnabled & ~0x0400);
    ok("FE_LIMIT(4)=0\r\nSERVO(4)=0");
    link.tick();
    EXPECT_EQ(statusword(), (operationEnabled & ~0x0400) | 0x2000);
    ok("ATYPE(4)=66");
    EXPECT_EQ(sdoRead(0, 0x6061, 2), 9);
    EXPECT_EQ(statusword(), operationEnabled & ~0x0400); // no following error bit in CSV
}

} // namespace
} // namespace korvan::controller::testing
