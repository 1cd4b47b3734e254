// Runs the Korbasic scripts under tests/scripts/<feature>/<case>.bas. Each
// line runs as one command line; a trailing comment states what it must do:
//   ?1+1            ' expect: 2
//   ?NOPE           ' expect error: 2002
// A line without an expectation must succeed.
#include "controller/controller.h"
#include "controller/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvan::controller::testing {
namespace {

namespace fs = std::filesystem;

fs::path scriptRoot()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return fs::path(source ? source : ".") / "controller" / "tests" / "scripts";
}

void runScript(const fs::path& path)
{
    ManualClock clock;
    Controller controller(loadProfile((fs::path(std::getenv("KORVAN_SOURCE_DIR")) / "resources" /
                                       "sim" / "default.json")
                                          .string()),
                          {"", &clock});
    TaskContext task;
    std::ifstream in(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = path.filename().string() + ":" + std::to_string(number);
        std::string expectOutput;
        bool hasOutput = false;
        int expectCode = 0;
        if (const auto at = line.find("' expect: "); at != std::string::npos) {
            expectOutput = line.substr(at + 10);
            hasOutput = true;
        } else if (const auto err = line.find("' expect error: "); err != std::string::npos) {
            expectCode = std::atoi(line.c_str() + err + 16);
        }
        const Outcome o = controller.execute(task, line);
        EXPECT_EQ(o.code, expectCode) << where << ": " << line << "\n" << o.messages;
        if (hasOutput) {
            std::string out = o.output;
            while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
                out.pop_back();
            EXPECT_EQ(out, expectOutput) << where << ": " << line;
        }
    }
}

TEST(Scripts, EveryScriptMeetsItsExpectations)
{
    ASSERT_NE(std::getenv("KORVAN_SOURCE_DIR"), nullptr);
    int scripts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scriptRoot())) {
        if (entry.path().extension() != ".bas")
            continue;
        SCOPED_TRACE(entry.path().string());
        runScript(entry.path());
        ++scripts;
    }
    EXPECT_GT(scripts, 0);
}

} // namespace
} // namespace korvan::controller::testing
