// The oscilloscope's panel-wide settings and its eight channel rows, with the
// fixed tables that bound them (data sources, colour defaults, number ranges).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvan::scope {

/// The panel has eight rows; every channel count is held within 1 and this.
inline constexpr int kMaxChannels = 8;

/// A colour value as the settings file stores it: red in the low byte, then green, then blue.
using ColorValue = std::int32_t;

/// Packs (red, green, blue) into a colour value.
constexpr ColorValue colorValue(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}
constexpr int redOf(ColorValue v)
{
    return v & 0xFF;
}
constexpr int greenOf(ColorValue v)
{
    return (v >> 8) & 0xFF;
}
constexpr int blueOf(ColorValue v)
{
    return (v >> 16) & 0xFF;
}

/// The default trace colours of channels 1 to 8.
inline constexpr std::array<ColorValue, kMaxChannels> kDefaultChannelColors = {
    colorValue(220, 20, 60), colorValue(138, 43, 226), colorValue(0, 255, 255),
    colorValue(0, 255, 127), colorValue(255, 255, 0),  colorValue(128, 128, 0),
    colorValue(255, 140, 0), colorValue(192, 14, 235)};

/// The names offered in each row's source box, in this order.
inline constexpr std::array<std::string_view, 32> kDataSources = {
    "VP_SPEED",     "DPOS",       "MPOS",         "MSPEED",
    "FE",           "AXISSTATUS", "MOVE_CURMARK", "MARK",
    "MARKB",        "MARKC",      "MARKD",        "REG_POS",
    "REG_POSB",     "REG_POSC",   "REG_POSD",     "VECTOR_BUFFERED",
    "MOVE_MARK",    "MTYPE",      "DRIVE_FE",     "DRIVE_STATUS",
    "DRIVE_TORQUE", "DAC_OUT",    "SERVO",        "ENCODER",
    "IN",           "OP",         "AIN",          "AOUT",
    "TABLE",        "VR",         "MODBUS_BIT",   "MODBUS_REG"};

/// Lowest horizontal scale the scale box accepts.
inline constexpr double kMinHorizontalScale = 10.0;

enum class DisplayType
{
    Dots = 0,
    Lines = 1
};

struct ScopeSettings
{
    int channelCount = 2;
    int depth = 1000;
    int interval = 1;
    int tableStart = 0;
    bool useEndOfTable = true;
    int displayType = 0; ///< 0 dots, 1 line segments; other values draw nothing
    bool exportParameters = true;
    bool continuous = false;
    bool follow = false;
    double horizontalScale = 100.0;
    ColorValue background = 0;
    std::array<ColorValue, kMaxChannels> channelColors = kDefaultChannelColors;
};

struct ScopeChannel
{
    std::string source = "VP_SPEED";
    int number = 0;
    float offset = 0.0F;
    float scale = 1000.0F;
    bool shown = true;
};

/// Eight rows, numbered 0 to 7, each with its row index as number.
using ScopeChannels = std::array<ScopeChannel, kMaxChannels>;
ScopeChannels defaultChannels();

/// Holds a channel count from any source (dialog, controller, file) within 1 to 8.
constexpr int clampChannelCount(int count)
{
    return count < 1 ? 1 : (count > kMaxChannels ? kMaxChannels : count);
}

/// The scale box rule: values below 10 are raised to 10.
constexpr double clampHorizontalScale(double scale)
{
    return scale < kMinHorizontalScale ? kMinHorizontalScale : scale;
}

/// Reads the leading integer of a box text as atoi does (0 when none).
int leadingInt(std::string_view text);
/// Reads the leading number of a box text as atof does (0 when none).
double leadingDouble(std::string_view text);
/// Case-insensitive name comparison for source names.
bool sameSource(std::string_view a, std::string_view b);

} // namespace korvan::scope
