#include "workbench/axis/axis_table_ops.h"

#include "workbench/axis/axis_catalogue.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace korvan::axis {

std::string FormatCommand(const char* format, ...)
{
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

void SendAxis(AxisPort& port, const AxisTable& table, int axis)
{
    for (AxisRow row : kRealRows) {
        const AxisParameter& parameter = ParameterOfRow(row);
        const float value = table.at(row, axis);
        const std::string command =
            parameter.encoding == ParameterEncoding::AxisType
                ? FormatCommand(parameter.setCommand, axis, TruncateToInt(value))
                : FormatCommand(parameter.setCommand, axis, static_cast<double>(value));
        port.set(command);
    }
    const int step1 = TruncateToInt(table.at(AxisRow::StepRatio1, axis));
    const int step2 = TruncateToInt(table.at(AxisRow::StepRatio2, axis));
    if (IsValidStepTerm(step1) && IsValidStepTerm(step2))
        port.setBuffered(FormatCommand("base(%d)\r\nSTEP_RATIO(%d,%d)", axis, step1, step2));
    const int encoder1 = TruncateToInt(table.at(AxisRow::EncoderRatio1, axis));
    const int encoder2 = TruncateToInt(table.at(AxisRow::EncoderRatio2, axis));
    if (encoder1 <= 65535 && encoder2 <= 65535)
        port.setBuffered(
            FormatCommand("base(%d)\r\nENCODER_RATIO(%d,%d)", axis, encoder1, encoder2));
    for (AxisRow row : kInputRows)
        port.set(FormatCommand(ParameterOfRow(row).setCommand, axis,
                               TruncateToInt(table.at(row, axis))));
    const float enableOut = table.at(AxisRow::EnableOut, axis);
    port.writeValues("ENABLE_OUT", axis, std::span(&enableOut, 1));
    const float clearOut = table.at(AxisRow::ClearOut, axis);
    port.writeValues("CLEAR_OUT", axis, std::span(&clearOut, 1));
}

} // namespace

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
        SendAxis(port, table, axis);
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
