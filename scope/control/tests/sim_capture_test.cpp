// The capture engine end to end: the module's link access over the real
// libkorvan to korvan-sim on loopback. The controller records in its own
// servo tick, so these cases wait for it in real time, bounded by deadlines.
// A second link plays the engineer: it moves the axis and reads the TABLE
// the record must equal.
#include "cmdlib/block_query.h"
#include "cmdlib/command.h"
#include "link/korvan.h"
#include "scope/analysis/cursors.h"
#include "scope/analysis/measurements.h"
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/controller_limits.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/core/tests/forwarding_scope_link.h"
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvan::scope {
namespace {

using Clock = std::chrono::steady_clock;
using korvan::scope::testing::FakeCaptureHost;

/// Speed of the moving axis in units per second; one servo tick is 1 ms.
constexpr double kSpeed = 1000.0;

/// The module's access, noting the record's history whenever the engine
/// re-triggers the controller with "TRIGGER".
class CountingAccess final : public korvan::scope::testing::ForwardingScopeLink
{
public:
    CountingAccess(ScopeLink& moduleLink, const ScopeRecord& record)
        : ForwardingScopeLink(moduleLink), m_record(record)
    {}

    /// The history at each "TRIGGER" sent without an answer.
    const std::vector<int>& retriggers() const { return m_retriggers; }

    std::int32_t executeNoAck(std::string_view command, std::uint32_t timeoutMs) override
    {
        if (command == "TRIGGER")
            m_retriggers.push_back(m_record.history);
        return ForwardingScopeLink::executeNoAck(command, timeoutMs);
    }

private:
    const ScopeRecord& m_record;
    std::vector<int> m_retriggers;
};

class SimCapture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!korvan::testing::SimProcess::available())
            GTEST_SKIP() << "korvan-sim is not built";
    }

    void TearDown() override
    {
        if (probe && probe != engineHandle)
            VXC_Close(probe);
        if (engineHandle)
            VXC_Close(engineHandle);
    }

    /// Starts korvan-sim on Ethernet and opens the engine's link and the probe link.
    void serveOnEthernet(const std::string& address)
    {
        sim = std::make_unique<korvan::testing::SimProcess>(
            korvan::testing::ethernetOptions(address + ":0"));
        ASSERT_TRUE(sim->ready()) << sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &engineHandle), 0);
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &probe), 0);
    }

    /// Sends text on the probe link and expects it to be taken.
    void send(const std::string& text)
    {
        char reply[2048] = {};
        ASSERT_EQ(VXC_Execute(probe, text.c_str(), 1000, reply, sizeof reply), 0)
            << text << ": " << reply;
    }

    float queryFloat(const std::string& name)
    {
        float value = 0.0F;
        EXPECT_EQ(
            cmd::QueryFloat(probe, cmd::Base::Command, cmd::Format("?%s", name.c_str()), &value), 0)
            << name;
        return value;
    }

    int scopePos()
    {
        std::int32_t value = -1;
        EXPECT_EQ(cmd::QueryInt(probe, cmd::Base::Command, cmd::Format("?SCOPE_POS"), &value), 0);
        return value;
    }

    /// Runs axis 0 forward at kSpeed and waits until it is at that speed.
    void moveAxisZero()
    {
        send("UNITS(0)=1");
        send("ACCEL(0)=1000000");
        send("DECEL(0)=1000000");
        send("SPEED(0)=" + std::to_string(kSpeed));
        send("VMOVE(1) AXIS(0)");
        ASSERT_TRUE(waitFor([&] { return queryFloat("VP_SPEED(0)") == kSpeed; }, 5000));
    }

    /// Calls check until it holds or the deadline passes.
    static bool waitFor(const std::function<bool()>& check, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            if (check())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return check();
    }

    /// Polls at the panel timer's period, until done holds or the deadline passes.
    bool pollUntil(const std::function<bool()>& done, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            const int period = engine.poll();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(period));
        }
        return false;
    }

    /// The capture area of channel c as the controller holds it now.
    std::vector<float> tableOfChannel(int c)
    {
        std::vector<float> values(static_cast<std::size_t>(record.depth));
        const int first = engine.tableStart() + c * record.depth;
        EXPECT_EQ(cmd::QueryTableBlock(probe, first, record.depth, values.data()), 0);
        return values;
    }

    /// The record equals the controller's TABLE sample for sample.
    void expectRecordIsTable(int samples)
    {
        ASSERT_EQ(record.total, samples);
        for (int c = 0; c < record.channelCount; ++c) {
            const std::vector<float> table = tableOfChannel(c);
            for (int s = 0; s < samples; ++s)
                ASSERT_EQ(record.sample(c, s), table[static_cast<std::size_t>(s)])
                    << "channel " << c << " sample " << s;
        }
    }

    /// Consecutive DPOS samples of channel c from first to last differ by exactly step.
    void expectEvenSteps(int c, int first, int last, double step)
    {
        for (int s = first + 1; s < last; ++s)
            ASSERT_NEAR(record.sample(c, s) - record.sample(c, s - 1), step, 1e-3)
                << "channel " << c << " samples " << s - 1 << " and " << s;
    }

    std::unique_ptr<korvan::testing::SimProcess> sim;
    ControllerHandle engineHandle = nullptr;
    ControllerHandle probe = nullptr;
    ScopeRecord record;
    LinkScopeAccess moduleLink{engineHandle};
    CountingAccess access{moduleLink, record};
    ControllerSpec spec;
    ScopeSettings settings;
    ScopeChannels rows = defaultChannels();
    FakeCaptureHost host;
    CaptureEngine engine{access, spec, settings, rows, record, host};
};

