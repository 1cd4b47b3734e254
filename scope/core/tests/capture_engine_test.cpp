#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace korvan::scope {
namespace {

using testing::FakeCaptureHost;
using testing::FakeScopeLink;

class CaptureFixture : public ::testing::Test
{
protected:
    CaptureFixture()
    {
        settings.channelCount = 2;
        settings.depth = 1000;
        rows[1].source = "DPOS";
    }

    bool sent(const std::string& text) const
    {
        return std::find(link.commands.begin(), link.commands.end(), text) != link.commands.end();
    }
    int countSent(const std::string& text) const
    {
        return static_cast<int>(std::count(link.commands.begin(), link.commands.end(), text));
    }
    // Every sample of the record is the controller's sequence 0, 1, 2, ... without gaps.
    void expectSequence(int samples) const
    {
        ASSERT_EQ(record.total, samples);
        for (int c = 0; c < record.channelCount; ++c)
            for (int s = 0; s < samples; ++s)
                ASSERT_EQ(record.sample(c, s), FakeScopeLink::value(c, s))
                    << "channel " << c << " sample " << s;
    }

    FakeScopeLink link;
    ControllerSpec spec;
    ScopeSettings settings;
    ScopeChannels rows = defaultChannels();
    ScopeRecord record;
    FakeCaptureHost host;
    CaptureEngine engine{link, spec, settings, rows, record, host};
};

TEST_F(CaptureFixture, StartSendsScopeCommandForTwoChannelsAtTableEnd)
{
    settings.useEndOfTable = false;
    engine.start();
    EXPECT_TRUE(sent("SCOPE(1,1,0,1999,VP_SPEED(0),DPOS(1))"));
    EXPECT_TRUE(engine.state().running);
    EXPECT_EQ(record.traces[0].label, "VP_SPEED(0)");
    EXPECT_EQ(record.traces[1].label, "DPOS(1)");
    EXPECT_EQ(host.started, 1);

    settings.useEndOfTable = true;
    engine.stop();
    engine.start();
    EXPECT_TRUE(sent("SCOPE(1,1,8000,9999,VP_SPEED(0),DPOS(1))"));
}

TEST_F(CaptureFixture, StartRefusals)
{
    struct Case
    {
        const char* name;
        bool connected;
        std::uint8_t channels;
        std::int32_t tableSize;
        const char* message;
    };
    const Case cases[] = {
        {"no link", false, 8, 10000, "Controller not connected."},
        {"no scope channels", true, 0, 10000, "控制器不支持."},
        {"table too small", true, 8, 1500, "Over Table."},
    };
    for (const Case& c : cases) {
        FakeScopeLink l;
        l.isConnected = c.connected;
        l.spec[55] = c.channels;
        l.tableSize = c.tableSize;
        ControllerSpec sp;
        FakeCaptureHost h;
        ScopeRecord r;
        CaptureEngine e{l, sp, settings, rows, r, h};
        e.start();
        ASSERT_EQ(h.messages.size(), 1U) << c.name;
        EXPECT_EQ(h.messages[0], c.message) << c.name;
        EXPECT_FALSE(e.state().running) << c.name;
        EXPECT_TRUE(std::none_of(l.commands.begin(), l.commands.end(), [](const std::string& t) {
            return t.starts_with("SCOPE(");
        })) << c.name;
    }
}

TEST_F(CaptureFixture, ScopeReplyIsShownWithCarriageReturns)
{
    link.replies["SCOPE(1,1,8000,9999,VP_SPEED(0),DPOS(1))"] = "bad\nsource";
    engine.start();
    ASSERT_EQ(host.messages.size(), 1U);
    EXPECT_EQ(host.messages[0], "bad\r\nsource");
    EXPECT_TRUE(engine.state().running);
}

// The controller refuses a setup and keeps its previous one: the panel must
// not go on to read that setup's samples under the new labels.
TEST_F(CaptureFixture, RefusedSetupStaysStoppedAndKeepsTheLastRecord)
{
    engine.start();
    engine.manualTrigger();
    link.produce(500);
    engine.poll();
    engine.stop();
    ASSERT_EQ(record.total, 500);
    const auto generation = record.generation;

    struct Case
    {
        const char* name;
        const char* reply;
        std::int32_t code;
        const char* message;
    };
    const Case cases[] = {
        {"error reply and code", "ERROR: SCOPE: bad source\n", 2004,
         "ERROR: SCOPE: bad source\r\n"},
        {"error reply alone", "ERROR: SCOPE: bad source", 0, "ERROR: SCOPE: bad source"},
        {"code without reply", "", 3100, "SCOPE refused, error 3100."},
    };
    rows[1].source = "NO_SUCH";
    const std::string refused = "SCOPE(1,1,8000,9999,VP_SPEED(0),NO_SUCH(1))";
    for (const Case& c : cases) {
        host.messages.clear();
        link.replies[refused] = c.reply;
        link.codes[refused] = c.code;
        engine.start();
        EXPECT_FALSE(engine.state().running) << c.name;
        ASSERT_EQ(host.messages.size(), 1U) << c.name;
        EXPECT_EQ(host.messages[0], c.message) << c.name;
        EXPECT_EQ(host.started, 1) << c.name << ": nothing locked, no Start keys written";
        EXPECT_EQ(record.traces[1].label, "DPOS(1)") << c.name;
        EXPECT_EQ(record.generation, generation) << c.name;
        expectSequence(500);

        // The controller still reports its previous capture; nothing is read.
        link.produce(100);
        const auto reads = link.readSizes.size();
        engine.poll();
        EXPECT_EQ(link.readSizes.size(), reads) << c.name;
        EXPECT_EQ(record.total, 500) << c.name;
    }

    // A reply that is no refusal is shown and the capture runs.
    link.replies[refused] = "note";
    link.codes[refused] = 0;
    host.messages.clear();
    engine.start();
    EXPECT_TRUE(engine.state().running);
    EXPECT_EQ(host.messages, std::vector<std::string>{"note"});
}

TEST_F(CaptureFixture, SingleCaptureReadsExactSamplesThenStays)
{
    engine.start();
    engine.manualTrigger();
    EXPECT_TRUE(sent("TRIGGER"));
    for (int tick = 0; tick < 5; ++tick) {
        link.produce(250);
        EXPECT_EQ(engine.poll(), 20);
    }
    expectSequence(1000);
    EXPECT_EQ(record.traces[0].minimum, 0.0F);
    EXPECT_EQ(record.traces[0].maximum, 999.0F);
    EXPECT_EQ(record.traces[1].minimum, 100000.0F);

    const auto readsBefore = link.readSizes.size();
    engine.poll();
    EXPECT_EQ(link.readSizes.size(), readsBefore) << "a finished capture reads nothing more";
}

TEST_F(CaptureFixture, SecondManualTriggerResetsRecord)
{
    engine.start();
    engine.manualTrigger();
    link.produce(1000);
    engine.poll();
    ASSERT_EQ(record.total, 1000);

    const int repaints = host.repaintAllCount;
    engine.manualTrigger();
    EXPECT_EQ(record.total, 0);
    // The old trace goes from the screen at once, not column by column, and
    // the labels no longer show the old record's extremes.
    EXPECT_GT(host.repaintAllCount, repaints);
    EXPECT_FALSE(record.traces[0].hasExtremes());
    EXPECT_FALSE(record.traces[1].hasExtremes());
    link.sequence = 500;
    link.produce(10);
    engine.poll();
    // Min and Max are the new record's own: 500 to 509, not 0 to 999.
    EXPECT_EQ(record.traces[0].minimum, 500.0F);
    EXPECT_EQ(record.traces[0].maximum, 509.0F);
    EXPECT_EQ(record.traces[1].minimum, 100500.0F);
    EXPECT_EQ(record.traces[1].maximum, 100509.0F);

    // The same in continuous acquisition, where the trigger arms a new record.
    settings.continuous = true;
    engine.manualTrigger();
    ASSERT_TRUE(engine.state().armed);
    EXPECT_FALSE(record.traces[0].hasExtremes());
    link.sequence = 700;
    link.produce(5);
    engine.poll();
    EXPECT_EQ(record.traces[0].minimum, 700.0F);
    EXPECT_EQ(record.traces[0].maximum, 704.0F);
}

TEST_F(CaptureFixture, ControllerRetriggerBelowReadStartsNewRecord)
{
    engine.start();
    engine.manualTrigger();
    link.produce(600);
    engine.poll();
    // The controller's own program triggers again: the position drops below what was read.
    link.pos = 0;
    link.sequence = 0;
    link.produce(100);
    const int repaints = host.repaintAllCount;
    engine.poll();
    EXPECT_EQ(record.total, 0);
    EXPECT_GT(host.repaintAllCount, repaints);
    EXPECT_FALSE(record.traces[0].hasExtremes());
    engine.poll();
    expectSequence(100);
}

TEST_F(CaptureFixture, PositionAboveDepthIsDepth)
{
    engine.start();
    engine.manualTrigger();
    link.produce(1000);
    link.pos = 5000;
    engine.poll();
    expectSequence(1000);
}

TEST_F(CaptureFixture, ArmedContinuousRecordGrowsOverSeveralWrapsWithoutLoss)
{
    settings.continuous = true;
    engine.start();
    engine.manualTrigger();
    ASSERT_TRUE(engine.state().armed);
    // 300 samples per tick against a depth of 1000: wraps fall inside a tick.
    for (int tick = 0; tick < 17; ++tick) {
        link.produce(300);
        engine.poll();
    }
    engine.poll(); // takes what the controller recorded during the last wait
    EXPECT_EQ(record.history, 5000);
    EXPECT_EQ(record.total, link.sequence) << "everything recorded was read";
    expectSequence(record.total);
    EXPECT_EQ(countSent("TRIGGER(1)"), 1) << "the recording kept running, no restart needed";
}

TEST_F(CaptureFixture, ArmedContinuousRestartsStoppedRecording)
{
    settings.continuous = true;
    engine.start();
    engine.manualTrigger();
    link.autoRestart = false; // this controller stops at depth until told again
    link.produce(1000);
    engine.poll();
    EXPECT_EQ(record.history, 1000);
    EXPECT_EQ(record.buffer.length(), 2000);
    EXPECT_EQ(countSent("TRIGGER(1)"), 2);
    link.produce(400);
    engine.poll();
    expectSequence(1400);
}

TEST_F(CaptureFixture, RestartOfALaggingControllerDropsTheReplacedCapture)
{
    settings.continuous = true;
    engine.start();
    engine.manualTrigger();
    link.stallsInWaits = true; // it has begun the next capture but then lags
    link.produce(900);
    engine.poll();
    link.produce(150); // wrapped, 50 samples into the next capture
    engine.poll();
    ASSERT_EQ(countSent("TRIGGER(1)"), 2);
    EXPECT_EQ(record.history, 1000);
    EXPECT_EQ(record.total, 1000) << "the replaced capture's samples are dropped";
    const int restartedAt = link.sequence;
    link.produce(300);
    engine.poll();
    ASSERT_EQ(record.total, 1300);
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < 300; ++j)
            ASSERT_EQ(record.sample(c, 1000 + j), FakeScopeLink::value(c, restartedAt + j))
                << "channel " << c << " sample " << 1000 + j;
}

