#include "workbench/axis/reciprocation_pump.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::axis {
namespace {

using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::IsEmpty;

class Reciprocation : public ::testing::Test
{
protected:
    void SetUp() final
    {
        port.answers["?REMAIN_BUFFER(1) AXIS(1)"] = {0, "100"};
        ports[2] = &port;
        AxisPanelEntry& e = entry();
        e.reciprocationActive = 1;
        e.cyclesDone = 0;
    }
    AxisPanelEntry& entry() { return memory->at(2, 1); }

    FakeAxisPort port;
    SlotPorts ports{};
    std::unique_ptr<AxisPanelMemory> memory = std::make_unique<AxisPanelMemory>();
};

TEST_F(Reciprocation, TwoAbsoluteCyclesWithDelayThenInactive)
{
    entry().cycleCount = 2;
    entry().reciprocationPosition1 = 0;
    entry().reciprocationPosition2 = 100;
    entry().absoluteMode = 1;
    entry().inPositionDelay = 50;
    const std::vector<std::string> cycle{"?REMAIN_BUFFER(1) AXIS(1)", "MOVEABS(0.000000) AXIS(1)",
                                         "BASE(1)\r\nMOVE_WA(50)", "MOVEABS(100.000000) AXIS(1)",
                                         "BASE(1)\r\nMOVE_WA(50)"};
    ReciprocationPump::tick(ports, *memory);
    EXPECT_EQ(port.commands(), cycle);
    ReciprocationPump::tick(ports, *memory);
    EXPECT_EQ(port.commands().size(), 2 * cycle.size());
    EXPECT_TRUE(std::equal(cycle.begin(), cycle.end(), port.commands().begin() + 5));
    EXPECT_FLOAT_EQ(entry().cyclesDone, 2.0f);
    ReciprocationPump::tick(ports, *memory);
    EXPECT_EQ(port.commands().size(), 2 * cycle.size()) << "nothing more is queued";
    EXPECT_EQ(entry().reciprocationActive, 0);
    EXPECT_FLOAT_EQ(entry().cyclesDone, 0.0f);
}

TEST_F(Reciprocation, RelativeWithoutDelayMovesByBothDistances)
{
    entry().reciprocationPosition1 = 5;
    entry().reciprocationPosition2 = -5;
    ReciprocationPump::tick(ports, *memory);
    EXPECT_THAT(port.commands(), ElementsAre("?REMAIN_BUFFER(1) AXIS(1)", "MOVE(5.000000) AXIS(1)",
                                             "MOVE(-5.000000) AXIS(1)"));
}

TEST_F(Reciprocation, CycleCountZeroRunsUntilStopped)
{
    entry().cycleCount = 0;
    for (int tick = 0; tick < 50; ++tick)
        ReciprocationPump::tick(ports, *memory);
    EXPECT_EQ(entry().reciprocationActive, 1);
    EXPECT_FLOAT_EQ(entry().cyclesDone, 50.0f);
    entry().reciprocationActive = 0; // the stop button
    port.log.clear();
    ReciprocationPump::tick(ports, *memory);
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(Reciprocation, WaitsWhileTheBufferIsNearlyFullOrUnreadable)
{
    for (const FakeAxisPort::Answer& answer :
         {FakeAxisPort::Answer{0, "8"}, FakeAxisPort::Answer{3400, ""}, FakeAxisPort::Answer{0, ""},
          FakeAxisPort::Answer{0, "x"}}) {
        port.answers["?REMAIN_BUFFER(1) AXIS(1)"] = answer;
        port.log.clear();
        ReciprocationPump::tick(ports, *memory);
        EXPECT_THAT(port.commands(), ElementsAre("?REMAIN_BUFFER(1) AXIS(1)")) << answer.reply;
        EXPECT_FLOAT_EQ(entry().cyclesDone, 0.0f);
    }
}

TEST_F(Reciprocation, SlotsWithoutLinkAreSkippedAndEachSlotUsesItsOwnPort)
{
    FakeAxisPort other;
    other.answers["?REMAIN_BUFFER(1) AXIS(0)"] = {0, "50"};
    ports[29] = &other;
    memory->at(29, 0).reciprocationActive = 1;
    memory->at(0, 1).reciprocationActive = 1; // slot 0 has no link
    ReciprocationPump::tick(ports, *memory);
    EXPECT_EQ(other.commands().front(), "?REMAIN_BUFFER(1) AXIS(0)");
    EXPECT_EQ(other.commands().size(), 3u);
    EXPECT_EQ(port.commands().size(), 3u);
}

} // namespace
} // namespace korvan::axis
