// DRIVE_TORQUE: the torque a bus drive works out from the demand of the axis
// that drives it, stepped tick by tick with the motion engine bound.
#include "bus_profile.h"
#include "controller/bus/axis_link.h"
#include "controller/motion_link.h"
#include "controller_fixture.h"

#include <cstdlib>
#include <numbers>
#include <string>

namespace korvan::controller::testing {
namespace {

// The first drive's constants make the inertial torque in per mille equal to
// the commanded acceleration in counts/s²: 1000 × 0.001 × a × 2π /
// (1000 × 2π × 0.001) = a. Friction 30 per mille.
Profile torqueProfile()
{
    Profile p = busProfile();
    BusNode& drive = p.slots[0].nodes[0];
    drive.countsPerRev = 1000;
    drive.inertia = 0.001;
    drive.ratedTorque = 2 * std::numbers::pi * 0.001;
    drive.friction = 30;
    return p;
}

class DriveTorque : public ControllerTest
{
protected:
    DriveTorque() : ControllerTest(torqueProfile())
    {
        ok("AXIS_ADDRESS(4)=" + std::to_string(busAxisAddress(0, 0, 0)) + "\r\nATYPE(4)=65");
        ok("UNITS(4)=1\r\nSPEED(4)=100\r\nACCEL(4)=500\r\nDECEL(4)=400");
        run(1); // the drive sees its axis before the move
    }

    void run(int ticks)
    {
        for (int t = 0; t < ticks; ++t)
            link.tick();
    }
    int torque() { return std::atoi(ok("?DRIVE_TORQUE(4)").c_str()); }

    MotionLink link{*controller};
};

TEST_F(DriveTorque, InertiaTimesTheCommandedAccelerationPlusFriction)
{
    // 0.2 s up at 500, cruise at 100, 0.25 s down at 400: 50 units in 0.725 s.
    ok("MOVE(50) AXIS(4)");
    run(10);
    EXPECT_EQ(torque(), 530);
    EXPECT_EQ(ok("?DRIVE_TORQUE AXIS(4)"), "530\r\n");
    ok("SDO_READ(0,0,$6077,0,3,0)");
    EXPECT_EQ(ok("?TABLE(0)"), "530\r\n");
    run(300);
    EXPECT_EQ(torque(), 30);
    run(300);
    EXPECT_EQ(torque(), -370);
    run(200);
    EXPECT_EQ(ok("?IDLE(4) DRIVE_TORQUE(4)"), "-1 0\r\n");
    // Backwards the signs turn round; the drive's max torque holds it.
    ok("MOVE(-50) AXIS(4)");
    run(10);
    EXPECT_EQ(torque(), -530);
    ok("SDO_WRITE(0,0,$6072,0,6,300)");
    run(1);
    EXPECT_EQ(torque(), -300);
}

TEST_F(DriveTorque, NoTorqueWithoutADriveAPoweredAxisOrAClosedLoop)
{
    ok("VMOVE(1) AXIS(4)");
    run(250); // at speed after 200
    EXPECT_EQ(torque(), 30);
    struct Step
    {
        const char* command;
        int torque; // in the next cycle
    };
    // Switched off, the axis stops at once; switched on again, it stands.
    const Step steps[] = {
        {"SERVO(4)=0", 0}, {"SERVO(4)=1", 30}, {"AXIS_ENABLE(4)=0", 0}, {"AXIS_ENABLE(4)=1", 0}};
    for (const Step& step : steps) {
        ok(step.command);
        run(1);
        EXPECT_EQ(torque(), step.torque) << step.command;
    }
    // A local axis, and a drive that no axis drives, report none.
    ok("VMOVE(1) AXIS(0)");
    run(10);
    EXPECT_EQ(ok("?DRIVE_TORQUE(0)"), "0\r\n");
    ok("SDO_READ(0,1,$6077,0,3,0)");
    EXPECT_EQ(ok("?TABLE(0)"), "0\r\n");
    EXPECT_EQ(code("DRIVE_TORQUE(4)=1"), 2010);
    EXPECT_EQ(code("?DRIVE_TORQUE(8)"), 2003);
}

TEST_F(DriveTorque, AnAxisTakingTheDriveOverStartsWithoutAnAccelerationStep)
{
    ok("VMOVE(1) AXIS(4)");
    run(250);
    // Axis 3 names the same drive axis: being lower, it drives it from now on,
    // standing still; the drive does not see axis 4's speed vanish as a stop.
    ok("AXIS_ADDRESS(3)=" + std::to_string(busAxisAddress(0, 0, 0)) + "\r\nATYPE(3)=65");
    run(1);
    EXPECT_EQ(ok("?DRIVE_TORQUE(3) DRIVE_TORQUE(4)"), "0 0\r\n");
    ok("UNITS(3)=1\r\nSPEED(3)=100\r\nACCEL(3)=500\r\nVMOVE(-1) AXIS(3)");
    run(5);
    EXPECT_EQ(ok("?DRIVE_TORQUE(3)"), "-530\r\n");
}

} // namespace
} // namespace korvan::controller::testing