TEST_F(CaptureFixture, UnarmedContinuousRetriggersPastEightyPercent)
{
    settings.continuous = true;
    link.replies["TRIGGER(1)"] = "ERROR: not supported";
    engine.start();
    engine.manualTrigger();
    ASSERT_FALSE(engine.state().armed);
    link.recording = true; // the program triggers the first capture
    link.pos = 0;
    for (int tick = 0; tick < 20; ++tick) {
        link.produce(250);
        engine.poll();
    }
    // Each capture is taken over at 1000 (the first tick past 800 is at 1000).
    EXPECT_EQ(countSent("TRIGGER"), 5);
    expectSequence(5000);

    link.produce(850);
    engine.poll();
    EXPECT_EQ(record.history, 5850);
    expectSequence(5850);
}

TEST_F(CaptureFixture, SerialUnarmedContinuousRetriggersOnlyOnceEveryValueIsIn)
{
    link.type = 1;
    settings.continuous = true;
    settings.depth = 100;
    link.replies["TRIGGER(1)"] = "ERROR: not supported";
    engine.start();
    engine.manualTrigger();
    link.recording = true; // the program triggers the first capture
    // The controller records three times faster than ten samples a tick fetch.
    for (int tick = 0; tick < 40; ++tick) {
        link.produce(30);
        engine.poll();
    }
    EXPECT_GE(countSent("TRIGGER"), 3);
    EXPECT_EQ(record.history % 100, 0);
    expectSequence(record.total);
}

