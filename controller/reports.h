// The controller's special "?*" reports, in the shapes the tools parse.
#pragma once

#include <string>
#include <string_view>

namespace korvan::controller {

struct ControllerState;

// X(NAME) of every report "?*NAME" prints.
#define KORVAN_REPORTS(X)                                                                          \
    X(SET)                                                                                         \
    X(MAX)                                                                                         \
    X(SLOT)

enum class Report
{
#define KORVAN_REPORT_ENUM(name) name,
    KORVAN_REPORTS(KORVAN_REPORT_ENUM)
#undef KORVAN_REPORT_ENUM
};

/// The report of that upper-case name (so "?*max" is "?*MAX"), or false.
bool findReport(std::string_view upperName, Report& out);

/// The report's text, without the print statement's line end.
/// SET:  "STEP_RATIO: a~b a~b ...\r\nENCODER_RATIO: a~b a~b ..." (one pair per axis)
/// MAX:  lines "key:value\n"; I/O lines are "max_in:<local>,<numbering range>"
/// SLOT: '.'-separated tokens "<slot>:ETHERCAT" / "<slot>:RTEX", empty without buses
std::string reportText(const ControllerState& state, Report report);

} // namespace korvan::controller
