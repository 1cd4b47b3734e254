// The command library through libkorvan against a running korvan-sim: the
// records, reports, Modbus banks and register reads the workbench and the
// oscilloscope read, as the shipped profiles give them.
#include "cmdlib/block_query.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/execute.h"
#include "cmdlib/io.h"
#include "cmdlib/records.h"
#include "link/korvan.h"
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using korvan::testing::SimProcess;
using namespace korvan::cmd;

// The link closes when the test ends, whatever it asserted.
class Link
{
public:
    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    ~Link()
    {
        if (m_handle)
            VXC_Close(m_handle);
    }
    ControllerHandle* out() { return &m_handle; }
    ControllerHandle get() const { return m_handle; }

private:
    ControllerHandle m_handle = nullptr;
};

class SimCmdlibE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!SimProcess::available())
            GTEST_SKIP() << "korvan-sim not built";
    }
};

TEST_F(SimCmdlibE2E, RecordsOfTheDefaultProfile)
{
    SimProcess sim(korvan::testing::ethernetOptions("127.0.0.67:0"));
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    Link link;
    ASSERT_EQ(VXC_OpenEth(sim.ethEndpoint().c_str(), link.out()), 0);

    ControllerSpecRecord spec;
    ASSERT_EQ(ReadControllerSpec(link.get(), spec), 0);
    EXPECT_TRUE(spec.servesDtRegisters());
    EXPECT_EQ(spec.virtualAxisCount(), 8);
    EXPECT_EQ(spec.realAxisCount(), 4);
    EXPECT_EQ(spec.digitalInputCount(), 24);
    EXPECT_EQ(spec.digitalOutputCount(), 16);
    EXPECT_EQ(spec.analogInputCount(), 2);
    EXPECT_EQ(spec.analogOutputCount(), 2);
    EXPECT_EQ(spec.tableRegisterCount(), 320000);
    EXPECT_EQ(spec.vrRegisterCount(), 1024);
    EXPECT_EQ(spec.scopeChannelCount(), 8);
    // Nothing past the 60 bytes of the smallest caller's buffer.
    for (std::size_t i = ControllerSpecRecord::kSize; i < ControllerSpecRecord::kBufferSize; ++i)
        EXPECT_EQ(spec.data()[i], 0) << i;

    const std::vector<ChildCardRecord> modules = EnumerateModules(link.get());
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].cardNumber(), 2);
    EXPECT_EQ(modules[0].hardwareId(), 801u);
    EXPECT_EQ(modules[0].digitalInputCount(), 16);
    EXPECT_EQ(modules[0].axisCount(), 2);

    float version = 0;
    char type[VXC_SOFT_TYPE_CAPACITY] = {};
    int32_t date = 0;
    ASSERT_EQ(VXC_GetSoftVersion(link.get(), &version, type, &date), 0);
    EXPECT_STREQ(type, "Korvan VC-8 ECI");
    EXPECT_EQ(VXC_GetAxises(link.get()), 8);
    char ip[VXC_IP_TEXT_CAPACITY] = {};
    ASSERT_EQ(VXC_GetCurIpAddr(link.get(), ip), 0);
    EXPECT_STREQ(ip, "127.0.0.67");
    int32_t address = 0;
    ASSERT_EQ(QueryIpAddress(link.get(), &address), 0);
    EXPECT_EQ(static_cast<uint32_t>(address), 127u | 67u << 24);
}

TEST_F(SimCmdlibE2E, ReportsBanksAndRegistersReadBack)
{
    SimProcess sim(korvan::testing::ethernetOptions("127.0.0.67:0"));
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    Link link;
    ASSERT_EQ(VXC_OpenEth(sim.ethEndpoint().c_str(), link.out()), 0);
    const ControllerHandle h = link.get();

    int32_t pwm = 0;
    ASSERT_EQ(QueryPwmCount(h, &pwm), 0);
    EXPECT_EQ(pwm, 4);
    ASSERT_EQ(SetStepRatio(h, 3, 2, 5), 0);
    RatioPairs steps;
    ASSERT_EQ(QueryStepRatios(h, steps), 0);
    ASSERT_EQ(steps.count, 8);
    EXPECT_EQ(steps.first[3], 2.0f);
    EXPECT_EQ(steps.second[3], 5.0f);

    // The module (card 2) numbers its outputs from 48; Modbus bits mirror them.
    const int moduleOutput = ModuleIoNumbering(2).digital;
    char reply[2048];
    ASSERT_EQ(ExecuteDirect(h, ("OP(" + std::to_string(moduleOutput + 1) + ",1)").c_str(), reply,
                            sizeof reply),
              0);
    std::array<int32_t, 3> outputs{};
    ASSERT_EQ(QueryOutputBits(h, moduleOutput, 3, outputs.data()), 0);
    EXPECT_EQ(outputs, (std::array<int32_t, 3>{0, 1, 0}));
    // Axis 0's origin switch at machine position 0 is on input 0, its limits on 1 and 2.
    std::array<int32_t, 3> inputs{};
    ASSERT_EQ(QueryInputBits(h, 0, 3, inputs.data()), 0);
    EXPECT_EQ(inputs, (std::array<int32_t, 3>{1, 0, 0}));

    ASSERT_EQ(ExecuteDirect(h, "TABLE(1000, 1.5, -2, 0.25)", reply, sizeof reply), 0);
    std::array<float, 3> table{};
    ASSERT_EQ(VXC_RegisterRead(h, "DT", 32, 1000, 3, table.data()), 0);
    EXPECT_EQ(table, (std::array<float, 3>{1.5f, -2.0f, 0.25f}));
    std::array<float, 3> block{};
    ASSERT_EQ(QueryRangeBlock(h, "TABLE", 1000, 3, block.data()), 0);
    EXPECT_EQ(block, table);
}

// A serial-only controller: no IP address on its link, its records as shipped.
TEST_F(SimCmdlibE2E, SerialOnlyProfileOverItsPort)
{
    korvan::testing::SimOptions options;
    options.profile = "serial.json";
    options.com = 4;
    SimProcess sim(options);
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    Link link;
    ASSERT_EQ(VXC_OpenCom(4, link.out()), 0);
    char ip[VXC_IP_TEXT_CAPACITY] = {};
    EXPECT_EQ(VXC_GetCurIpAddr(link.get(), ip), VXC_ERR_NOT_SUPPORTED);
    ControllerSpecRecord spec;
    ASSERT_EQ(ReadControllerSpec(link.get(), spec), 0);
    EXPECT_FALSE(spec.servesDtRegisters());
    EXPECT_EQ(spec.realAxisCount(), 4);
    EXPECT_EQ(spec.analogInputCount(), 0);
    EXPECT_TRUE(EnumerateModules(link.get()).empty());
    int32_t pwm = -1;
    ASSERT_EQ(QueryPwmCount(link.get(), &pwm), 0);
    EXPECT_EQ(pwm, 0);
}

} // namespace
