#include "controller/motion_link.h"

#include "controller_fixture.h"

#include <cstdlib>
#include <string>

namespace korvan::controller::testing {
namespace {

using MotionLinkTest = ControllerTest;

TEST_F(MotionLinkTest, MotionParametersLiveInTheEngine)
{
    ok("SPEED(1)=250\nDATUM_IN(1)=3");
    MotionLink link(*controller);
    // The engine took over the values the controller had.
    EXPECT_EQ(ok("?SPEED(1) DATUM_IN(1) ACCEL(0)"), "250 3 1000\r\n");
    ok("SPEED(2)=42.5");
    EXPECT_EQ(ok("?SPEED(2) IDLE(2)"), "42.5 -1\r\n");
    EXPECT_EQ(code("IDLE(2)=0"), 2005);
    EXPECT_EQ(code("SPEED(2)=1e400"), 2004);
    link.tick();
    EXPECT_EQ(ok("?DPOS(0) VP_SPEED(0)"), "0 0\r\n");
}

TEST_F(MotionLinkTest, ValuesAreStoredAgainAfterTheLinkEnds)
{
    {
        MotionLink link(*controller);
        link.startServo();
        ok("SPEED(0)=7");
        link.stopServo();
    }
    EXPECT_EQ(ok("?SPEED(0)"), "100\r\n");
    ok("SPEED(0)=8");
    EXPECT_EQ(ok("?SPEED(0)"), "8\r\n");
}

TEST_F(MotionLinkTest, MotionStatementsDriveTheEngine)
{
    MotionLink link(*controller);
    ok("BASE(0,1)\nMOVEABS(10,20)\nMOVE(5) AXIS(2)");
    EXPECT_EQ(ok("?IDLE(0) IDLE(2)"), "0 0\r\n");
    for (int i = 0; i < 2000; ++i)
        link.tick();
    EXPECT_EQ(ok("?DPOS(0) DPOS(1) DPOS(2) IDLE(0)"), "10 20 5 -1\r\n");
    EXPECT_NE(code("VMOVE(0) AXIS(1)"), 0);
}

// A reboot brings the engine's values back with the controller's: moves stop,
// parameters and positions are the factory ones again.
TEST_F(MotionLinkTest, RebootStopsMotionAndRestoresTheEngineFactoryValues)
{
    MotionLink link(*controller);
    ok("SPEED(1)=5\nDATUM_IN(1)=3\nATYPE(2)=1\nDPOS(2)=40\nVMOVE(1) AXIS(1)");
    link.tick();
    ASSERT_EQ(ok("?IDLE(1)"), "0\r\n");
    const Outcome o = controller->execute(task, "reboot");
    EXPECT_EQ(o.code, 0);
    EXPECT_TRUE(o.dropLink);
    clock.advance(rebootSeconds + 0.5);
    ASSERT_FALSE(controller->rebooting());
    for (int t = 0; t < 10; ++t)
        link.tick();
    TaskContext fresh;
    EXPECT_EQ(
        controller->execute(fresh, "?SPEED(1) DATUM_IN(1) ATYPE(2) DPOS(2) DPOS(1) IDLE(1)").output,
        "100 -1 65 0 0 -1\r\n");
    // The restored engine still drives the axes.
    EXPECT_EQ(controller->execute(fresh, "MOVE(2) AXIS(1)").code, 0);
    for (int t = 0; t < 2000; ++t)
        link.tick();
    EXPECT_EQ(controller->execute(fresh, "?DPOS(1) IDLE(1)").output, "2 -1\r\n");
}

Profile halfMillisecondProfile()
{
    Profile p = testProfile();
    p.servoPeriodMs = 0.5;
    return p;
}

class HalfMillisecondServo : public ControllerTest
{
protected:
    HalfMillisecondServo() : ControllerTest(halfMillisecondProfile()) {}
};

TEST_F(HalfMillisecondServo, ServoPeriodIsReadableAndSetsTheTick)
{
    MotionLink link(*controller);
    EXPECT_EQ(ok("?SERVO_PERIOD"), "500\r\n"); // microseconds
    EXPECT_EQ(code("SERVO_PERIOD=1000"), 2005);
    // MOVE(10) at SPEED 100, ACCEL 1000 takes 0.2 s: 400 ticks of 0.5 ms.
    ok("MOVE(10) AXIS(0)");
    for (int i = 0; i < 398; ++i)
        link.tick();
    EXPECT_EQ(ok("?IDLE(0)"), "0\r\n");
    for (int i = 0; i < 4; ++i)
        link.tick();
    EXPECT_EQ(ok("?DPOS(0) IDLE(0)"), "10 -1\r\n");
}

TEST_F(MotionLinkTest, ServoPeriodOfTheUsualProfileIsOneMillisecond)
{
    EXPECT_EQ(ok("?SERVO_PERIOD"), "1000\r\n");
}

Profile analogueProfile()
{
    Profile p = testProfile();
    p.axisTypes = {3, 1, 65, 65};
    p.dacFullScaleSpeed = 5000;
    return p;
}

// Axis 0 is an encoder axis with an analogue speed command scaled by the
// profile: 50 units/s at UNITS 10 are 500 counts/s, a tenth of full scale.
class AnalogueServo : public ControllerTest
{
protected:
    AnalogueServo() : ControllerTest(analogueProfile()) {}
    MotionLink link{*controller};
};

TEST_F(AnalogueServo, ServoSwitchAndDacOutThroughTheirTexts)
{
    EXPECT_EQ(ok("?*SERVO"), "1 1 1 1 1 1 1 1\r\n");
    ok("UNITS(0)=10\r\nSPEED(0)=50\r\nACCEL(0)=1000000\r\nVMOVE(-1) AXIS(0)");
    for (int t = 0; t < 200; ++t)
        link.tick();
    EXPECT_EQ(ok("?DAC_OUT(0)"), "-3277\r\n");
    EXPECT_EQ(ok("?*DAC_OUT(0,3)"), "-3277 0 0\r\n");
    EXPECT_EQ(code("DAC_OUT(0)=5"), 2005);
    // SERVO=OFF: the feedback stands while the jog goes on.
    ok("SERVO(0)=0");
    link.tick();
    const std::string stood = ok("?MPOS(0)");
    const double error = std::stod(ok("?FE(0)"));
    for (int t = 0; t < 10; ++t)
        link.tick();
    EXPECT_EQ(ok("?MPOS(0)"), stood);
    EXPECT_EQ(ok("?SERVO(0) DAC_OUT(0) MSPEED(0)"), "0 0 0\r\n");
    EXPECT_NEAR(std::stod(ok("?FE(0)")) - error, -0.5, 2e-6); // 10 ticks at -50 units/s
    // Any true value closes it; a reboot closes it too.
    ok("SERVO AXIS(0) = -1\r\nSERVO(5)=0");
    EXPECT_EQ(ok("?SERVO(0) SERVO(5)"), "1 0\r\n");
    EXPECT_EQ(code("SERVO(8)=0"), 2003);
    ASSERT_EQ(controller->execute(task, "reboot").code, 0);
    clock.advance(rebootSeconds + 0.5);
    link.tick();
    TaskContext fresh;
    EXPECT_EQ(controller->execute(fresh, "?SERVO(5) DAC_OUT(0)").output, "1 0\r\n");
}

TEST_F(MotionLinkTest, LinkedAndEllipticMovesThroughTheirTexts)
{
    MotionLink link(*controller);
    // CAM runs the controller's own TABLE; CAMBOX follows axis 0 over it.
    ok("TABLE(0,0,4,10)\nCAM(0,2,1.5,20) AXIS(1)\nCAMBOX(0,2,1,50,0) AXIS(2)");
    ok("MOVELINK(6,50,10,10,0) AXIS(3)\nMOVEABS(50) AXIS(0)");
    EXPECT_EQ(ok("?IDLE(1) ENDMOVE_BUFFER(1) ENDMOVE_BUFFER(3)"), "0 15 6\r\n");
    for (int i = 0; i < 2000; ++i)
        link.tick();
    EXPECT_EQ(ok("?DPOS(1) DPOS(2) DPOS(3) IDLE(1) IDLE(2) IDLE(3)"), "15 10 6 -1 -1 -1\r\n");
    // From (50,15) a quarter ellipse round (50,25); an end off it has its own code.
    EXPECT_EQ(code("BASE(0,1)\nMECLIPSE(10,10,0,10,0,20,10)"), 2307);
    ok("BASE(0,1)\nMECLIPSE(20,10,0,10,0,20,10)");
    for (int i = 0; i < 2000; ++i)
        link.tick();
    EXPECT_EQ(ok("?DPOS(0) DPOS(1)"), "70 25\r\n");
}

} // namespace
} // namespace korvan::controller::testing

