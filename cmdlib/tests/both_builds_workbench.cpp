#include "cmdlib/tests/both_builds_side.inc"

both_builds::Outcome both_builds::runWorkbench(korvan::testing::FakeLink& link,
                                               const std::string& dir)
{
    return runSide(link, dir);
}
