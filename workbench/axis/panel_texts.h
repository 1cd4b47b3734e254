// Fixed texts of the single-axis panel: status row captions and value texts,
// the homing and latch mode lists, and the messages of its actions.
#pragma once

#include "workbench/axis/axis_table.h"

#include <array>
#include <optional>
#include <string>

namespace korvan::axis {

inline constexpr int kStatusRowCount = 26;

/// The caption of status list row 0..25 in column 0.
std::string StatusRowCaption(int row, int language);
/// The column 1 header "axis%d".
std::string StatusValueHeader(int axis);
/// The column 0 header.
const char* StatusNameHeader(int language);

/// The AXISSTATUS text: the first listed bit's Chinese text, else "正常(%d)".
std::string AxisStatusText(int bits);
/// The IDLE text; nothing for values other than 0 and -1 (the cell keeps its text).
std::optional<std::string> IdleText(int value, int language);
/// "%.4f" (or another precision) with trailing zeros and a trailing point removed.
std::string TrimmedReal(double value, int decimals = 4);
/// A gear ratio as "%d/%d"; a zero term shows as 1/1.
std::string RatioText(float first, float second);

/// The value text of a table row shown in the status list, nothing when the
/// cell keeps its old text. Rows 10 and 11 show the first term with "%.4f".
std::optional<std::string> StatusValueText(AxisRow row, float value, int language);

/// The table row of each status list row (row 17 and 18 are headings: nothing).
std::optional<AxisRow> StatusListRowToTable(int listRow);

struct HomingMode
{
    int datumMode;
    const char* text;
};
/// The sixteen controller homing modes, by list index.
extern const std::array<HomingMode, 16> kHomingModes;
/// The datum mode of a homing list index; 0 outside the list.
int DatumModeOfIndex(int index);
/// Bus drive homing lists the methods "0" to "35".
inline constexpr int kBusHomingMethodCount = 36;

struct LatchMode
{
    const char* english;
    const char* chinese;
};
/// The fourteen latch modes by REGIST mode; 0 and 5 are empty.
extern const std::array<LatchMode, 14> kLatchModes;

// X-macro list of the panel's captions and messages: (id, Chinese, English).
// Messages shown in one language only carry the same text twice.
#define KORVAN_PANEL_TEXTS(X)                                                                      \
    X(Linked, "轴同步运动中，无法操作!", "轴同步运动中，无法操作!")                                \
    X(Unsupported, "Unsupported functionality!", "Unsupported functionality!")                     \
    X(LatchRefused, "当前轴类型不支持锁存!", "当前轴类型不支持锁存!")                              \
    X(ComparatorRange, "比较器编号范围超出!", "比较器编号范围超出!")                               \
    X(ComparatorOverwrite, "当前比较器已启动，是否覆盖！", "当前比较器已启动，是否覆盖！")         \
    X(MasterIsSelf, "主从轴设置异常!", "主从轴设置异常!")                                          \
    X(StartPswitch, "启动位置比较", "Start Pswitch")                                               \
    X(StopPswitch, "停止位置比较", "Stop Pswitch")                                                 \
    X(StartRegist, "启动锁存", "Start regist")                                                     \
    X(StopRegist, "停止锁存", "Stop regist")                                                       \
    X(SingleRegist, "单次锁存", "Single regist")                                                   \
    X(LoopRegist, "连续锁存", "Loop regist")                                                       \
    X(StartLink, "启动同步", "Start Link")                                                         \
    X(StopLink, "取消同步", "Stop Link")                                                           \
    X(Jog, "点动", "JOG")                                                                          \
    X(Step, "定位", "STEP")                                                                        \
    X(LatchIdle, "Mark：未触发\tMarkB：未触发", "Mark：Not Trigger\tMarkB：Not Trigger")           \
    X(LatchPositionsIdle, "Rrg_pos：0\tRrg_posB：0", "Rrg_pos：0\tRrg_posB：0")

enum class PanelText
{
#define KORVAN_PANEL_TEXT_ID(id, zh, en) id,
    KORVAN_PANEL_TEXTS(KORVAN_PANEL_TEXT_ID)
#undef KORVAN_PANEL_TEXT_ID
};

/// A caption or message in the given language (1 = Chinese).
const char* Text(PanelText id, int language);

} // namespace korvan::axis
