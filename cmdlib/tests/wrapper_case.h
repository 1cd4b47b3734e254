// A table row for wrapper tests: the call, the command it must send and the
// base operation that must carry it.
#pragma once

#include "cmdlib/variant.h"
#include "testing/fakelink/fake_link.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace wrapper_case {

struct Case
{
    std::string label;
    std::function<int(ControllerHandle)> call;
    std::vector<korvan::testing::SentCommand> expected;
};

inline std::ostream& operator<<(std::ostream& out, const Case& c)
{
    return out << c.label;
}

// The build's statement separator, for expected texts.
inline std::string sep()
{
    return KORVAN_CMD_IS_SCOPE ? "\n" : "\r\n";
}

} // namespace wrapper_case
