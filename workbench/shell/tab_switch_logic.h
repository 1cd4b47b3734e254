// The tab view's fixed facts and its one rule, Qt-free: the five pages in
// tab order with their captions, and the guard in front of the bus page.
#pragma once

#include <array>
#include <functional>

namespace korvan::shell {

/// The pages in tab order; the indices are fixed, whichever pages are built.
enum class TabIndex : int
{
    ControlMax = 0, ///< controller specification report
    AxisPara = 1,   ///< axis parameter grid
    AxisMove = 2,   ///< multi-axis (teach) panel
    BasFile = 3,    ///< BASIC file page
    EcatSet = 4,    ///< bus configuration
};
inline constexpr int kTabCount = 5;

/// The controls of dialog 311.
namespace tab_switch_ids {
enum Id : int
{
    Tabs = 1002,
};
} // namespace tab_switch_ids

/// The page's tab caption in the language (1 Chinese, otherwise English).
const char* tabCaption(TabIndex tab, int language);

/// Why the bus page is refused, if it is.
enum class BusTabRefusal
{
    None,
    NoBus,        ///< the slot has no field bus
    NoBusProgram, ///< the bus program does not answer "?Sys_version"
};

/// The bus page guard: the slot's busType first, the probe only when there is a bus.
BusTabRefusal busTabRefusal(int busType, const std::function<bool()>& probeSysVersion);
/// The message shown for a refusal (the same in both languages); nullptr for None.
const char* busTabRefusalText(BusTabRefusal refusal);

} // namespace korvan::shell
