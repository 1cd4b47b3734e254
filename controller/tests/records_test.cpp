#include "controller_fixture.h"

namespace korvan::controller::testing {
namespace {

uint32_t u16(const std::vector<uint8_t>& r, std::size_t at)
{
    return r[at] | (r[at + 1] << 8);
}
uint32_t u32(const std::vector<uint8_t>& r, std::size_t at)
{
    return u16(r, at) | (u16(r, at + 2) << 16);
}

using RecordsTest = ControllerTest;

TEST_F(RecordsTest, SpecificationFieldsAtTheirOffsets)
{
    const auto r = controller->specification();
    ASSERT_EQ(r.size(), 60u);
    EXPECT_EQ(r[1] & 1, 1);
    EXPECT_EQ(u16(r, 4), 8u);
    EXPECT_EQ(r[6], 4);
    EXPECT_EQ(r[8], 24);
    EXPECT_EQ(r[9], 16);
    EXPECT_EQ(r[10], 2);
    EXPECT_EQ(r[11], 2);
    EXPECT_EQ(u32(r, 12), 512u);
    EXPECT_EQ(u32(r, 16), 1024u);
    EXPECT_EQ(u16(r, 24), 1000u);
    EXPECT_EQ(u16(r, 26), 2000u);
    EXPECT_EQ(u32(r, 32), 5000u);
    EXPECT_EQ(u32(r, 36), 100u);
    EXPECT_EQ(r[55], 8);
}

TEST_F(RecordsTest, ChildCardsEnumerateFromPrevious65535)
{
    auto first = controller->childCard(65535);
    ASSERT_EQ(first.size(), 12u);
    EXPECT_EQ(u32(first, 0), 801u);
    const uint32_t card = u16(first, 4);
    EXPECT_EQ(card, 1u); // the module's CAN id
    EXPECT_EQ(first[6], 16);
    EXPECT_EQ(first[7], 16);
    EXPECT_EQ(first[8], 0);
    EXPECT_EQ(first[9], 0);
    EXPECT_EQ(first[10], 2);
    // The card's first input, by the numbering rule, is a real input.
    EXPECT_EQ(code("?IN(" + std::to_string((card + 1) * 16) + ")"), 0);
    const auto next = controller->childCard(static_cast<uint16_t>(card));
    EXPECT_GE(u16(next, 4), 128u);
    // A caller asking for the module after card - 1 gets it.
    EXPECT_EQ(u16(controller->childCard(static_cast<uint16_t>(card - 1)), 4), card);
}

TEST(RecordsSmall, CardNumberIsTheCanId)
{
    ManualClock clock;
    Controller c(parseProfile(R"({"io": {"inputs": 16, "outputs": 8},
        "modules": [{"canId": 2, "inputs": 8, "analogInputs": 2, "analogOutputs": 1}]})"),
                 {"", &clock});
    const auto r = c.childCard(65535);
    EXPECT_EQ(u16(r, 4), 2u);
    TaskContext task;
    EXPECT_EQ(c.execute(task, "?IN(48) AIN(24) AOUT(12)").code, 0);
    EXPECT_EQ(c.execute(task, "?IN(56)").code, 2003);
}

TEST(RecordsSmall, NoModulesGivesCardNumber128)
{
    ManualClock clock;
    Controller c(parseProfile("{}"), {"", &clock});
    EXPECT_GE(u16(c.childCard(65535), 4), 128u);
}

TEST_F(RecordsTest, AxisFeaturesFromTheProfile)
{
    EXPECT_EQ(controller->axisFeatures(0), 0x11u);
    EXPECT_EQ(controller->axisFeatures(2), 0x800u);
    EXPECT_EQ(controller->axisFeatures(7), 0u);
    EXPECT_EQ(controller->axisFeatures(-1), 0u);
}

TEST(Profile, MalformedProfilesAreRefusedWithAReason)
{
    for (const char* text :
         {"", "[1]", R"({"axes": {"virtual": 0}})", R"({"axes": {"virtual": 2, "real": 3}})",
          R"({"bus": [{"type": "CANOPEN"}]})", R"({"io": {"inputs": "many"}})",
          R"({"modules": [{"canId": 1}, {"canId": 1}]})", R"({"switches": [{"axis": 99}]})",
          // 24 local inputs reach into card 0's numbers (16..31).
          R"({"io": {"inputs": 24}, "modules": [{"canId": 0}]})",
          R"({"io": {"analogInputs": 9}, "modules": [{"canId": 0}]})"}) {
        EXPECT_THROW(parseProfile(text), ProfileError) << text;
    }
}

} // namespace
} // namespace korvan::controller::testing
