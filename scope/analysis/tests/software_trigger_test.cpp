// The software trigger on a record that grows as a continuous capture does.
#include "scope/analysis/software_trigger.h"
#include "scope/analysis/tests/record_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvan::scope {
namespace {

using Event = SoftwareTrigger::Event;
using State = SoftwareTrigger::State;

// A slow sawtooth on channel 1: rises by 1 per sample from 0 to 99, then drops to 0.
float saw(int c, int s)
{
    return c == 1 ? static_cast<float>(s % 100) : 0.0F;
}

class TriggerFixture : public ::testing::Test
{
protected:
    TriggerFixture() : record(testing::makeRecord(2, 0, saw, 5000)) {}

    /// The capture brings n more samples.
    void grow(int n) { record.total += n; }

    TriggerSettings settingsFor(TriggerEdge edge, double level, double pre, TriggerMode mode)
    {
        return {.channel = 1, .level = level, .edge = edge, .preTrigger = pre, .mode = mode};
    }

    ScopeRecord record;
    SoftwareTrigger trigger;
};

TEST_F(TriggerFixture, CrossingPositionAndPreTriggerPlacement)
{
    struct Case
    {
        const char* name;
        TriggerEdge edge;
        double level;
        double pre;
        double position; ///< the first crossing after sample 10
        int viewStart;   ///< for a window of 200 samples
    };
    const Case cases[] = {
        // 49 → 50 reaches 49.5 halfway: position 49.5; the window's first fifth before it.
        {"rising through 49.5", TriggerEdge::Rising, 49.5, 0.2, 49.5, 10},
        {"rising at an exact sample", TriggerEdge::Rising, 60.0, 0.0, 60.0, 60},
        // 99 → 0 falls through 30 at 99 + 69/99.
        {"falling", TriggerEdge::Falling, 30.0, 0.5, 99.0 + 69.0 / 99.0, 0},
        {"falling, half the window before", TriggerEdge::Falling, 30.0, 0.25, 99.0 + 69.0 / 99.0,
         50},
    };
    for (const Case& c : cases) {
        record.total = 10;
        trigger.setSettings(settingsFor(c.edge, c.level, c.pre, TriggerMode::Single));
        trigger.arm(record);
        EXPECT_EQ(trigger.scan(record, 200), Event::None) << c.name;
        grow(150);
        ASSERT_EQ(trigger.scan(record, 200), Event::Triggered) << c.name;
        ASSERT_TRUE(trigger.position()) << c.name;
        EXPECT_NEAR(*trigger.position(), c.position, 1e-9) << c.name;
        EXPECT_EQ(trigger.viewStart(200), c.viewStart) << c.name;
    }
}

TEST_F(TriggerFixture, OnlyCrossingsAfterArmingCount)
{
    record.total = 120; // holds the rise through 50 at sample 50
    trigger.setSettings(settingsFor(TriggerEdge::Rising, 50.0, 0.0, TriggerMode::Single));
    trigger.arm(record);
    EXPECT_EQ(trigger.scan(record, 100), Event::None);
    grow(40);
    ASSERT_EQ(trigger.scan(record, 100), Event::Triggered);
    EXPECT_DOUBLE_EQ(*trigger.position(), 150.0);
}

TEST_F(TriggerFixture, SingleHoldsTheFirstWindowRepeatedShowsEachWindowOnce)
{
    for (const TriggerMode mode : {TriggerMode::Single, TriggerMode::Repeated}) {
        record.total = 1;
        // Window 100, a quarter before the crossing: 75 samples after it must arrive.
        trigger.setSettings(settingsFor(TriggerEdge::Rising, 50.0, 0.25, mode));
        trigger.arm(record);
        std::vector<double> triggers;
        int completes = 0;
        for (int tick = 0; tick < 100; ++tick) {
            grow(10);
            const Event e = trigger.scan(record, 100);
            if (e == Event::Triggered)
                triggers.push_back(*trigger.position());
            if (e == Event::WindowComplete) {
                ++completes;
                // The window is complete once the crossing's last sample after it is in.
                EXPECT_GE(record.total, *trigger.position() + 75);
                EXPECT_LT(record.total - 10, *trigger.position() + 75);
            }
        }
        if (mode == TriggerMode::Single) {
            EXPECT_EQ(triggers, std::vector<double>{50.0});
            EXPECT_EQ(completes, 1);
            EXPECT_EQ(trigger.state(), State::Held);
        } else {
            // The saw crosses 50 every 100 samples; the hold-off to each window's end
            // lets every crossing through, each once.
            ASSERT_GE(triggers.size(), 9U);
            for (std::size_t i = 0; i < triggers.size(); ++i)
                EXPECT_DOUBLE_EQ(triggers[i], 50.0 + 100.0 * static_cast<double>(i));
            EXPECT_GE(completes, 9);
        }
    }
}

TEST_F(TriggerFixture, RepeatedHoldOffSkipsCrossingsInsideTheWindow)
{
    record.total = 1;
    // A window of 350 samples: the crossings at 150 and 250 lie inside the first window.
    trigger.setSettings(settingsFor(TriggerEdge::Rising, 50.0, 0.0, TriggerMode::Repeated));
    trigger.arm(record);
    std::vector<double> triggers;
    for (int tick = 0; tick < 120; ++tick) {
        grow(10);
        if (trigger.scan(record, 350) == Event::Triggered)
            triggers.push_back(*trigger.position());
    }
    EXPECT_EQ(triggers, (std::vector<double>{50.0, 450.0, 850.0}));
    // While it waits for the next crossing the last one stays known (and marked).
    ASSERT_EQ(trigger.state(), State::Waiting);
    EXPECT_EQ(trigger.position(), 850.0);
}

TEST_F(TriggerFixture, ANewRecordIsSearchedFromItsStart)
{
    record.total = 30;
    trigger.setSettings(settingsFor(TriggerEdge::Rising, 50.0, 0.0, TriggerMode::Repeated));
    trigger.arm(record);
    grow(10);
    EXPECT_EQ(trigger.scan(record, 100), Event::None);
    // A manual trigger empties the record; the new one's first crossing counts.
    record.total = 0;
    record.touch();
    EXPECT_EQ(trigger.scan(record, 100), Event::None);
    record.total = 80;
    ASSERT_EQ(trigger.scan(record, 100), Event::Triggered);
    EXPECT_DOUBLE_EQ(*trigger.position(), 50.0);
}

TEST_F(TriggerFixture, SettingsAreHeldInRange)
{
    trigger.setSettings({.channel = 12, .level = 1, .preTrigger = 3.0});
    EXPECT_EQ(trigger.settings().channel, kMaxChannels - 1);
    EXPECT_EQ(trigger.settings().preTrigger, 1.0);
    trigger.setSettings({.channel = -2, .preTrigger = NAN});
    EXPECT_EQ(trigger.settings().channel, 0);
    EXPECT_EQ(trigger.settings().preTrigger, 0.0);
    // A channel the record does not have never triggers.
    trigger.setSettings({.channel = 5, .level = 50});
    record.total = 1;
    trigger.arm(record);
    grow(500);
    EXPECT_EQ(trigger.scan(record, 100), Event::None);
    EXPECT_EQ(trigger.scan(record, 100), Event::None);
}

} // namespace
} // namespace korvan::scope