TEST_F(SimCapture, SingleCaptureReadsTheExactSamplesOfAMovingAxis)
{
    serveOnEthernet("127.0.0.93");
    moveAxisZero();
    rows[0] = {.source = "DPOS", .number = 0};
    rows[1] = {.source = "VP_SPEED", .number = 0};
    settings.depth = 500;
    settings.interval = 2;
    engine.start();
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    ASSERT_TRUE(engine.state().running);
    EXPECT_EQ(engine.tableStart(), 320000 - 2 * 500);

    engine.manualTrigger();
    ASSERT_TRUE(pollUntil([&] { return record.total == 500; }, 10000)) << record.total;
    expectRecordIsTable(500);
    expectEvenSteps(0, 0, 500, kSpeed * settings.interval / 1000.0);
    for (int s = 0; s < 500; ++s)
        ASSERT_EQ(record.sample(1, s), kSpeed) << s;
    EXPECT_EQ(record.traces[0].minimum, record.sample(0, 0));
    EXPECT_EQ(record.traces[0].maximum, record.sample(0, 499));
    EXPECT_EQ(record.traces[0].label, "DPOS(0)");

    // Later ticks read nothing more.
    engine.poll();
    EXPECT_EQ(record.total, 500);

    // A second trigger empties the record, and the next one is read from sample 0.
    const float lastOfFirst = record.sample(0, 499);
    const float firstMinimum = record.traces[0].minimum;
    engine.manualTrigger();
    EXPECT_EQ(record.total, 0);
    ASSERT_TRUE(pollUntil([&] { return record.total == 500; }, 10000)) << record.total;
    expectRecordIsTable(500);
    EXPECT_GT(record.sample(0, 0), lastOfFirst);
    // The new record's extremes are its own, not widened from the first one's.
    EXPECT_GT(record.traces[0].minimum, firstMinimum);
    EXPECT_EQ(record.traces[0].minimum, record.sample(0, 0));
    EXPECT_EQ(record.traces[0].maximum, record.sample(0, 499));
    expectEvenSteps(0, 0, 500, kSpeed * settings.interval / 1000.0);

    engine.stop();
    EXPECT_FALSE(engine.state().running);
    EXPECT_EQ(scopePos(), 500);
}

