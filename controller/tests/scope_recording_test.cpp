#include "controller/bus/axis_link.h"
#include "controller/motion_link.h"

#include "controller_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace korvan::controller::testing {
namespace {

class ScopeRecordingTest : public ControllerTest
{
protected:
    double value(const std::string& expression) { return std::atof(ok("?" + expression).c_str()); }
    int scopePos() { return static_cast<int>(value("SCOPE_POS")); }

    MotionLink link{*controller};
};

TEST_F(ScopeRecordingTest, SingleCaptureRecordsEverySourceChannelMajorAtTheInterval)
{
    ok("SPEED(0)=100\nACCEL(0)=1000\nDECEL(0)=1000");
    ok("SCOPE(1,3,100,139,DPOS(0),VP_SPEED(0))"); // depth 20
    ok("MOVEABS(100) AXIS(0)");
    ok("TRIGGER");
    std::vector<double> dpos;
    std::vector<double> speed;
    for (int tick = 0; tick < 3 * 25; ++tick) {
        link.tick();
        if (tick % 3 == 0 && dpos.size() < 20) {
            dpos.push_back(value("DPOS(0)"));
            speed.push_back(value("VP_SPEED(0)"));
        }
    }
    EXPECT_EQ(scopePos(), 20);
    for (int j = 0; j < 20; ++j) {
        EXPECT_DOUBLE_EQ(value("TABLE(" + std::to_string(100 + j) + ")"), dpos[j]) << j;
        EXPECT_DOUBLE_EQ(value("TABLE(" + std::to_string(120 + j) + ")"), speed[j]) << j;
    }
    EXPECT_GT(dpos.back(), dpos.front());
    // The area past the capture is untouched.
    EXPECT_EQ(value("TABLE(140)"), 0.0);
}

TEST_F(ScopeRecordingTest, NothingIsRecordedBeforeATriggerAndASecondTriggerStartsOver)
{
    ok("VR(3)=7\nSCOPE(1,1,0,9,VR(3),IN(0))");
    for (int i = 0; i < 5; ++i)
        link.tick();
    EXPECT_EQ(scopePos(), 0);
    EXPECT_EQ(value("TABLE(0)"), 0.0);
    ok("TRIGGER");
    for (int i = 0; i < 3; ++i)
        link.tick();
    EXPECT_EQ(scopePos(), 3);
    EXPECT_EQ(value("TABLE(2)"), 7.0);
    ok("TRIGGER");
    EXPECT_EQ(scopePos(), 0);
    link.tick();
    EXPECT_EQ(scopePos(), 1);
}

TEST_F(ScopeRecordingTest, ContinuousCaptureStartsOverWhenFullAndStopHoldsThePosition)
{
    ok("SCOPE(1,2,0,7,VR(1),VR(2))"); // depth 4
    ok("TRIGGER(1)");
    std::vector<int> positions;
    for (int tick = 0; tick < 12; ++tick) {
        ok("VR(1)=" + std::to_string(tick));
        link.tick();
        positions.push_back(scopePos());
    }
    // A sample on ticks 0, 2, 4, ...; full at 4 until the next sample is due.
    EXPECT_EQ(positions, (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 1, 1, 2, 2}));
    // The second capture overwrote samples 0 and 1 with ticks 8 and 10.
    EXPECT_EQ(value("TABLE(0)"), 8.0);
    EXPECT_EQ(value("TABLE(1)"), 10.0);
    EXPECT_EQ(value("TABLE(2)"), 4.0);
    ok("SCOPE(0)");
    for (int i = 0; i < 4; ++i)
        link.tick();
    EXPECT_EQ(scopePos(), 2);
}

// Axis 0 an encoder axis with R2 and R3 wired, axis 2 driving the EtherCAT
// drive: every latch, loop and drive value the panel offers has something to show.
Profile servoSourcesProfile()
{
    Profile p = testProfile();
    p.axisTypes = {3, 1, 65, 65};
    p.dacFullScaleSpeed = 10000;
    AxisSwitches sw;
    sw.axis = 0;
    sw.registration[2] = {20, 2, 3};
    sw.registration[3] = {21, 4, 5};
    p.switches.push_back(sw);
    return p;
}

class ServoSourcesRecording : public ControllerTest
{
protected:
    ServoSourcesRecording() : ControllerTest(servoSourcesProfile()) {}
    MotionLink link{*controller};
};

