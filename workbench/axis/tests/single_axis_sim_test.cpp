// The single-axis panel's logic, the reciprocation feed and the table
// operations through libkorvan against korvan-sim on loopback. The virtual
// controller runs in real time, so these tests watch it by polling.
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/link_axis_port.h"
#include "workbench/axis/port_queries.h"
#include "workbench/axis/reciprocation_pump.h"
#include "workbench/axis/single_axis_logic.h"
#include "workbench/axis/status_list.h"

#include "workbench/axis/tests/recorded_messages.h"

#include "testing/simprocess/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <thread>

namespace korvan::axis {
namespace {

using testing::RecordedMessages;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kAddress = "127.0.0.144:0";
constexpr int kPulseAxis = 1; // ATYPE 1 in the default profile
constexpr int kBusAxis = 3;   // ATYPE 65 in the default profile

std::filesystem::path SourceDir()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return source ? std::filesystem::path(source) : std::filesystem::current_path();
}

class SingleAxisOnSim : public ::testing::Test
{
protected:
    void SetUp() override { open("default.json"); }
    void TearDown() override { close(); }

    void close()
    {
        if (m_handle)
            VXC_Close(m_handle);
        m_handle = nullptr;
        m_sim.reset();
    }

    void open(const std::string& profile)
    {
        m_sim = std::make_unique<korvan::testing::SimProcess>(
            korvan::testing::ethernetOptions(kAddress, profile));
        ASSERT_TRUE(m_sim->ready()) << m_sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(m_sim->ethEndpoint().c_str(), &m_handle), 0);
        port = std::make_unique<LinkAxisPort>(m_handle);
        ports[0] = port.get();
    }

    void show(int axis)
    {
        logic.activate(port.get(), 0, axis, 1);
        logic.loadFromController();
    }

    float read(const std::string& query)
    {
        const std::optional<float> value = QueryFloat(*port, query);
        EXPECT_TRUE(value) << query;
        return value.value_or(NAN);
    }

    float dpos(int axis) { return read(FormatCommand("?DPOS(%d)", axis)); }

    /// Polls until done() or the timeout; true when done() held.
    static bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
    {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return done();
    }

    /// Runs timer 3 every 100 ms while sampling DPOS of the axis; returns the
    /// positions at which the axis rested at 0 or 100, each stay once.
    std::vector<int> feedAndWatch(int axis, std::chrono::milliseconds duration,
                                  const std::function<bool()>& finished)
    {
        std::vector<int> stops;
        auto nextTick = Clock::now();
        const auto end = Clock::now() + duration;
        while (Clock::now() < end && !finished()) {
            if (Clock::now() >= nextTick) {
                ReciprocationPump::tick(ports, memory());
                nextTick += std::chrono::milliseconds(ReciprocationPump::kPeriodMs);
            }
            const float position = dpos(axis);
            for (int target : {0, 100}) {
                if (std::abs(position - static_cast<float>(target)) < 1e-3f &&
                    (stops.empty() || stops.back() != target))
                    stops.push_back(target);
            }
            std::this_thread::sleep_for(2ms);
        }
        return stops;
    }

    /// Fast move settings so a 100-unit stroke takes a fraction of a second.
    void fastMoves()
    {
        logic.fields().moveSpeed = 2000.0f;
        logic.fields().moveAccel = 50000.0f;
        logic.fields().moveDecel = 50000.0f;
    }

    void moveTo(int axis, float position)
    {
        logic.fields().jogMode = 0;
        logic.fields().absoluteMode = 1;
        logic.fields().stepDistance = position;
        logic.pressDirection(true);
        ASSERT_TRUE(waitFor([&] { return dpos(axis) == position; }, 5s)) << dpos(axis);
    }

    AxisPanelMemory& memory() { return *m_memory; }
    AxisPanelEntry& remembered(int axis) { return m_memory->at(0, axis); }

    std::unique_ptr<korvan::testing::SimProcess> m_sim;
    ControllerHandle m_handle = nullptr;
    std::unique_ptr<AxisPanelMemory> m_memory = std::make_unique<AxisPanelMemory>();
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    std::unique_ptr<LinkAxisPort> port;
    SlotPorts ports{};
    ComparatorRegistry comparators;
    RecordedMessages messages;
    SingleAxisLogic logic{*table, *m_memory, comparators, messages};
};