TEST_F(CaptureFixture, SerialLinkLimitsEachTickAndCatchesUp)
{
    struct Case
    {
        bool fastRead;
        int perTick;
    };
    for (const Case c : {Case{false, 10}, Case{true, 20}}) {
        FakeScopeLink l;
        l.type = 1;
        l.spec[1] = c.fastRead ? 1 : 0;
        ControllerSpec sp;
        FakeCaptureHost h;
        ScopeRecord r;
        ScopeSettings s;
        s.channelCount = 3;
        CaptureEngine e{l, sp, s, rows, r, h};
        e.start();
        e.manualTrigger();
        l.produce(100);
        EXPECT_EQ(e.poll(), 100);
        EXPECT_EQ(r.total, c.perTick);
        for (int tick = 0; tick < 20; ++tick)
            e.poll();
        EXPECT_EQ(r.total, 100);
        EXPECT_TRUE(std::all_of(l.readSizes.begin(), l.readSizes.end(),
                                [&](int n) { return n <= c.perTick; }));
    }
}

TEST_F(CaptureFixture, SerialArmedContinuousWrapsOnlyAfterEveryValueIsIn)
{
    link.type = 1;
    settings.continuous = true;
    settings.depth = 100;
    engine.start();
    engine.manualTrigger();
    for (int tick = 0; tick < 60; ++tick) {
        link.produce(5);
        engine.poll();
    }
    expectSequence(record.total);
    EXPECT_GE(record.total, 290);
}