TEST_F(ServoSourcesRecording, LatchLoopAndDriveSourcesRecordTheirExactValues)
{
    const std::vector<std::string> sources = {"MARKC(0)",       "REG_POSC(0)", "MARKD(0)",
                                              "REG_POSD(0)",    "DAC_OUT(0)",  "SERVO(0)",
                                              "DRIVE_TORQUE(2)"};
    constexpr int depth = 300;
    std::string setup = "SCOPE(1,1,1000," + std::to_string(1000 + 7 * depth - 1);
    std::string query = "?";
    for (const std::string& source : sources) {
        setup += "," + source;
        query += source + " ";
    }
    ok("AXIS_ADDRESS(2)=" + std::to_string(busAxisAddress(0, 0, 0)));
    ok("UNITS(0)=100\r\nSPEED(0)=25\r\nACCEL(0)=500\r\nDECEL(0)=500\r\nREGIST(18) AXIS(0)");
    ok("UNITS(2)=1000\r\nSPEED(2)=40\r\nACCEL(2)=400\r\nDECEL(2)=400");
    ok(setup + ")\r\nTRIGGER");
    ok("MOVEABS(6) AXIS(0)\r\nMOVE(8) AXIS(2)");
    std::vector<std::vector<std::string>> seen(sources.size());
    for (int tick = 0; tick < depth; ++tick) {
        if (tick == 120)
            ok("SERVO(0)=0");
        if (tick == 150)
            ok("SERVO(0)=1");
        link.tick();
        std::istringstream values(ok(query));
        for (auto& column : seen) {
            std::string value;
            values >> value;
            column.push_back(value);
        }
    }
    ASSERT_EQ(ok("?SCOPE_POS"), std::to_string(depth) + "\r\n");
    for (std::size_t c = 0; c < sources.size(); ++c) {
        for (int j = 0; j < depth; ++j) {
            const int index = 1000 + static_cast<int>(c) * depth + j;
            ASSERT_EQ(ok("?TABLE(" + std::to_string(index) + ")"), seen[c][j] + "\r\n")
                << sources[c] << " sample " << j;
        }
    }
    // Each source changed during the record, so the channels cannot be mixed up.
    auto has = [&](std::size_t c, const std::string& value) {
        return std::find(seen[c].begin(), seen[c].end(), value) != seen[c].end();
    };
    for (std::size_t c : {0u, 2u, 5u})
        EXPECT_TRUE(has(c, "0") && has(c, c == 5 ? "1" : "-1")) << sources[c];
    EXPECT_EQ(seen[1].back(), "2");
    EXPECT_EQ(seen[3].back(), "4");
    EXPECT_NE(seen[4][100], "0") << "DAC_OUT while the axis runs";
    EXPECT_EQ(seen[4][130], "0") << "DAC_OUT with the loop open";
    EXPECT_NE(seen[6][50], "0") << "DRIVE_TORQUE while the drive speeds up";
}

TEST_F(ScopeRecordingTest, BadSetupsAnswerWithATextThePanelShows)
{
    struct Case
    {
        const char* command;
        const char* why;
    };
    const Case cases[] = {
        {"SCOPE(1,1,0,99,NOSUCH(0))", "unknown source"},
        {"SCOPE(1,1,0,99,DPOS(99))", "axis out of range"},
        {"SCOPE(1,1,4990,5009,DPOS(0))", "range beyond TSIZE"},
        {"SCOPE(1,1,50,10,DPOS(0))", "last before first"},
        {"SCOPE(1,0,0,99,DPOS(0))", "interval 0"},
        {"SCOPE(1,1,0,99,5)", "a number is not a source"},
        {"SCOPE(1,1,0,2,DPOS(0),DPOS(1),DPOS(2),DPOS(3))", "more channels than samples"},
        {"SCOPE(1,1,0,899,DPOS(0),DPOS(1),DPOS(2),DPOS(3),DPOS(4),DPOS(5),DPOS(6),DPOS(7),"
         "VR(0))",
         "nine channels"},
        {"SCOPE(2)", "unknown mode"},
    };
    for (const Case& c : cases) {
        const Outcome o = controller->execute(task, c.command);
        EXPECT_NE(o.code, 0) << c.why;
        EXPECT_NE(o.output.find("ERROR"), std::string::npos) << c.why << ": " << o.output;
    }
    EXPECT_FALSE(controller->withState([](ControllerState& s) { return s.scope.configured(); }));
    // A continuous trigger without a setup says so; a plain one is harmless.
    EXPECT_NE(controller->execute(task, "TRIGGER(1)").output.find("ERROR"), std::string::npos);
    EXPECT_EQ(ok("TRIGGER"), "");
}

} // namespace
} // namespace korvan::controller::testing