TEST_F(SingleAxisOnSim, TwoAbsoluteCyclesTravelZeroHundredZeroHundredThenStop)
{
    show(kPulseAxis);
    fastMoves();
    moveTo(kPulseAxis, 30.0f); // so that the first stroke to 0 is a real one
    logic.fields().absoluteMode = 1;
    logic.fields().cycleCount = 2;
    logic.fields().reciprocationPosition1 = 0;
    logic.fields().reciprocationPosition2 = 100;
    logic.fields().inPositionDelay = 50; // each end is held long enough to be seen
    ASSERT_TRUE(logic.startReciprocation());

    const std::vector<int> stops = feedAndWatch(kPulseAxis, 10s, [&] {
        return remembered(kPulseAxis).reciprocationActive == 0 &&
               read(FormatCommand("?IDLE(%d)", kPulseAxis)) == -1.0f;
    });
    EXPECT_THAT(stops, ElementsAre(0, 100, 0, 100));
    EXPECT_EQ(remembered(kPulseAxis).reciprocationActive, 0);
    EXPECT_EQ(remembered(kPulseAxis).cyclesDone, 0.0f);
    EXPECT_FLOAT_EQ(dpos(kPulseAxis), 100.0f);
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SingleAxisOnSim, CycleCountZeroRunsUntilStop)
{
    show(kPulseAxis);
    fastMoves();
    logic.fields().absoluteMode = 1;
    logic.fields().cycleCount = 0;
    logic.fields().reciprocationPosition1 = 0;
    logic.fields().reciprocationPosition2 = 100;
    logic.fields().inPositionDelay = 20;
    ASSERT_TRUE(logic.startReciprocation());

    const std::vector<int> stops = feedAndWatch(kPulseAxis, 2500ms, [] { return false; });
    EXPECT_GE(std::count(stops.begin(), stops.end(), 100), 3) << "more than one cycle ran";
    EXPECT_EQ(remembered(kPulseAxis).reciprocationActive, 1);

    logic.stopReciprocation();
    EXPECT_EQ(remembered(kPulseAxis).reciprocationActive, 0);
    for (int tick = 0; tick < 3; ++tick)
        ReciprocationPump::tick(ports, memory());
    ASSERT_TRUE(waitFor([&] { return read(FormatCommand("?IDLE(%d)", kPulseAxis)) == -1.0f; }, 5s));
    const float rest = dpos(kPulseAxis);
    std::this_thread::sleep_for(300ms);
    EXPECT_FLOAT_EQ(dpos(kPulseAxis), rest) << "nothing was queued after the stop";
}

TEST_F(SingleAxisOnSim, BusDriveHomingOnTheEcatAxisTakesTheOriginOffset)
{
    LoadAxisTable(*port, *table, {SourceDir() / "resources/AxisInit.xml", nullptr});
    ASSERT_FLOAT_EQ(table->at(AxisRow::Atype, kBusAxis), 65.0f);
    show(kBusAxis);
    logic.toggleEnable();
    EXPECT_FLOAT_EQ(read(FormatCommand("?AXIS_ENABLE(%d)", kBusAxis)), 1.0f);
    fastMoves();
    moveTo(kBusAxis, 7.0f);

    logic.selectHomingSource(1);
    logic.fields().homingModeIndex = 35; // the drive homes on the current position
    logic.fields().originOffset = -1.5f;
    logic.startHoming();
    EXPECT_TRUE(waitFor([&] { return dpos(kBusAxis) == -1.5f; }, 5s)) << dpos(kBusAxis);
    EXPECT_EQ(static_cast<int>(read(FormatCommand("?AXISSTATUS(%d)", kBusAxis))) & 0x40, 0);
    EXPECT_FLOAT_EQ(read(FormatCommand("?AXIS_STOPREASON(%d)", kBusAxis)), 0.0f);
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SingleAxisOnSim, ControllerHomingIndex8EndsOnTheZPulseHomed)
{
    // Index 8 is the two-pass Z search (datum 11, a move at creep, datum 11).
    show(0);
    logic.fields().homingModeIndex = 8;
    logic.fields().homingHighSpeed = 200.0f;
    logic.fields().homingCreepSpeed = 50.0f;
    logic.fields().homingAccel = 20000.0f;
    logic.fields().homingDecel = 20000.0f;
    logic.fields().originOffset = 2.0f;
    logic.startHoming();
    EXPECT_TRUE(waitFor([&] { return read("?IDLE(0)") == -1.0f; }, 10s));
    const int status = static_cast<int>(read("?AXISSTATUS(0)"));
    EXPECT_EQ(status & 0x40, 0) << "homing ended";
    EXPECT_FLOAT_EQ(read("?AXIS_STOPREASON(0)"), 0.0f);
    EXPECT_FLOAT_EQ(dpos(0), 0.0f) << "the Z edge is the home point";
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SingleAxisOnSim, LampsFollowTheSwitchesOfTheAxis)
{
    // The default profile wires axis 1's origin to input 3 (at 0) and its
    // limits to inputs 4 (from +1000) and 5 (from -1000).
    for (const char* wiring : {"DATUM_IN(1)=3", "FWD_IN(1)=4", "REV_IN(1)=5"})
        port->set(wiring);
    StatusList list;
    show(kPulseAxis);
    list.build(*table, kPulseAxis, 1);
    const auto poll = [&](int eciFlag = 0) {
        list.refresh(*port, *table, kPulseAxis, 1);
        return logic.pollLamps(eciFlag);
    };
    // On the origin its input reads 1: the lamp is on for ECI controllers
    // only, the others wire the origin the other way round.
    LampStates lamps = poll();
    EXPECT_FALSE(lamps.positiveLimit);
    EXPECT_FALSE(lamps.negativeLimit);
    EXPECT_EQ(lamps.origin, std::optional(false));
    EXPECT_EQ(poll(1).origin, std::optional(true));

    fastMoves();
    logic.fields().jogMode = 0;
    logic.fields().absoluteMode = 1;
    logic.fields().stepDistance = 1200.0f;
    logic.pressDirection(true);
    ASSERT_TRUE(waitFor([&] { return (lamps = poll()).positiveLimit; }, 5s));
    EXPECT_FALSE(lamps.negativeLimit);
    EXPECT_EQ(lamps.origin, std::optional(true));
    EXPECT_EQ(list.row(24).value, "正限位报警");
    // A move given while the limit still ramps the axis down is cancelled with it.
    ASSERT_TRUE(waitFor([&] { return read("?IDLE(1)") == -1.0f; }, 5s));
    EXPECT_LT(dpos(kPulseAxis), 1200.0f) << "the limit stopped the axis";

    logic.fields().stepDistance = -1200.0f;
    logic.pressDirection(false);
    ASSERT_TRUE(waitFor([&] { return (lamps = poll()).negativeLimit; }, 5s));
    EXPECT_FALSE(lamps.positiveLimit);
    EXPECT_EQ(list.row(24).value, "负限位报警");
}

