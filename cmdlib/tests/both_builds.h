// Each side compiles the same calls against its own build of the library.
#pragma once

#include "testing/fakelink/fake_link.h"

#include <string>

namespace both_builds {

struct Outcome
{
    std::string twoStatements; // "A=1" and "B=2" joined into one command
    std::string logEntry;      // what the log wrote for "?E" with an empty reply
    bool refusesAxis129 = false;
};

Outcome runWorkbench(korvan::testing::FakeLink& link, const std::string& dir);
Outcome runScope(korvan::testing::FakeLink& link, const std::string& dir);

} // namespace both_builds