namespace korvan::controller::testing {
namespace {

Profile defaultProfile()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return loadProfile(std::string(source ? source : ".") + "/resources/sim/default.json");
}

// The shipped profile with the engine bound, ticked by hand.
class DefaultProfileMotion : public ControllerTest
{
protected:
    DefaultProfileMotion() : ControllerTest(defaultProfile()) {}

    // Ticks until the axis is idle; false when it is still busy after limit ticks.
    bool runUntilIdle(int axis, int limit)
    {
        const std::string query = "?IDLE(" + std::to_string(axis) + ")";
        for (int t = 0; t < limit; ++t) {
            link.tick();
            if (t % 50 == 0 && ok(query) == "-1\r\n")
                return true;
        }
        return ok(query) == "-1\r\n";
    }

    MotionLink link{*controller};
};

// The teach runner reads every type with "%d"; the texts are plain integers.
TEST_F(DefaultProfileMotion, RemainBufferTextsFallAndRiseWithTheBuffer)
{
    struct Room
    {
        const char* query;
        const char* empty;
        const char* withTwoQueued;
    };
    const Room rooms[] = {
        {"?REMAIN_BUFFER(1) AXIS(0)", "64\r\n", "62\r\n"},
        {"?REMAIN_BUFFER() AXIS(0)", "64\r\n", "62\r\n"},
        {"?REMAIN_BUFFER(7) AXIS(0)", "64\r\n", "62\r\n"},
        {"?REMAIN_BUFFER(28) AXIS(0)", "64\r\n", "62\r\n"},
        {"?REMAIN_BUFFER(29) AXIS(0)", "64\r\n", "62\r\n"},
        {"?REMAIN_BUFFER(31) AXIS(0)", "32\r\n", "31\r\n"},
        {"?REMAIN_BUFFER(5) AXIS(0)", "-1\r\n", "-1\r\n"},
    };
    for (const Room& r : rooms)
        EXPECT_EQ(ok(r.query), r.empty) << r.query;
    ok("BASE(0)\r\nMOVE_MARK=7\r\nMOVE(10)\r\nMOVE_MARK=8\r\nMOVE(10)\r\nMOVE_MARK=9\r\nMOVE(10)");
    link.tick();
    // The executing move takes no place; MOVE_CURMARK names it.
    for (const Room& r : rooms)
        EXPECT_EQ(ok(r.query), r.withTwoQueued) << r.query;
    EXPECT_EQ(ok("?MOVE_CURMARK(0)"), "7\r\n");
    for (int t = 0; t < 200 && ok("?MOVE_CURMARK(0)") == "7\r\n"; ++t)
        link.tick();
    EXPECT_EQ(ok("?MOVE_CURMARK(0) REMAIN_BUFFER(1) AXIS(0)"), "8 63\r\n");
    ASSERT_TRUE(runUntilIdle(0, 5000));
    EXPECT_EQ(ok("?REMAIN_BUFFER(1) AXIS(0) DPOS(0)"), "64 30\r\n");
    EXPECT_EQ(code("?REMAIN_BUFFER(1,2) AXIS(0)"), 2004);
}

// "?*SET" and the ENCODER count read the one ratio table the commands write.
TEST_F(DefaultProfileMotion, SetReportShowsTheRatiosTheEngineUses)
{
    ok("STEP_RATIO(2,3) AXIS(1)\r\nENCODER_RATIO(4,5) AXIS(1)\r\nUNITS(1)=100");
    const std::string set = ok("?*SET");
    EXPECT_EQ(set.substr(0, 22), "STEP_RATIO: 1~1 2~3 1~");
    EXPECT_NE(set.find("ENCODER_RATIO: 1~1 4~5 1~1"), std::string::npos) << set;
    ok("MOVE(10) AXIS(1)");
    ASSERT_TRUE(runUntilIdle(1, 5000));
    // 10 units of 100 counts, read through 4:5.
    EXPECT_EQ(ok("?MPOS(1) ENCODER(1)"), "10 1250\r\n");
}

TEST_F(DefaultProfileMotion, DisabledBusAxisRefusesMotionWithItsCode)
{
    ASSERT_EQ(ok("?ATYPE(3)"), "65\r\n");
    ok("AXIS_ENABLE(3)=0");
    const Outcome refused = controller->execute(task, "MOVE(10) AXIS(3)");
    EXPECT_EQ(refused.code, 2302);
    EXPECT_NE(refused.messages.find("ERROR 2302: line 1: bus axis not enabled"), std::string::npos)
        << refused.messages;
    EXPECT_EQ(code("VMOVE(1) AXIS(3)"), 2302);
    EXPECT_EQ(code("AXIS_STOPREASON(3) = 0\r\nDATUM(21,35) AXIS(3)"), 2302);
    // The panel's alarm clear for a bus axis, then enabling, lets it move again.
    ok("BASE(3)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)");
    ok("AXIS_ENABLE(3)=1\r\nMOVE(10) AXIS(3)");
    ASSERT_TRUE(runUntilIdle(3, 5000));
    EXPECT_EQ(ok("?DPOS(3) AXIS_ENABLE(3)"), "10 1\r\n");
    // A local axis has no drive homing.
    EXPECT_EQ(code("DATUM(21,35) AXIS(0)"), 2305);
}

// Axis 6, which the bus program of the shipped profile links to its first
// drive, is a bus axis: enabled or not, homed by the drive, its alarm
// cleared, its position seen by the drive's objects.
TEST_F(DefaultProfileMotion, ADriveAxisOfTheBusProgramHomesOnTheDrive)
{
    for (int t = 0; t < 100 && code("?Sys_version") != 0; ++t)
        link.tick();
    ASSERT_EQ(ok("?ATYPE(6) AXIS_ADDRESS(6)"), "65 65536\r\n");
    ok("AXIS_ENABLE(6)=0");
    EXPECT_EQ(code("MOVE(1) AXIS(6)"), 2302);
    EXPECT_EQ(code("DATUM(21,35) AXIS(6)"), 2302);
    // 20 units/s of 100 counts, reached after 20 ms at 1000 units/s².
    ok("AXIS_ENABLE(6)=1\r\nUNITS(6)=100\r\nSPEED(6)=20\r\nACCEL(6)=1000\r\nDECEL(6)=1000");
    ok("MOVE(5) AXIS(6)");
    for (int t = 0; t < 100; ++t)
        link.tick();
    ok("SDO_READ(0,0,$606C,0,4,0)");
    EXPECT_EQ(ok("?TABLE(0) MSPEED(6)"), "2000 20\r\n");
    ASSERT_TRUE(runUntilIdle(6, 5000));
    ok("SDO_READ(0,0,$6064,0,4,0)\r\nSDO_READ(0,0,$606C,0,4,1)");
    EXPECT_EQ(ok("?TABLE(0) TABLE(1) DPOS(6)"), "500 0 5\r\n");
    ok("DATUM(21,35) AXIS(6)");
    ASSERT_TRUE(runUntilIdle(6, 5000));
    ok("SDO_READ(0,0,$6064,0,4,0)");
    EXPECT_EQ(ok("?TABLE(0) DPOS(6) MPOS(6)"), "0 0 0\r\n");
    ok("BASE(6)\r\nDRIVE_CLEAR(0)");
    // Axis 4 is the module's: no drive to home it.
    EXPECT_EQ(code("DATUM(21,35) AXIS(4)"), 2305);
}

// The single-axis panel's homing index 8 (two passes to the Z pulse, forward) as it
// sends it, on axis 0 of the shipped profile: it must end on a Z pulse.
TEST_F(DefaultProfileMotion, PanelTwoPassZHomingEndsOnTheIndexPulse)
{
    ok("MOVE(-13) AXIS(0)");
    ASSERT_TRUE(runUntilIdle(0, 5000));
    ok("SPEED(0)=50.000000");
    ok("CREEP(0)=5.000000");
    ok("ACCEL(0)=500.000000");
    ok("DECEL(0)=500.000000");
    ok("DATUM_OFFSET(0)=0.000000");
    ok("BASE(0)\r\nAxis_stopreason=0\r\nSpeed=50.000000\r\nCreep=5.000000\r\n"
       "datum(11)\r\nMove_Para(Speed,0,5.000000)\r\nMOVE(3.000000)\r\ndatum(11)");
    link.tick();
    EXPECT_EQ(ok("?MTYPE(0) AXISSTATUS(0)"), "12 64\r\n");
    // Z every 10 units: -10 on the first pass, 0 after the 3-unit move; 13 units at 5/s.
    ASSERT_TRUE(runUntilIdle(0, 10000));
    EXPECT_EQ(ok("?DPOS(0) MPOS(0) SPEED(0) AXISSTATUS(0)"), "0 0 5 0\r\n");
    // Machine position 0 lies in the origin window: the origin input shows it.
    EXPECT_EQ(ok("?IN(0)"), "1\r\n");
    ok("MOVE(5) AXIS(0)");
    ASSERT_TRUE(runUntilIdle(0, 5000));
    EXPECT_EQ(ok("?IN(0)"), "0\r\n");
}

// The profile's limit switch stops a jog once FWD_IN names its input.
TEST_F(DefaultProfileMotion, WiredLimitStopsTheJogOnceNamed)
{
    ok("FWD_IN(2)=7\r\nSPEED(2)=2000\r\nACCEL(2)=20000\r\nFASTDEC(2)=20000\r\nVMOVE(1) AXIS(2)");
    ASSERT_TRUE(runUntilIdle(2, 3000));
    EXPECT_EQ(ok("?IN(7) AXISSTATUS(2) AXIS_STOPREASON(2)"), "1 16 16\r\n");
    const double stoppedAt = std::stod(ok("?DPOS(2)"));
    // The ramp from 2000 units/s at 20000 units/s² takes 100 units; the switch is seen
    // at the end of the tick that reaches it and acted on within the next two.
    EXPECT_GT(stoppedAt, 1100);
    EXPECT_LE(stoppedAt, 1100 + 3 * 2.0);
    EXPECT_EQ(code("VMOVE(1) AXIS(2)"), 2304);
}

// The profile wires R0 to R3 of axis 3 to inputs 13 to 16: REGIST 1-13 latch
// R0 and R1 into MARK and MARKB, REGIST 14-21 latch R2 and R3 into MARKC and
// MARKD, and the two latch units run side by side.
TEST_F(DefaultProfileMotion, FurtherRegistrationInputsLatchIntoMarkCAndMarkD)
{
    EXPECT_EQ(ok("?*MARKC"), "0 0 0 0 0 0 0 0\r\n");
    EXPECT_EQ(ok("?*REG_POSD(2,2)"), "0 0\r\n");
    ok("SPEED(3)=500\r\nACCEL(3)=100000\r\nDECEL(3)=100000");
    ok("REGIST(10) AXIS(3)\r\nREGIST(18) AXIS(3)\r\nMOVEABS(60.5) AXIS(3)");
    ASSERT_TRUE(runUntilIdle(3, 2000));
    EXPECT_EQ(ok("?IN(13) IN(14) IN(15) IN(16)"), "0 0 1 0\r\n");
    EXPECT_EQ(ok("?MARK(3) REG_POS(3) MARKB(3) REG_POSB(3)"), "-1 50 -1 55\r\n");
    EXPECT_EQ(ok("?MARKC(3) REG_POSC(3) MARKD(3)"), "-1 60 0\r\n");
    ok("MOVEABS(70) AXIS(3)");
    ASSERT_TRUE(runUntilIdle(3, 2000));
    EXPECT_EQ(ok("?MARKD(3) REG_POSD(3) IN(15)"), "-1 65 0\r\n");
    EXPECT_EQ(ok("?*MARKD(3,1) *REG_POSC(3,1)"), "-1 60\r\n");
    // Rising edges on the way back are the sensors' upper ends; the first unit,
    // not armed again, keeps its positions.
    ok("REGIST(18) AXIS(3)");
    EXPECT_EQ(ok("?MARKC(3) MARKD(3) MARK(3)"), "0 0 -1\r\n");
    ok("MOVEABS(0) AXIS(3)");
    ASSERT_TRUE(runUntilIdle(3, 2000));
    EXPECT_EQ(ok("?REG_POSC(3) REG_POSD(3) REG_POS(3) REG_POSB(3)"), "61 66 50 55\r\n");
    EXPECT_EQ(code("REGIST(22) AXIS(3)"), 2004);
    EXPECT_EQ(code("MARKC(3)=0"), 2005);
}

// The profile wires axis 3's drive alarm output to input 12: the drive
// drives that wire, and an inverted (normally closed) contact reads as an
// alarm that stops the axis.
TEST_F(DefaultProfileMotion, WiredAlarmInputCarriesTheDriveAlarmOutput)
{
    controller->setInputLevel(12, true);
    link.tick();
    EXPECT_EQ(ok("?IN(12)"), "0\r\n");
    ok("ALM_IN(3)=12\r\nINVERT_IN(12,1)\r\nVMOVE(1) AXIS(3)");
    link.tick();
    EXPECT_EQ(ok("?IN(12)"), "1\r\n");
    ASSERT_TRUE(runUntilIdle(3, 100));
    EXPECT_EQ(std::stoi(ok("?AXIS_STOPREASON(3)")) & 8, 8);
}

} // namespace
} // namespace korvan::controller::testing
