// The command library's real block readers against this controller, served
// in-process over loopback and reached through libkorvan: every reply must
// read back with the callers' own parsers.
#include "cmdlib/block_query.h"
#include "cmdlib/execute.h"
#include "cmdlib/parse.h"
#include "link/korvan.h"
#include "served_controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace korvan::controller::testing {
namespace {

class CmdlibReadback : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(m_handle, nullptr); }

    ServedController m_served{"127.0.0.62"};
    ControllerHandle m_handle = m_served.handle();
};

TEST_F(CmdlibReadback, BlockReadersOfEveryShape)
{
    char reply[2048];
    ASSERT_EQ(cmd::ExecuteDirect(m_handle, "ENABLE_OUT(1)=5", reply, sizeof reply), 0);
    ASSERT_EQ(cmd::ExecuteCommand(m_handle, "INVERT_IN(2,1)", reply, sizeof reply), 0);
    ASSERT_EQ(cmd::ExecuteCommand(m_handle, "PWM_DUTY(1) = 0.25", reply, sizeof reply), 0);
    ASSERT_EQ(cmd::ExecuteDirect(m_handle, "VR(16)=2.5\r\nTABLE(30,7)", reply, sizeof reply), 0);

    float atype[128] = {};
    EXPECT_EQ(cmd::QueryNamedBlock(m_handle, "ATYPE", 128, atype), 0);
    EXPECT_EQ(atype[3], 65.0f);
    float outputs[8] = {};
    EXPECT_EQ(cmd::QueryRangeBlock(m_handle, "ENABLE_OUT", 0, 8, outputs), 0);
    EXPECT_EQ(outputs[1], 5.0f);
    EXPECT_EQ(outputs[7], -1.0f);
    int32_t inversion[24] = {};
    EXPECT_EQ(cmd::QueryInvertInBank(m_handle, 0, 24, inversion), 0);
    EXPECT_EQ(inversion[2], 1);
    float duty[4] = {};
    EXPECT_EQ(cmd::QueryPwmDutyBank(m_handle, 0, 4, duty), 0);
    EXPECT_EQ(duty[1], 0.25f);
    float vr[20] = {};
    EXPECT_EQ(cmd::QueryVrBlock(m_handle, 0, 20, vr), 0); // two commands of 15 and 5
    EXPECT_EQ(vr[16], 2.5f);
    float table[31] = {};
    EXPECT_EQ(cmd::QueryTableRange(m_handle, 0, 31, table), 0);
    EXPECT_EQ(table[30], 7.0f);
    EXPECT_EQ(cmd::QueryTableBlock(m_handle, 25, 6, table), 0);
    EXPECT_EQ(table[5], 7.0f);
}

TEST_F(CmdlibReadback, SingleValuesAndErrorsThroughTheLink)
{
    char reply[2048] = {};
    ASSERT_EQ(cmd::ExecuteDirect(m_handle, "?IP_ADDRESS", reply, sizeof reply), 0);
    int32_t ip = 0;
    ASSERT_TRUE(cmd::ScanInt(reply, ip));
    EXPECT_EQ(static_cast<uint32_t>(ip) & 0xff, 127u);
    EXPECT_EQ(static_cast<uint32_t>(ip) >> 24, 62u);
    EXPECT_EQ(cmd::ExecuteDirect(m_handle, "?NO_SUCH", reply, sizeof reply), 2002);
    int32_t error = 0;
    EXPECT_EQ(VXC_GetError(m_handle, &error), 0);
    EXPECT_EQ(error, 2002);
    unsigned char record[60] = {};
    EXPECT_EQ(VXC_GetSysSpecification(m_handle, record), 0);
    EXPECT_EQ(record[4], 8);
    EXPECT_EQ(record[55], 8);
}

} // namespace
} // namespace korvan::controller::testing