// The source boxes' latch probes ("?*MARKC", ...) find the further latch
// channels, so the panel keeps every source it offers; a capture of the
// latch, loop and drive sources reads back exactly what the TABLE holds.
TEST_F(SimCapture, LatchProbesFindEveryChannelAndTheServoSourcesRecord)
{
    serveOnEthernet("127.0.0.157");
    const std::array<const char*, kMaxChannels> sources = {
        "MARKC", "REG_POSC", "MARKD", "REG_POSD", "DRIVE_TORQUE", "DAC_OUT", "SERVO", "DPOS"};
    const std::array<int, kMaxChannels> numbers = {3, 3, 3, 3, 6, 0, 0, 0};
    std::array<RowBoxes, kMaxChannels> boxes;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = {.source = sources[i], .numberText = std::to_string(numbers[i])};
    std::vector<std::string> messages;
    ControllerLimitsLoader loader;
    ASSERT_TRUE(loader.load(moduleLink, boxes,
                            [&](std::string_view text) { messages.emplace_back(text); }));
    EXPECT_TRUE(messages.empty()) << messages.front();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].source, sources[i]);
        EXPECT_EQ(boxes[i].number, numbers[i]);
    }

    // The bus program gives the first drive axis 6; axis 0 becomes an encoder axis.
    ASSERT_TRUE(waitFor([&] { return queryFloat("AXIS_ADDRESS(6)") > 0; }, 5000));
    send("UNITS(6)=10000");
    send("ACCEL(6)=100");
    send("VMOVE(1) AXIS(6)");
    send("ATYPE(0)=3");
    send("REGIST(18) AXIS(3)");
    moveAxisZero();
    for (std::size_t c = 0; c < rows.size(); ++c)
        rows[c] = {.source = sources[c], .number = numbers[c]};
    settings.channelCount = 8;
    settings.depth = 200;
    engine.start();
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    engine.manualTrigger();
    ASSERT_TRUE(pollUntil([&] { return record.total == 200; }, 10000)) << record.total;
    expectRecordIsTable(200);
    // The drive speeds up through the record; the encoder axis runs at kSpeed.
    EXPECT_GT(record.sample(4, 100), 0.0F);
    EXPECT_EQ(record.sample(5, 100), std::lround(32767 * kSpeed / 100000));
    EXPECT_EQ(record.sample(6, 100), 1.0F);
    engine.stop();
}

TEST_F(SimCapture, ScopeSetupOfTwoChannelsAndARefusedSetupsReply)
{
    serveOnEthernet("127.0.0.93");
    // The exact setup text is taken without a word.
    char reply[2048] = {};
    ControllerHandle& h = probe;
    ASSERT_EQ(VXC_Execute(h, "SCOPE(1,1,0,1999,VP_SPEED(0),DPOS(1))", 1000, reply, 255), 0);
    EXPECT_STREQ(reply, "");

    // A record of the first setup.
    moveAxisZero();
    rows[0] = {.source = "DPOS", .number = 0};
    settings.depth = 200;
    engine.start();
    ASSERT_TRUE(engine.state().running);
    engine.manualTrigger();
    ASSERT_TRUE(pollUntil([&] { return record.total == 200; }, 10000)) << record.total;
    engine.stop();
    const std::vector<float> first(record.buffer.channel(0), record.buffer.channel(0) + 200);

    // A refused setup answers with its error code and a reply line; the link
    // passes the text through, so the panel can show it. The controller keeps
    // its previous setup, so the panel stays stopped instead of drawing that
    // setup's samples under the new label.
    rows[0].source = "NO_SUCH_SOURCE";
    host.messages.clear();
    engine.start();
    ASSERT_EQ(host.messages.size(), 1U);
    EXPECT_NE(host.messages[0].find("ERROR: SCOPE"), std::string::npos) << host.messages[0];
    EXPECT_NE(host.messages[0].find("\r\n"), std::string::npos) << host.messages[0];
    EXPECT_FALSE(engine.state().running);
    send("TRIGGER"); // the controller's own program triggers its previous setup
    ASSERT_TRUE(waitFor([&] { return scopePos() == 200; }, 5000));
    engine.poll();
    EXPECT_EQ(record.traces[0].label, "DPOS(0)");
    ASSERT_EQ(record.total, 200);
    for (int s = 0; s < 200; ++s)
        ASSERT_EQ(record.sample(0, s), first[static_cast<std::size_t>(s)]) << s;

    const std::int32_t code =
        VXC_Execute(h, "SCOPE(1,1,0,1999,NO_SUCH_SOURCE(0),DPOS(1))", 1000, reply, 255);
    EXPECT_TRUE(code == 2003 || code == 2004) << code;
    EXPECT_NE(std::string(reply).find("ERROR: SCOPE"), std::string::npos) << reply;
}

