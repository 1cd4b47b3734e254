#include "workbench/axis/axis_catalogue.h"

#include <cstdio>

namespace korvan::axis {

using E = ParameterEncoding;
using R = AxisRow;

const std::array<AxisParameter, 19> kAxisParameters{{
    {"ATYPE", "ATYPE", "轴类型", E::AxisType, "ATYPE(%d)=%d", R::Atype, 0.0f},
    {"UNITS", "UNITS", "脉冲当量", E::Real, "UNITS(%d)=%f", R::Units, 1.0f},
    {"LSPEED", "LSPEED(units/s)", "起始速度(units/s)", E::Real, "LSPEED(%d)=%f", R::Lspeed, 0.0f},
    {"SPEED", "SPEED(units/s)", "运行速度(units/s)", E::Real, "SPEED(%d)=%f", R::Speed, 100.0f},
    {"ACCEL", "ACCEL(units/s/s)", "加速度(units/s/s)", E::Real, "ACCEL(%d)=%f", R::Accel, 1000.0f},
    {"DECEL", "DECEL(units/s/s)", "减速度(units/s/s)", E::Real, "DECEL(%d)=%f", R::Decel, 0.0f},
    {"FASTDEC", "FASTDEC(units/s/s)", "快速减速度(units/s/s)", E::Real, "FASTDEC(%d)=%f",
     R::Fastdec, 0.0f},
    {"SRAMP", "SRAMP(ms)", "S曲线时间(ms)", E::Real, "SRAMP(%d)=%f", R::Sramp, 0.0f},
    {"FS_LIMIT", "FS_LIMIT(units)", "正向软限位(units)", E::Real, "FS_LIMIT(%d)=%f", R::FsLimit,
     200000000.0f},
    {"RS_LIMIT", "RS_LIMIT(units)", "负向软限位(units)", E::Real, "RS_LIMIT(%d)=%f", R::RsLimit,
     -200000000.0f},
    {"STEP_RATIO", "STEP_RADIO", "脉冲齿轮比", E::Ratio, "base(%d)\r\nSTEP_RATIO(%d,%d)",
     R::StepRatio1, 1.0f},
    {"ENCODER_RATIO", "ENDODE_RADIO", "反馈齿轮比", E::Ratio, "base(%d)\r\nENCODER_RATIO(%d,%d)",
     R::EncoderRatio1, 1.0f},
    {"INVERT_STEP", "INVERT_STEP", "脉冲模式", E::PulseMode, "INVERT_STEP(%d)=%d", R::InvertStep,
     0.0f},
    {"DATUM_IN", "DATUM_IN", "原点IO", E::Integer, "DATUM_IN(%d)=%d", R::DatumIn, -1.0f},
    {"FWD_IN", "FWD_IN", "正限位IO", E::Integer, "FWD_IN(%d)=%d", R::FwdIn, -1.0f},
    {"REV_IN", "REV_IN", "负限位IO", E::Integer, "Rev_In(%d)=%d", R::RevIn, -1.0f},
    {"ALM_IN", "ALM_IN", "伺服报警IO", E::Integer, "ALM_IN(%d)=%d", R::AlmIn, -1.0f},
    {"ENABLE_OUT", "ENABLE_OUT", "使能输出OUT", E::TableOnly, nullptr, R::EnableOut, -1.0f},
    {"CLEAR_OUT", "CLEAR_OUT", "报警清除OUT", E::TableOnly, nullptr, R::ClearOut, -1.0f},
}};

const char* ParameterCaption(const AxisParameter& parameter, int language)
{
    return language == 1 ? parameter.chineseCaption : parameter.englishCaption;
}

namespace {

struct CodeText
{
    int code;
    const char* english;
    const char* chinese;
};

constexpr std::array<CodeText, 6> kAxisTypeTexts{{
    {1, "1-Pulse Axis", "1-脉冲输出轴"},
    {3, "3-Encoder Axis", "3-编码器反馈轴"},
    {4, "4-Pulse And Encoder Axis", "4-脉冲输出+反馈轴"},
    {65, "65-ECAT CSP", "65-ECAT轴 CSP"},
    {66, "66-ECAT CSV", "66-ECAT轴 CSV"},
    {67, "67-ECAT CST", "67-ECAT轴 CST"},
}};

struct PulseText
{
    int code;
    const char* gridEnglish;
    const char* panelEnglish;
    const char* chinese;
};

constexpr std::array<PulseText, 4> kPulseModeTexts{{
    {0, "0-pulsed mode direction Positive direction", "pulsed mode direction Positive direction",
     "0-脉冲方向 正方向"},
    {2, "2-pulsed mode direction Negative direction", "pulsed mode direction Negative direction",
     "2-脉冲方向 负方向"},
    {4, "4-double-pulse mode Positive direction", "double-pulse mode Positive direction",
     "4-双脉冲 正方向"},
    {5, "5-double-pulse mode Negative direction", "double-pulse mode Negative direction",
     "5-双脉冲 负方向"},
}};

const char* OtherWord(int language)
{
    return language == 1 ? "其他" : "Other";
}

std::string WordThenCode(int code, int language)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s(%d)", OtherWord(language), code);
    return text;
}

} // namespace

std::string AxisTypeText(int code, AxisTypeFallback fallback, int language)
{
    for (const CodeText& entry : kAxisTypeTexts)
        if (entry.code == code)
            return language == 1 ? entry.chinese : entry.english;
    if (fallback == AxisTypeFallback::WordThenCode)
        return WordThenCode(code, language);
    char text[64];
    std::snprintf(text, sizeof text, "%d-%s", code, OtherWord(language));
    return text;
}

std::string PulseModeText(int code, PulseModeView view, int language)
{
    for (const PulseText& entry : kPulseModeTexts) {
        if (entry.code != code)
            continue;
        if (language == 1)
            return entry.chinese;
        return view == PulseModeView::Grid ? entry.gridEnglish : entry.panelEnglish;
    }
    return WordThenCode(code, language);
}

} // namespace korvan::axis
