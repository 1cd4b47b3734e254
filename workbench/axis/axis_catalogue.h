// The catalogue of the nineteen editable axis parameters and the display
// texts of axis types and pulse modes, in both languages.
#pragma once

#include "workbench/axis/axis_table.h"

#include <array>
#include <string>

namespace korvan::axis {

/// How a parameter is edited and sent.
enum class ParameterEncoding
{
    AxisType,  ///< list of axis types, sent with "%d"
    Real,      ///< number, sent with "%f"
    Ratio,     ///< two integers joined by a slash
    PulseMode, ///< list of pulse modes, sent with "%d"
    Integer,   ///< integer, sent with "%d"
    TableOnly, ///< kept in the table, written only by SendAxisTable
};

/// One editable parameter as the grid and the panel show it.
struct AxisParameter
{
    const char* name; ///< Korbasic name
    const char* englishCaption;
    const char* chineseCaption;
    ParameterEncoding encoding;
    const char* setCommand; ///< printf format of the setter, nullptr for table-only rows
    AxisRow row;            ///< first (or only) table row
    float factoryDefault;   ///< ResetAxisTable's value (both terms for ratios)
};

/// The nineteen parameters in grid order.
extern const std::array<AxisParameter, 19> kAxisParameters;

/// The caption of a parameter in the given language (1 = Chinese).
const char* ParameterCaption(const AxisParameter& parameter, int language);

/// How an axis type without its own text is built.
enum class AxisTypeFallback
{
    CodeThenWord, ///< "%d-%s": "8-Other"
    WordThenCode, ///< "%s(%d)": "Other(8)"
};

/// The display text of an axis type code (language 1 = Chinese).
std::string AxisTypeText(int code, AxisTypeFallback fallback, int language);

/// The four axis type codes that the grid offers, in order.
inline constexpr std::array<int, 4> kSelectableAxisTypes{1, 3, 4, 65};

/// Codes from here on are bus axes.
inline constexpr int kFirstBusAxisType = 50;

/// Which view shows a pulse mode: the grid's English texts carry the code.
enum class PulseModeView
{
    Grid,
    Panel,
};

/// The display text of a pulse mode code; fallback "%s(%d)".
std::string PulseModeText(int code, PulseModeView view, int language);

/// The four selectable pulse mode codes, in order.
inline constexpr std::array<int, 4> kSelectablePulseModes{0, 2, 4, 5};

} // namespace korvan::axis
