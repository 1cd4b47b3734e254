#include "controller/motion_link.h"

#include "controller_fixture.h"

#include <cstdlib>
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
