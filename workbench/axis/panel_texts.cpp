#include "workbench/axis/panel_texts.h"

#include "workbench/axis/axis_catalogue.h"

#include <cstdio>

namespace korvan::axis {

namespace {

struct StatusCaption
{
    const char* english;
    const char* chinese;
};

// Rows 17 to 25 of the status list; rows 0 to 16 use the parameter captions.
constexpr std::array<StatusCaption, 9> kStateCaptions{{
    {" ", " "},
    {"Axis State", "轴状态"},
    {"DPOS(units)", "命令位置(units)"},
    {"MPOS(units)", "反馈位置(units)"},
    {"VPSPEED(units/s)", "命令速度(units/s)"},
    {"MSPEED(units/s)", "反馈速度(units/s)"},
    {"IDLE", "运动状态"},
    {"AXISSTATUS", "轴状态"},
    {"MTYPE", "运动类型"},
}};

struct StatusBit
{
    int bit;
    const char* text;
};

constexpr std::array<StatusBit, 12> kStatusBits{{
    {0x2, "随动误差超限"},
    {0x4, "远程轴通讯错误"},
    {0x8, "驱动器报警"},
    {0x10, "正限位报警"},
    {0x20, "负限位报警"},
    {0x40, "回零中"},
    {0x200, "正向软限位报警"},
    {0x400, "负向软限位报警"},
    {0x800, "运动取消中"},
    {0x1000, "超出最大脉冲频率"},
    {0x400000, "伺服驱动器报警"},
    {0x800000, "暂停中"},
}};

struct TextPair
{
    const char* chinese;
    const char* english;
};

constexpr TextPair kPanelTexts[] = {
#define KORVAN_PANEL_TEXT_PAIR(id, zh, en) {zh, en},
    KORVAN_PANEL_TEXTS(KORVAN_PANEL_TEXT_PAIR)
#undef KORVAN_PANEL_TEXT_PAIR
};

} // namespace

const std::array<HomingMode, 16> kHomingModes{{
    {11, "11-Z相正向一次回零"},
    {12, "12-Z相负向一次回零"},
    {13, "13-原点反找正向一次回零"},
    {14, "14-原点反找负向一次回零"},
    {15, "15-原点反找+Z相正向一次回零"},
    {16, "16-原点反找+Z相负向一次回零"},
    {18, "18-原点正向一次回零"},
    {19, "19原点负向一次回零"},
    {31, "31-Z相正向二次回零"},
    {32, "32-Z相负向二次回零"},
    {33, "33-原点反找正向二次回零"},
    {34, "34-原点反找负向二次回零"},
    {35, "35-原点反找+Z相正向二次回零"},
    {36, "36-原点反找+Z相负向二次回零"},
    {38, "38-原点正向二次回零"},
    {39, "39-原点负向二次回零"},
}};

const std::array<LatchMode, 14> kLatchModes{{
    {"", ""},
    {"Z Pul Rising Trigger", "Z脉冲上升沿锁存"},
    {"Z Pul Trailing Trigger", "Z脉冲下降沿锁存"},
    {"Input R0 Rising Trigger", "输入信号R0上升沿锁存"},
    {"Input R0 Trailing Trigger", "输入信号R0下降沿锁存"},
    {"", ""},
    {"R0 Rising + Z Pul Rising Trigger", "R0上升沿+Z信号上升沿锁存"},
    {"R0 Rising + Z Pul Trailing Trigger", "R0上升沿+Z信号下降沿锁存"},
    {"R0 Trailing + Z Pul Rising Trigger", "R0下降沿+Z信号上升沿锁存"},
    {"R0 Trailing + Z Pul Trailing Trigger", "R0下降沿+Z信号下降沿锁存"},
    {"R0 Rising + R1 Rising Trigger", "R0上升沿+R1上升沿锁存"},
    {"R0 Rising + R1 Trailing Trigger", "R0上升沿+R1下降沿锁存"},
    {"R0 Trailing + R1 Rising Trigger", "R0下降沿+R1上升沿锁存"},
    {"R0 Trailing + R1 Trailing Trigger", "R0下降沿+R1下降沿锁存"},
}};

int DatumModeOfIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kHomingModes.size()))
        return 0;
    return kHomingModes[index].datumMode;
}

const char* Text(PanelText id, int language)
{
    const TextPair& pair = kPanelTexts[static_cast<int>(id)];
    return language == 1 ? pair.chinese : pair.english;
}

std::string StatusRowCaption(int row, int language)
{
    if (row >= 0 && row <= 16)
        return ParameterCaption(kAxisParameters[row], language);
    if (row >= 17 && row < kStatusRowCount) {
        const StatusCaption& caption = kStateCaptions[row - 17];
        return language == 1 ? caption.chinese : caption.english;
    }
    return {};
}

std::string StatusValueHeader(int axis)
{
    char text[32];
    std::snprintf(text, sizeof text, "axis%d", axis);
    return text;
}

const char* StatusNameHeader(int language)
{
    return language == 1 ? "轴参数" : "Axis parameter";
}

std::string AxisStatusText(int bits)
{
    for (const StatusBit& entry : kStatusBits)
        if (bits & entry.bit)
            return entry.text;
    char text[48];
    std::snprintf(text, sizeof text, "正常(%d)", bits);
    return text;
}

std::optional<std::string> IdleText(int value, int language)
{
    if (value == 0)
        return std::string(language == 1 ? "运动中" : "Moving");
    if (value == -1)
        return std::string(language == 1 ? "停止中" : "Stop");
    return std::nullopt;
}

std::string TrimmedReal(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result = text;
    if (result.find('.') == std::string::npos)
        return result;
    while (!result.empty() && result.back() == '0')
        result.pop_back();
    if (!result.empty() && result.back() == '.')
        result.pop_back();
    return result;
}

std::string RatioText(float first, float second)
{
    int a = TruncateToInt(first);
    int b = TruncateToInt(second);
    if (a == 0 || b == 0)
        a = b = 1;
    char text[48];
    std::snprintf(text, sizeof text, "%d/%d", a, b);
    return text;
}

std::optional<std::string> StatusValueText(AxisRow row, float value, int language)
{
    char text[64];
    switch (row) {
    case AxisRow::Atype:
        return AxisTypeText(TruncateToInt(value), AxisTypeFallback::CodeThenWord, language);
    case AxisRow::InvertStep:
        return PulseModeText(TruncateToInt(value), PulseModeView::Panel, language);
    case AxisRow::StepRatio1:
    case AxisRow::EncoderRatio1:
        std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
        return std::string(text);
    case AxisRow::DatumIn:
    case AxisRow::FwdIn:
    case AxisRow::RevIn:
    case AxisRow::AlmIn:
    case AxisRow::Mtype:
        return std::to_string(TruncateToInt(value));
    case AxisRow::Idle:
        return IdleText(TruncateToInt(value), language);
    case AxisRow::AxisStatus:
        return AxisStatusText(TruncateToInt(value));
    default:
        return TrimmedReal(value);
    }
}

std::optional<AxisRow> StatusListRowToTable(int listRow)
{
    if (listRow >= 0 && listRow <= 16)
        return static_cast<AxisRow>(listRow);
    if (listRow >= 19 && listRow <= 25)
        return static_cast<AxisRow>(listRow);
    return std::nullopt;
}

} // namespace korvan::axis
