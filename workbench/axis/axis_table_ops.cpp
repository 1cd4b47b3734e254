#include "workbench/axis/axis_table_ops.h"

#include "cmdlib/c_locale.h"
#include "workbench/axis/axis_catalogue.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace korvan::axis {

std::string FormatCommand(const char* format, ...)
{
    // A Qt program runs in the user's locale; the controller reads a decimal point only.
    const cmd::detail::CLocaleScope cLocale;
    char text[2048];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

namespace {

int ClampAxisCount(int count)
{
    return std::clamp(count, 0, kAxisCount);
}

constexpr std::array<AxisRow, 10> kRealRows{
    AxisRow::Atype, AxisRow::Units,   AxisRow::Lspeed, AxisRow::Speed,   AxisRow::Accel,
    AxisRow::Decel, AxisRow::Fastdec, AxisRow::Sramp,  AxisRow::FsLimit, AxisRow::RsLimit};
constexpr std::array<AxisRow, 5> kInputRows{AxisRow::InvertStep, AxisRow::DatumIn, AxisRow::FwdIn,
                                            AxisRow::RevIn, AxisRow::AlmIn};

const AxisParameter& ParameterOfRow(AxisRow row)
{
    return *std::find_if(kAxisParameters.begin(), kAxisParameters.end(),
                         [row](const AxisParameter& p) { return p.row == row; });
}

void ReadBlockRows(AxisPort& port, AxisTable& table, std::span<const AxisRow> rows)
{
    for (AxisRow row : rows)
        port.readBlock(ParameterOfRow(row).name, table.row(row));
}

// Returns the read's code; a failed read leaves -1 in the first count entries.
int ReadOutputRow(AxisPort& port, AxisTable& table, AxisRow row, int count)
{
    AxisTable::Row& values = table.row(row);
    const int code = port.readRange(ParameterOfRow(row).name, 0, std::span(values.data(), count));
    if (code != 0)
        std::fill_n(values.begin(), count, -1.0f);
    return code;
}

bool IsValidStepTerm(int term)
{
    return term >= 1 && term <= 65535;
}

// The order in which SendAxisTable writes an axis's parameters.
constexpr std::array<AxisRow, 19> kSendOrder{
    AxisRow::Atype,      AxisRow::Units,     AxisRow::Lspeed,     AxisRow::Speed,
    AxisRow::Accel,      AxisRow::Decel,     AxisRow::Fastdec,    AxisRow::Sramp,
    AxisRow::FsLimit,    AxisRow::RsLimit,   AxisRow::StepRatio1, AxisRow::EncoderRatio1,
    AxisRow::InvertStep, AxisRow::DatumIn,   AxisRow::FwdIn,      AxisRow::RevIn,
    AxisRow::AlmIn,      AxisRow::EnableOut, AxisRow::ClearOut};

} // namespace

void SendAxisParameter(AxisPort& port, const AxisTable& table, AxisRow row, int axis)
{
    switch (row) {
    case AxisRow::StepRatio1:
    case AxisRow::StepRatio2: {
        const int first = TruncateToInt(table.at(AxisRow::StepRatio1, axis));
        const int second = TruncateToInt(table.at(AxisRow::StepRatio2, axis));
        if (IsValidStepTerm(first) && IsValidStepTerm(second))
            port.setBuffered(
                FormatCommand(ParameterOfRow(AxisRow::StepRatio1).setCommand, axis, first, second));
        return;
    }
    case AxisRow::EncoderRatio1:
    case AxisRow::EncoderRatio2: {
        const int first = TruncateToInt(table.at(AxisRow::EncoderRatio1, axis));
        const int second = TruncateToInt(table.at(AxisRow::EncoderRatio2, axis));
        if (first <= 65535 && second <= 65535)
            port.setBuffered(FormatCommand(ParameterOfRow(AxisRow::EncoderRatio1).setCommand, axis,
                                           first, second));
        return;
    }
    case AxisRow::EnableOut:
    case AxisRow::ClearOut: {
        const float value = table.at(row, axis);
        port.writeValues(ParameterOfRow(row).name, axis, std::span(&value, 1));
        return;
    }
    default:
        break;
    }
    const auto parameter = std::find_if(kAxisParameters.begin(), kAxisParameters.end(),
                                        [row](const AxisParameter& p) { return p.row == row; });
    if (parameter == kAxisParameters.end() || !parameter->setCommand)
        return; // the status rows are the controller's to write
    const float value = table.at(row, axis);
    port.set(parameter->encoding == ParameterEncoding::Real
                 ? FormatCommand(parameter->setCommand, axis, static_cast<double>(value))
                 : FormatCommand(parameter->setCommand, axis, TruncateToInt(value)));
}

void LoadAxisTable(AxisPort& port, AxisTable& table, const HardwareDefaultsFile& defaults)
{
    const std::optional<ControllerCounts> counts = port.specification();
    if (!counts)
        return;
    const int virtualAxes = ClampAxisCount(counts->virtualAxes);
    ReadBlockRows(port, table, kRealRows);
    port.readStepRatios(table.row(AxisRow::StepRatio1), table.row(AxisRow::StepRatio2));
    ReadBlockRows(port, table, kInputRows);
    port.readEncoderRatios(table.row(AxisRow::EncoderRatio1), table.row(AxisRow::EncoderRatio2));
    ReadOutputRow(port, table, AxisRow::EnableOut, virtualAxes);
    if (ReadOutputRow(port, table, AxisRow::ClearOut, virtualAxes) == kNoOutputTableCode)
        ApplyHardwareDefaults(port, table, defaults);
}

void SendAxisTable(AxisPort& port, const AxisTable& table)
{
    const std::optional<ControllerCounts> counts = port.specification();
    if (!counts)
        return;
    const int realAxes = ClampAxisCount(counts->realAxes);
    for (int axis = 0; axis < realAxes; ++axis)
        for (AxisRow row : kSendOrder)
            SendAxisParameter(port, table, row, axis);
}

void ResetAxisTable(AxisPort& port, AxisTable& table, const HardwareDefaultsFile& defaults)
{
    const std::optional<ControllerCounts> counts = port.specification();
    if (!counts)
        return;
    const int virtualAxes = ClampAxisCount(counts->virtualAxes);
    for (const AxisParameter& parameter : kAxisParameters) {
        for (int axis = 0; axis < virtualAxes; ++axis) {
            table.set(parameter.row, axis, parameter.factoryDefault);
            if (parameter.row == AxisRow::StepRatio1)
                table.set(AxisRow::StepRatio2, axis, parameter.factoryDefault);
            if (parameter.row == AxisRow::EncoderRatio1)
                table.set(AxisRow::EncoderRatio2, axis, parameter.factoryDefault);
        }
    }
    ApplyHardwareDefaults(port, table, defaults);
    for (int input = 0; input < counts->localInputs; ++input)
        port.setBuffered(FormatCommand("INVERT_IN(%d,%d)", input, 0));
    for (const ChildCardInputs& card : port.childCards())
        for (int input = 0; input < card.inputCount; ++input)
            port.setBuffered(FormatCommand("INVERT_IN(%d,%d)", card.firstInput + input, 0));
}

} // namespace korvan::axis