TEST_F(SingleAxisOnSim, EnableLampOfTheBusAxisFollowsTheDrive)
{
    table->set(AxisRow::Atype, kBusAxis, 65.0f);
    show(kBusAxis);
    const auto enableLamp = [&] { return logic.pollLamps(0).enable; };
    logic.toggleEnable(); // from the activation's state 0 to 1
    EXPECT_TRUE(enableLamp());
    logic.toggleEnable();
    EXPECT_FLOAT_EQ(read(FormatCommand("?AXIS_ENABLE(%d)", kBusAxis)), 0.0f);
    EXPECT_FALSE(enableLamp());
}

TEST_F(SingleAxisOnSim, ResetAppliesTheShippedDefaultsAndClearsInputInversion)
{
    // The second input of the profile's expansion module, numbered from (CAN id + 1) * 16.
    std::ifstream stream(SourceDir() / "resources/sim/default.json");
    const int moduleInput =
        (nlohmann::json::parse(stream).at("modules").at(0).at("canId").get<int>() + 1) * 16 + 1;
    port->execute("INVERT_IN(5,1)", nullptr);
    port->execute(FormatCommand("INVERT_IN(%d,1)", moduleInput), nullptr);
    ASSERT_FLOAT_EQ(read(FormatCommand("?INVERT_IN(%d)", moduleInput)), 1.0f);
    for (AxisRow row : {AxisRow::FsLimit, AxisRow::FwdIn})
        table->set(row, 8, 42.0f);
    std::vector<std::string> errors;
    ResetAxisTable(*port, *table,
                   {SourceDir() / "resources/AxisInit.xml",
                    [&](const std::string&, const std::string& text) { errors.push_back(text); }});
    EXPECT_THAT(errors, IsEmpty());
    for (int axis = 0; axis < 8; ++axis) {
        EXPECT_FLOAT_EQ(table->at(AxisRow::FsLimit, axis), 200000000.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::RsLimit, axis), -200000000.0f);
    }
    EXPECT_FLOAT_EQ(table->at(AxisRow::FsLimit, 8), 42.0f) << "beyond the 8 virtual axes";
    EXPECT_FLOAT_EQ(table->at(AxisRow::FwdIn, 8), 42.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::FwdIn, 0), 1.0f) << "from AxisInit.xml";
    EXPECT_FLOAT_EQ(read("?INVERT_IN(5)"), 0.0f);
    EXPECT_FLOAT_EQ(read(FormatCommand("?INVERT_IN(%d)", moduleInput)), 0.0f);

    SendAxisTable(*port, *table);
    EXPECT_FLOAT_EQ(read("?FS_LIMIT(2)"), 200000000.0f);
    EXPECT_FLOAT_EQ(read("?FWD_IN(1)"), 4.0f);
    EXPECT_FLOAT_EQ(read(FormatCommand("?ATYPE(%d)", kBusAxis)), 65.0f);
}

TEST_F(SingleAxisOnSim, ResetOnTwoHundredVirtualAxesStopsAtTheTableWidth)
{
    close();
    const std::filesystem::path profile = std::filesystem::temp_directory_path() /
                                          ("axis_sim_200_" + std::to_string(::getpid()) + ".json");
    std::ofstream(profile) << R"({"axes": {"virtual": 200, "real": 2, "types": [1, 1]}})";
    open(profile.string());
    std::filesystem::remove(profile);
    ResetAxisTable(*port, *table, {"/nonexistent/AxisInit.xml", nullptr});
    EXPECT_FLOAT_EQ(table->at(AxisRow::Speed, 127), 100.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::RsLimit, 127), -200000000.0f);
    SendAxisTable(*port, *table);
    EXPECT_FLOAT_EQ(read("?SPEED(1)"), 100.0f);
}

} // namespace
} // namespace korvan::axis