// A trapezoid move of distance d at speed v with acceleration a lasts
// d / v + v / a; its speed is above half of v for d / v and ramps in 0.8 v / a
// from 10 to 90 %. The record's time base comes from the controller's servo
// period, so the measured times are the same in seconds at 1 ms and 0.5 ms.
TEST_F(SimCapture, MeasuredMoveTimeMatchesTheKinematicsAtEachServoPeriod)
{
    constexpr double kDistance = 200.0, kMoveSpeed = 500.0, kAccel = 2000.0;
    constexpr double kMoveTime = kDistance / kMoveSpeed + kMoveSpeed / kAccel; // 0.65 s
    for (const double servoMs : {1.0, 0.5}) {
        SCOPED_TRACE(servoMs);
        const auto profile = std::filesystem::temp_directory_path() /
                             ("scope-servo-" + std::to_string(::getpid()) + ".json");
        {
            std::ofstream out(profile);
            out << "{\"servoPeriod\": " << servoMs << "}\n";
        }
        if (engineHandle)
            VXC_Close(engineHandle);
        if (probe)
            VXC_Close(probe);
        engineHandle = probe = nullptr;
        engine.poll(); // the lost link forgets the previous servo period
        sim = std::make_unique<korvan::testing::SimProcess>(
            korvan::testing::ethernetOptions("127.0.0.94:0", profile.string()));
        ASSERT_TRUE(sim->ready()) << sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &engineHandle), 0);
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &probe), 0);
        std::filesystem::remove(profile);

        send("UNITS(0)=1:SPEED(0)=500:ACCEL(0)=2000:DECEL(0)=2000:SRAMP(0)=0");
        rows[0] = {.source = "DPOS", .number = 0};
        rows[1] = {.source = "VP_SPEED", .number = 0};
        settings.channelCount = 2;
        settings.depth = static_cast<int>(1.2 / (servoMs * 1e-3)); // 1.2 s of samples
        settings.interval = 1;
        engine.start();
        ASSERT_TRUE(engine.state().running);
        ASSERT_DOUBLE_EQ(record.samplePeriod, servoMs * 1e-3);
        // Trigger and move in one line: the record starts with the move.
        send("TRIGGER(0):MOVE(200) AXIS(0)");
        ASSERT_TRUE(pollUntil([&] { return record.total == settings.depth; }, 20000))
            << record.total;
        engine.stop();
        expectRecordIsTable(settings.depth);

        const double period = record.samplePeriod;
        const std::span<const float> speed(record.buffer.channel(1),
                                           static_cast<std::size_t>(record.total));
        const Measurements v = measure(speed, period);
        const Measurements p =
            measure(std::span<const float>(record.buffer.channel(0), speed.size()), period);
        const double tick = servoMs * 1e-3;
        EXPECT_EQ(v.maximum, kMoveSpeed) << "peak speed";
        EXPECT_NEAR(p.peakToPeak, kDistance, 0.01); // the first sample is one tick into the move
        ASSERT_TRUE(v.width && v.riseTime && v.fallTime);
        EXPECT_NEAR(*v.width, kDistance / kMoveSpeed, 2 * tick);
        EXPECT_NEAR(*v.riseTime, 0.8 * kMoveSpeed / kAccel, 2 * tick);
        EXPECT_NEAR(*v.fallTime, 0.8 * kMoveSpeed / kAccel, 2 * tick);
        EXPECT_NEAR(*v.width + *v.riseTime / 0.8, kMoveTime, 3 * tick);

        // Cursors on the first and the last sample in motion read the move's time.
        int first = 0, last = record.total - 1;
        while (first < record.total && speed[static_cast<std::size_t>(first)] == 0.0F)
            ++first;
        while (last > first && speed[static_cast<std::size_t>(last)] == 0.0F)
            --last;
        const CursorReadout cursors =
            readTimeCursors(record, TimeBase{period}, first - 1, last + 1);
        EXPECT_NEAR(cursors.dt, kMoveTime, 2 * tick);
        EXPECT_EQ(cursors.at2[0], 200.0F) << "the move ends at its target";
    }
}

