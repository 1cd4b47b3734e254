#include "workbench/axis/axis_para_grid.h"

#include "workbench/axis/axis_catalogue.h"
#include "workbench/axis/axis_table_ops.h"

#include <algorithm>

namespace korvan::axis {
namespace {

const AxisParameter& ParameterOfGridRow(int gridRow)
{
    return kAxisParameters[static_cast<std::size_t>(gridRow)];
}

bool IsRatioRow(int gridRow)
{
    const ParameterEncoding encoding = ParameterOfGridRow(gridRow).encoding;
    return encoding == ParameterEncoding::Ratio;
}

// The second term of a ratio row lives in a table row of its own.
AxisRow SecondTermRow(int gridRow)
{
    return GridTableRow(gridRow) == AxisRow::StepRatio1 ? AxisRow::StepRatio2
                                                        : AxisRow::EncoderRatio2;
}

bool IsEditText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '/';
    });
}

const std::string kNoText;

} // namespace

AxisRow GridTableRow(int gridRow)
{
    return ParameterOfGridRow(gridRow).row;
}

std::string TrimmedNumber(float value, int decimals)
{
    std::string text = FormatCommand("%.*f", decimals, static_cast<double>(value));
    if (text.find('.') == std::string::npos)
        return text; // inf and nan have no decimals to cut
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::string BuildCellText(AxisTable& table, int gridRow, int axis, int language)
{
    const AxisParameter& parameter = ParameterOfGridRow(gridRow);
    const float value = table.at(parameter.row, axis);
    switch (parameter.encoding) {
    case ParameterEncoding::AxisType:
        return AxisTypeText(TruncateToInt(value), AxisTypeFallback::CodeThenWord, language);
    case ParameterEncoding::PulseMode:
        return PulseModeText(TruncateToInt(value), PulseModeView::Grid, language);
    case ParameterEncoding::Real:
        return TrimmedNumber(value, 3);
    case ParameterEncoding::Ratio: {
        const AxisRow second = SecondTermRow(gridRow);
        if (TruncateToInt(value) == 0 || TruncateToInt(table.at(second, axis)) == 0) {
            table.set(parameter.row, axis, 1.0f);
            table.set(second, axis, 1.0f);
        }
        return FormatCommand("%d/%d", TruncateToInt(table.at(parameter.row, axis)),
                             TruncateToInt(table.at(second, axis)));
    }
    case ParameterEncoding::Integer:
    case ParameterEncoding::TableOnly:
        break;
    }
    return FormatCommand("%d", TruncateToInt(value));
}

std::string PollCellText(int gridRow, float value, int language)
{
    switch (ParameterOfGridRow(gridRow).encoding) {
    case ParameterEncoding::AxisType:
        return AxisTypeText(TruncateToInt(value), AxisTypeFallback::WordThenCode, language);
    case ParameterEncoding::PulseMode:
        return PulseModeText(TruncateToInt(value), PulseModeView::Grid, language);
    case ParameterEncoding::Real:
        return TrimmedNumber(value, 4);
    default:
        break;
    }
    return FormatCommand("%d", TruncateToInt(value));
}

int GridPollPeriodMs(int linkType)
{
    return linkType == 1 ? 1000 : 100;
}

GridEditor EditorOfRow(int gridRow)
{
    const ParameterEncoding encoding = ParameterOfGridRow(gridRow).encoding;
    return encoding == ParameterEncoding::AxisType || encoding == ParameterEncoding::PulseMode
               ? GridEditor::Combo
               : GridEditor::Edit;
}

std::vector<std::string> ComboItems(int gridRow, int language)
{
    std::vector<std::string> items;
    if (ParameterOfGridRow(gridRow).encoding == ParameterEncoding::AxisType) {
        for (int code : kSelectableAxisTypes)
            items.push_back(AxisTypeText(code, AxisTypeFallback::CodeThenWord, language));
    } else {
        for (int code : kSelectablePulseModes)
            items.push_back(PulseModeText(code, PulseModeView::Grid, language));
    }
    return items;
}

ClickPlan PlanClick(const OpenEditor& editor, int row, int column)
{
    ClickPlan plan;
    const bool editOpen = editor.kind == GridEditor::Edit;
    const bool comboOpen = editor.kind == GridEditor::Combo;
    if (row < 0 || row >= kGridRowCount || column <= 0) {
        plan.commitEdit = editOpen;
        plan.commitCombo = comboOpen;
        return plan;
    }
    const GridEditor wanted = EditorOfRow(row);
    if (editor.kind == wanted && editor.row == row && editor.column == column) {
        plan.focusOpen = true;
        return plan;
    }
    plan.commitEdit = editOpen;
    plan.commitCombo = comboOpen;
    plan.open = wanted;
    return plan;
}

const std::string& AxisParaGrid::cell(int gridRow, int axis) const
{
    if (axis < 0 || axis >= axisCount() || gridRow < 0 || gridRow >= kGridRowCount)
        return kNoText;
    return m_cells[static_cast<std::size_t>(axis)][static_cast<std::size_t>(gridRow)];
}

std::string AxisParaGrid::header(int axis)
{
    return FormatCommand("axis%d", axis);
}

std::string AxisParaGrid::caption(int gridRow, int language)
{
    return ParameterCaption(ParameterOfGridRow(gridRow), language);
}

bool AxisParaGrid::build(AxisPort* port, int language, const HardwareDefaultsFile& defaults)
{
    m_cells.clear();
    if (!port)
        return false;
    const std::optional<ControllerCounts> counts = port->specification();
    if (!counts)
        return false;
    m_language = language;
    LoadAxisTable(*port, m_table, defaults);
    m_cells.resize(static_cast<std::size_t>(std::clamp(counts->realAxes, 0, kAxisCount)));
    for (int axis = 0; axis < axisCount(); ++axis)
        for (int row = 0; row < kGridRowCount; ++row)
            m_cells[static_cast<std::size_t>(axis)][static_cast<std::size_t>(row)] =
                BuildCellText(m_table, row, axis, language);
    return true;
}

std::vector<GridCell> AxisParaGrid::poll(AxisPort* port)
{
    std::vector<GridCell> changed;
    if (!port)
        return changed;
    for (int row : kPolledGridRows) {
        const std::optional<ControllerCounts> counts = port->specification();
        if (!counts)
            continue;
        const AxisParameter& parameter = ParameterOfGridRow(row);
        // Axes the reply does not reach keep the table's values.
        AxisTable::Row values = m_table.row(parameter.row);
        if (port->readBlock(parameter.name, values) != 0)
            continue;
        const int axes = std::min(axisCount(), std::clamp(counts->realAxes, 0, kAxisCount));
        for (int axis = 0; axis < axes; ++axis) {
            std::string& text =
                m_cells[static_cast<std::size_t>(axis)][static_cast<std::size_t>(row)];
            // The table holds floats: a cell that shows the float's own text is unchanged.
            const float shown = static_cast<float>(ReadLeadingReal(text));
            const float value = values[static_cast<std::size_t>(axis)];
            if (shown == value)
                continue;
            m_table.set(parameter.row, axis, value);
            text = PollCellText(row, value, m_language);
            changed.push_back({row, axis});
        }
    }
    return changed;
}

bool AxisParaGrid::commitEdit(AxisPort* port, int gridRow, int axis, std::string_view text)
{
    if (axis < 0 || axis >= axisCount() || EditorOfRow(gridRow) != GridEditor::Edit ||
        !IsEditText(text))
        return false;
    std::string& cellText =
        m_cells[static_cast<std::size_t>(axis)][static_cast<std::size_t>(gridRow)];
    const AxisRow row = GridTableRow(gridRow);
    const std::string typed(text);
    if (IsRatioRow(gridRow)) {
        const std::size_t slash = typed.find('/');
        int first = ReadLeadingInt(typed.substr(0, slash));
        int second = slash == std::string::npos ? 0 : ReadLeadingInt(typed.substr(slash + 1));
        if (first == 0 || second == 0)
            first = second = 1;
        m_table.set(row, axis, static_cast<float>(first));
        m_table.set(SecondTermRow(gridRow), axis, static_cast<float>(second));
        cellText = FormatCommand("%d/%d", first, second);
    } else {
        m_table.set(row, axis, static_cast<float>(ReadLeadingReal(typed)));
        cellText = typed;
        // The output rows are kept here and written with the whole table only.
        if (ParameterOfGridRow(gridRow).encoding == ParameterEncoding::TableOnly)
            return true;
    }
    if (port)
        SendAxisParameter(*port, m_table, row, axis);
    return true;
}

bool AxisParaGrid::commitCombo(AxisPort* port, int gridRow, int axis, std::string_view text,
                               int index)
{
    if (axis < 0 || axis >= axisCount() || EditorOfRow(gridRow) != GridEditor::Combo)
        return false;
    std::string& cellText =
        m_cells[static_cast<std::size_t>(axis)][static_cast<std::size_t>(gridRow)];
    if (index < 0 && text == cellText)
        return false;
    cellText = std::string(text);
    const bool axisType = ParameterOfGridRow(gridRow).encoding == ParameterEncoding::AxisType;
    int code = 0;
    if (axisType && index >= 0 && index < static_cast<int>(kSelectableAxisTypes.size()))
        code = kSelectableAxisTypes[static_cast<std::size_t>(index)];
    if (!axisType && index >= 1 && index < static_cast<int>(kSelectablePulseModes.size()))
        code = kSelectablePulseModes[static_cast<std::size_t>(index)];
    const AxisRow row = GridTableRow(gridRow);
    m_table.set(row, axis, static_cast<float>(code));
    if (port)
        SendAxisParameter(*port, m_table, row, axis);
    return true;
}

} // namespace korvan::axis
