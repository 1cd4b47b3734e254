#include "controller_fixture.h"

#include <cstring>

namespace korvan::controller::testing {
namespace {

using ModbusTest = ControllerTest;

TEST_F(ModbusTest, InputAndOutputBitsMirrorTheIo)
{
    controller->setInputLevel(17, true);
    ok("OP(2,1)\nOP(33,1)");
    std::vector<uint8_t> bits;
    // 45 inputs from 16: local 16..23, a gap, the module from 32.
    ASSERT_EQ(controller->modbusGetBits(10016, 45, bits), 0);
    ASSERT_EQ(bits.size(), 45u);
    EXPECT_EQ(bits[1], 1);
    EXPECT_EQ(bits[0], 0);
    ASSERT_EQ(controller->modbusGetBits(20000, 40, bits), 0);
    EXPECT_EQ(bits[2], 1);
    EXPECT_EQ(bits[33], 1);
    EXPECT_EQ(bits[3], 0);
}

TEST_F(ModbusTest, OutputBitsAreWritableInputBitsAreNot)
{
    ASSERT_EQ(controller->modbusSetBits(20004, {1, 0, 1}), 0);
    EXPECT_EQ(ok("?OP(4) OP(5) OP(6)"), "1 0 1\r\n");
    EXPECT_EQ(controller->modbusSetBits(10000, {1}), 2005);
    EXPECT_EQ(controller->modbusSetBits(60000, {1}), 2003);
    // A refused write changes nothing, not even its first bits.
    EXPECT_EQ(controller->modbusSetBits(20004 + 4095, {0, 0}), 2003);
    EXPECT_EQ(ok("?OP(4)"), "1\r\n");
}

TEST_F(ModbusTest, AnalogueRegisters)
{
    ok("AOUT(1)=1234");
    std::vector<uint16_t> regs;
    ASSERT_EQ(controller->modbusGetRegisters(13000, 2, regs), 0);
    EXPECT_EQ(regs, (std::vector<uint16_t>{0, 1234}));
    ASSERT_EQ(controller->modbusGetRegisters(14000, 2, regs), 0);
    EXPECT_EQ(regs, (std::vector<uint16_t>{2048, 100}));
    ASSERT_EQ(controller->modbusSetRegisters(13000, {77}), 0);
    EXPECT_EQ(ok("?AOUT(0)"), "77\r\n");
    EXPECT_EQ(controller->modbusSetRegisters(14000, {1}), 2005);
}

TEST_F(ModbusTest, ThirtyTwoBitValuesAsRegisterPairs)
{
    ok("MODBUS_LONG(10)=-2\nMODBUS_IEEE(20)=1.5\nDPOS(1)=2.5");
    std::vector<uint16_t> regs;
    ASSERT_EQ(controller->modbusGetRegisters(10, 2, regs), 0);
    EXPECT_EQ(regs, (std::vector<uint16_t>{0xfffe, 0xffff}));
    ASSERT_EQ(controller->modbusGetRegisters(20, 2, regs), 0);
    uint32_t bits = regs[0] | (static_cast<uint32_t>(regs[1]) << 16);
    float f;
    std::memcpy(&f, &bits, 4);
    EXPECT_EQ(f, 1.5f);
    ASSERT_EQ(controller->modbusGetRegisters(10002, 2, regs), 0);
    bits = regs[0] | (static_cast<uint32_t>(regs[1]) << 16);
    std::memcpy(&f, &bits, 4);
    EXPECT_EQ(f, 2.5f);
    ASSERT_EQ(controller->modbusSetRegisters(30, {0, 0x4000}), 0);
    EXPECT_EQ(ok("?MODBUS_IEEE(30) MODBUS_REG(31)"), "2 16384\r\n");
    EXPECT_EQ(controller->modbusGetRegisters(5000, 1, regs), 2003);
}

TEST_F(ModbusTest, DtRegistersReadTableAsFloats)
{
    ok("TABLE(100, 1.5, -3, 0.25)");
    std::vector<uint8_t> bytes;
    ASSERT_EQ(controller->registerRead("DT", 32, 100, 3, bytes), 0);
    ASSERT_EQ(bytes.size(), 12u);
    float values[3];
    std::memcpy(values, bytes.data(), 12);
    EXPECT_EQ(values[0], 1.5f);
    EXPECT_EQ(values[1], -3.0f);
    EXPECT_EQ(values[2], 0.25f);
    ASSERT_EQ(controller->registerRead("DT", 16, 101, 1, bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xfd, 0xff}));
    EXPECT_EQ(controller->registerRead("DT", 32, 4999, 2, bytes), 2003);
    EXPECT_EQ(controller->registerRead("XY", 32, 0, 1, bytes), 2002);
    EXPECT_EQ(controller->registerRead("DT", 8, 0, 1, bytes), 2004);
}

TEST(ModbusDtFlag, AControllerWithoutDtRegistersRefusesTheirReads)
{
    Profile profile = testProfile();
    profile.dtRegisters = false;
    Controller controller(std::move(profile));
    TaskContext task;
    ASSERT_EQ(controller.execute(task, "TABLE(0, 1.5)").code, 0);
    std::vector<uint8_t> bytes{1, 2};
    EXPECT_EQ(controller.registerRead("DT", 32, 0, 1, bytes), 2002);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(controller.specification()[1] & 1, 0);
}

} // namespace
} // namespace korvan::controller::testing
