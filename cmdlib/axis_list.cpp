#include "cmdlib/axis_list.h"

KORVAN_CMD_BEGIN

namespace detail {

CommandText intList(const char* opening, const int* values, int count)
{
    CommandText command;
    command.add("%s", opening);
    for (int i = 0; i < count; ++i)
        command.add(i + 1 < count ? "%d," : "%d)", values[i]);
    return command;
}

CommandText floatList(const char* opening, const float* values, int count)
{
    CommandText command;
    command.add("%s", opening);
    for (int i = 0; i < count; ++i)
        command.add(i + 1 < count ? "%f," : "%f)", values[i]);
    return command;
}

} // namespace detail

KORVAN_CMD_END
