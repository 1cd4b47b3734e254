// Both builds of the library linked into one program, made from one source:
// they differ exactly in separators, argument checks and log rules.
#include "cmdlib/tests/both_builds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

TEST(BothBuilds, DifferOnlyWhereTheBuildsDiffer)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("cmdlib-both-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);

    korvan::testing::FakeLink link;
    const both_builds::Outcome workbench = both_builds::runWorkbench(link, dir.string());
    const both_builds::Outcome scope = both_builds::runScope(link, dir.string());

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);

    EXPECT_EQ(workbench.twoStatements, "A=1\r\nB=2");
    EXPECT_EQ(scope.twoStatements, "A=1\nB=2");
    EXPECT_TRUE(workbench.refusesAxis129);
    EXPECT_FALSE(scope.refusesAxis129);
    EXPECT_EQ(workbench.logEntry, "?E Re:\r\n");
    EXPECT_EQ(scope.logEntry, "?E\r\n");
}

} // namespace
