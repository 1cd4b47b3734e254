#include "controller/motion/axis_parameters.h"
#include "controller/motion/motion_engine.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

using namespace korvan::motion;

TEST(ParameterTable, NamesAreUniqueAndSorted)
{
    std::set<std::string_view> seen;
    std::string_view previous;
    for (const ParameterBinding& b : parameterBindings()) {
        EXPECT_TRUE(seen.insert(b.name).second) << b.name;
        EXPECT_LT(previous, b.name);
        previous = b.name;
        EXPECT_NE(b.get, nullptr);
        EXPECT_NE(b.set, nullptr);
    }
}

TEST(ParameterTable, FactoryDefaultsReadThroughTheTable)
{
    const MotionEngine e(2);
    const std::pair<const char*, double> defaults[] = {
        {"UNITS", 1},
        {"SPEED", 100},
        {"ACCEL", 1000},
        {"DECEL", 0},
        {"FASTDEC", 0},
        {"SRAMP", 0},
        {"LSPEED", 0},
        {"CREEP", 10},
        {"FS_LIMIT", 200000000},
        {"RS_LIMIT", -200000000},
        {"DATUM_IN", -1},
        {"IDLE", -1},
        {"MTYPE", 0},
        {"AXIS_ENABLE", 1},
        {"DPOS", 0},
    };
    for (const auto& [name, value] : defaults) {
        const ParameterBinding* b = findParameter(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->get(e, 1), value) << name;
    }
}

TEST(ParameterTable, WritesGoToTheEngineAndReadOnlyValuesRefuse)
{
    MotionEngine e(1);
    const ParameterBinding* speed = findParameter("speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->set(e, 0, 250), MotionResult::Ok);
    EXPECT_EQ(e.parameters(0).speed, 250);
    EXPECT_EQ(speed->set(e, 0, std::numeric_limits<double>::quiet_NaN()),
              MotionResult::BadArgument);
    EXPECT_EQ(findParameter("MTYPE")->set(e, 0, 3), MotionResult::ReadOnly);
    EXPECT_EQ(findParameter("Datum_In")->set(e, 0, 1e12), MotionResult::BadArgument);
    EXPECT_EQ(findParameter("DPOS")->set(e, 0, 42), MotionResult::Ok);
    EXPECT_EQ(e.status(0).dpos, 42);
    EXPECT_EQ(e.status(0).mpos, 42);
    EXPECT_EQ(findParameter("NO_SUCH"), nullptr);
}

TEST(ResultCodes, EveryResultHasOneCodeOutsideTheLinkRange)
{
    std::set<int> codes;
    std::set<MotionResult> results;
    for (const ResultCode& r : kResultCodes) {
        SCOPED_TRACE(r.text);
        EXPECT_TRUE(codes.insert(r.code).second);
        EXPECT_TRUE(results.insert(r.result).second);
        EXPECT_FALSE(r.code >= 3000 && r.code < 4000) << "the link owns 3xxx";
        EXPECT_FALSE(r.text.empty());
        EXPECT_EQ(controllerCode(r.result), r.code);
    }
    EXPECT_EQ(results.size(), static_cast<std::size_t>(MotionResult::OffEllipse) + 1);
    EXPECT_EQ(controllerCode(MotionResult::Ok), 0);
    // Refusals only motion gives have a range of their own.
    for (const MotionResult r :
         {MotionResult::BufferFull, MotionResult::AxisDisabled, MotionResult::BadArc,
          MotionResult::LimitActive, MotionResult::NotBusAxis, MotionResult::NoOriginInput,
          MotionResult::OffEllipse})
        EXPECT_TRUE(controllerCode(r) > 2300 && controllerCode(r) < 2400);
}