TEST_F(SimCapture, ArmedContinuousRecordKeepsEverySampleOverSeveralWraps)
{
    serveOnEthernet("127.0.0.93");
    moveAxisZero();
    rows[0] = {.source = "DPOS", .number = 0};
    rows[1] = {.source = "VP_SPEED", .number = 0};
    settings.continuous = true;
    settings.depth = 500;
    settings.interval = 2;
    engine.start();
    engine.manualTrigger();
    ASSERT_TRUE(engine.state().armed);

    // Four wraps, most of them seen inside a tick: every sample of the DPOS
    // ramp is there once, in order.
    ASSERT_TRUE(pollUntil([&] { return record.history >= 4 * 500; }, 30000)) << record.history;
    engine.stop();
    ASSERT_GE(record.total, 4 * 500);
    EXPECT_EQ(record.history % 500, 0);
    expectEvenSteps(0, 0, record.total, kSpeed * settings.interval / 1000.0);
    for (int s = 0; s < record.total; ++s)
        ASSERT_EQ(record.sample(1, s), kSpeed) << s;
    EXPECT_EQ(record.traces[0].minimum, record.sample(0, 0));
    EXPECT_EQ(record.traces[0].maximum, record.sample(0, record.total - 1));
}

TEST_F(SimCapture, UnarmedContinuousRecordGrowsByEachCapturePrefix)
{
    serveOnEthernet("127.0.0.93");
    moveAxisZero();
    rows[0] = {.source = "DPOS", .number = 0};
    settings.channelCount = 1;
    settings.continuous = true;
    settings.depth = 300;
    settings.interval = 2;
    engine.start();
    // The controller's own program triggers: the panel is not armed.
    send("TRIGGER");
    ASSERT_FALSE(engine.state().armed);

    ASSERT_TRUE(pollUntil([&] { return access.retriggers().size() >= 3; }, 30000));
    engine.stop();
    const std::vector<int>& seams = access.retriggers();
    EXPECT_EQ(record.history, seams.back());
    // Each part is one capture's prefix, cut past 80 % of the depth, with even
    // steps inside; across a re-trigger the ramp only moves on (the controller
    // kept sampling while the trigger travelled), never repeats or steps back.
    int first = 0;
    for (const int seam : seams) {
        EXPECT_GT(seam - first, 300 * 0.8) << "part from " << first;
        EXPECT_LE(seam - first, 300) << "part from " << first;
        expectEvenSteps(0, first, seam, kSpeed * settings.interval / 1000.0);
        if (seam < record.total) {
            ASSERT_GT(record.sample(0, seam), record.sample(0, seam - 1)) << "seam " << seam;
        }
        first = seam;
    }
    expectEvenSteps(0, first, record.total, kSpeed * settings.interval / 1000.0);
}

TEST_F(SimCapture, SerialLinkReadsAtMostTenSamplesPerTick)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("korvan-scope-com-" + std::to_string(::getpid()));
    ::setenv("KORVAN_COM_DIR", dir.c_str(), 1);
    korvan::testing::SimOptions options;
    options.profile = "serial.json";
    options.com = 5;
    sim = std::make_unique<korvan::testing::SimProcess>(options);
    ASSERT_TRUE(sim->ready()) << sim->readyLine();
    ASSERT_EQ(VXC_OpenCom(5, &engineHandle), 0);
    probe = engineHandle; // the serial port carries one link
    ASSERT_EQ(VXC_GetConnectType(engineHandle), VXC_LINK_SERIAL);
    moveAxisZero();

    settings.channelCount = 3;
    settings.depth = 60;
    rows[0] = {.source = "DPOS", .number = 0};
    engine.start();
    ASSERT_TRUE(engine.state().running);
    engine.manualTrigger();
    ASSERT_TRUE(waitFor([&] { return scopePos() == 60; }, 5000));

    // Each tick takes ten more samples of every channel until the capture is in.
    for (int expected = 10; expected <= 60; expected += 10) {
        EXPECT_EQ(engine.poll(), 100);
        ASSERT_EQ(record.total, expected);
    }
    engine.poll();
    EXPECT_EQ(record.total, 60);
    expectRecordIsTable(60);
    expectEvenSteps(0, 0, 60, kSpeed / 1000.0);
    probe = nullptr;
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace korvan::scope
