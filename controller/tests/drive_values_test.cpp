// DRIVE_STATUS and DRIVE_FE: what a bus drive reports about the axis that
// drives it, read with "?" and recorded by SCOPE.
#include "bus_profile.h"
#include "controller/bus/axis_link.h"
#include "controller_fixture.h"

#include <string>

namespace korvan::controller::testing {
namespace {

class DriveValues : public ControllerTest
{
protected:
    DriveValues() : ControllerTest(busProfile()) {}

    void link(int axis, int slot, int node, int k)
    {
        ok("AXIS_ADDRESS(" + std::to_string(axis) +
           ")=" + std::to_string(busAxisAddress(slot, node, k)) + "\r\nATYPE(" +
           std::to_string(axis) + ")=65");
    }
};

TEST_F(DriveValues, StatuswordAndFollowingErrorOfTheDriveAnAxisDrives)
{
    link(4, 0, 0, 0);
    link(6, 0, 1, 1); // the second axis of the two-axis drive
    tick();           // the drives power up and the controller enables them
    ok("UNITS(4)=100\r\nDPOS(4)=2.5\r\nMPOS(4)=1.5\r\nDPOS(6)=-3\r\nMPOS(6)=4");
    // 0x1637: operation enabled, target reached (idle), following the target.
    EXPECT_EQ(ok("?DRIVE_STATUS(4) DRIVE_FE(4) DRIVE_FE(6)"), "5687 100 -7\r\n");
    EXPECT_EQ(ok("?DRIVE_FE AXIS(4)"), "100\r\n");
    EXPECT_EQ(ok("BASE(6)\r\n?DRIVE_FE"), "-7\r\n");
    ok("AXIS_ENABLE(4)=0");
    EXPECT_EQ(ok("?DRIVE_STATUS(4)"), "561\r\n"); // 0x0231: shut down, ready to switch on

    // No drive behind a local axis, nor behind a second axis naming a drive
    // axis that a lower one already drives.
    link(5, 0, 0, 0);
    ok("DPOS(5)=9");
    EXPECT_EQ(ok("?DRIVE_STATUS(0) DRIVE_FE(0) DRIVE_STATUS(5) DRIVE_FE(5)"), "0 0 0 0\r\n");
    EXPECT_EQ(code("?DRIVE_STATUS(8)"), 2003);
    EXPECT_EQ(code("?DRIVE_FE(-1)"), 2003);
    EXPECT_EQ(code("?DRIVE_FE(1.5)"), 2003);
    EXPECT_EQ(code("DRIVE_FE(4)=1"), 2010);
}

TEST_F(DriveValues, ScopeRecordsThem)
{
    link(4, 0, 0, 0);
    tick();
    ok("DPOS(4)=3\r\nMPOS(4)=1");
    ok("SCOPE(1,1,0,9,DRIVE_STATUS(4),DRIVE_FE(4))\r\nTRIGGER");
    tick();
    ok("AXIS_ENABLE(4)=0\r\nMPOS(4)=2");
    tick();
    EXPECT_EQ(ok("?SCOPE_POS TABLE(0) TABLE(1) TABLE(5) TABLE(6)"), "2 5687 561 2 1\r\n");
}

} // namespace
} // namespace korvan::controller::testing