TEST_F(CaptureFixture, FastReadGoesInChunksOfTwoHundred)
{
    spec.record()[1] = 1;
    spec.record()[55] = 8;
    engine.start();
    engine.manualTrigger();
    link.produce(1000);
    engine.poll();
    EXPECT_TRUE(
        std::all_of(link.readSizes.begin(), link.readSizes.end(), [](int n) { return n <= 200; }));
    expectSequence(1000);
}

TEST_F(CaptureFixture, FollowRuleKeepsNewestSampleAtSeventyPercent)
{
    EXPECT_EQ(followCandidate(2000, 500, 100.0), 1650);
    EXPECT_EQ(followCandidate(100, 500, 100.0), 0);

    settings.follow = true;
    engine.start();
    engine.manualTrigger();
    link.produce(1000);
    engine.poll();
    EXPECT_EQ(host.view, 650);
    host.view = 10; // the user moved the view left of the last follow position
    engine.manualTrigger();
    link.sequence = 0;
    link.produce(900);
    engine.poll();
    EXPECT_EQ(host.view, 10);
}

TEST_F(CaptureFixture, LostLinkWhileRunningStops)
{
    engine.start();
    link.isConnected = false;
    EXPECT_EQ(engine.poll(), 100);
    EXPECT_FALSE(engine.state().running);
    EXPECT_EQ(host.stopped, 1);
}

TEST_F(CaptureFixture, FailedOrNegativePositionReadsNothing)
{
    engine.start();
    engine.manualTrigger();
    link.produce(100);
    link.failScopePos = true;
    engine.poll();
    EXPECT_EQ(record.total, 0);
    link.failScopePos = false;
    link.pos = -3;
    engine.poll();
    EXPECT_EQ(record.total, 0);
}

TEST_F(CaptureFixture, GrowthFailureKeepsRecordAndSaysSo)
{
    settings.continuous = true;
    engine.start();
    engine.manualTrigger();
    record.buffer.setCapacityLimit(2 * 1500);
    link.produce(1000);
    engine.poll();
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back(), "内存不足");
    EXPECT_FALSE(engine.state().running);
    expectSequence(1000);
}

TEST_F(CaptureFixture, ManualTriggerWithoutLink)
{
    link.isConnected = false;
    engine.manualTrigger();
    ASSERT_EQ(host.messages.size(), 1U);
    EXPECT_EQ(host.messages[0], "未连接控制器！");
}

TEST_F(CaptureFixture, ServoPeriodIsReadOncePerLinkAndTimesTheRecord)
{
    struct Case
    {
        std::int32_t servoUs;
        int interval;
        double samplePeriod;
    };
    for (const Case c :
         {Case{1000, 1, 1e-3}, Case{500, 1, 0.5e-3}, Case{500, 4, 2e-3}, Case{0, 2, 0.0}}) {
        FakeScopeLink l;
        l.servoPeriodUs = c.servoUs;
        ControllerSpec sp;
        FakeCaptureHost h;
        ScopeRecord r;
        ScopeSettings s;
        s.interval = c.interval;
        CaptureEngine e{l, sp, s, rows, r, h};
        for (int tick = 0; tick < 3; ++tick)
            e.poll();
        e.start();
        EXPECT_DOUBLE_EQ(r.samplePeriod, c.samplePeriod) << c.servoUs;
        EXPECT_EQ(std::count(l.commands.begin(), l.commands.end(), "?SERVO_PERIOD"), 1);
        // A lost link forgets it; the next link is read afresh.
        l.isConnected = false;
        e.poll();
        EXPECT_FALSE(e.servoClock().known());
        l.isConnected = true;
        l.servoPeriodUs = 250;
        e.poll();
        EXPECT_DOUBLE_EQ(e.servoClock().periodSeconds(), 250e-6);
    }
}

TEST_F(CaptureFixture, ChannelCountIsHeldWithinEight)
{
    settings.channelCount = 12;
    settings.depth = 100;
    engine.start();
    EXPECT_EQ(record.channelCount, 8);
    EXPECT_EQ(record.buffer.channels(), 8);
}

} // namespace
} // namespace korvan::scope
