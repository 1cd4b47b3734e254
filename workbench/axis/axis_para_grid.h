// What the axis parameter grid shows and does, without widgets: the cell
// texts of every real axis, the poll that rewrites only changed cells, the
// commits of the two in-place editors and the rules for opening them. The
// page copies the cells into its list view and applies the click plans.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"
#include "workbench/axis/hardware_defaults.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::axis {

/// The grid's parameter rows, in catalogue order.
inline constexpr int kGridRowCount = 19;

/// The table row a grid row shows (grid rows 17 and 18 show the output rows).
AxisRow GridTableRow(int gridRow);

/// value with decimals places, then trailing zeros and a trailing point cut:
/// 100.000 gives "100", 0.125 gives "0.125".
std::string TrimmedNumber(float value, int decimals);

/// The texts a build writes; a ratio with a zero term becomes 1/1 in the table first.
std::string BuildCellText(AxisTable& table, int gridRow, int axis, int language);
/// The text a poll writes into a cell whose value changed.
std::string PollCellText(int gridRow, float value, int language);

/// The rows a poll tick reads, in order: the ratios and the outputs are not polled.
inline constexpr std::array<int, 15> kPolledGridRows{0, 1, 2,  3,  4,  5,  6, 7,
                                                     8, 9, 12, 13, 14, 15, 16};

/// How often the grid polls: once a second on a serial link (linkType 1).
int GridPollPeriodMs(int linkType);

/// The in-place editors of the grid.
enum class GridEditor
{
    None,
    Edit,  ///< edit box 7000
    Combo, ///< drop-down combo box 7001
};

/// Rows 0 (axis type) and 12 (pulse mode) are picked from a list, the rest typed.
GridEditor EditorOfRow(int gridRow);
/// The four items of the combo box of row 0 or 12, in order.
std::vector<std::string> ComboItems(int gridRow, int language);

/// The editor that is open and its cell (column 1 is axis 0).
struct OpenEditor
{
    GridEditor kind = GridEditor::None;
    int row = -1;
    int column = -1;
};

/// What a click on (row, column) does, in this order.
struct ClickPlan
{
    bool commitEdit = false;  ///< commit the open edit box
    bool commitCombo = false; ///< commit the open combo box
    bool focusOpen = false;   ///< the open editor is the clicked cell's: focus it, nothing else
    GridEditor open = GridEditor::None; ///< the editor to open for the clicked cell
};
/// A row of -1 (no item) or column 0 (the captions) only commits.
ClickPlan PlanClick(const OpenEditor& editor, int row, int column);

/// One cell of the grid: grid row and axis.
struct GridCell
{
    int row = 0;
    int axis = 0;
    bool operator==(const GridCell&) const = default;
};

class AxisParaGrid
{
public:
    explicit AxisParaGrid(AxisTable& table) : m_table(table) {}

    /// Empties the grid, then reads the controller's specification and every
    /// parameter and fills one column per real axis. False (grid left empty)
    /// without a port or when the specification cannot be read.
    bool build(AxisPort* port, int language, const HardwareDefaultsFile& defaults);

    /// Axis columns after the last build.
    int axisCount() const { return static_cast<int>(m_cells.size()); }
    /// The language the last build chose its texts in.
    int language() const { return m_language; }
    const std::string& cell(int gridRow, int axis) const;
    /// The header of an axis column ("axis%d").
    static std::string header(int axis);
    /// The caption of a grid row (language 1 Chinese).
    static std::string caption(int gridRow, int language);

    /// One poll tick: reads each polled row and rewrites the cells whose
    /// number differs from the controller's; returns those cells.
    std::vector<GridCell> poll(AxisPort* port);

    /// The edit box's text for a cell: false (nothing changed) when it holds
    /// anything but digits, '-', '.' and '/'. Otherwise stores, sends the row's
    /// setter (none for the output rows) and sets the cell.
    bool commitEdit(AxisPort* port, int gridRow, int axis, std::string_view text);
    /// The combo box's text and selected item (-1 for typed text) for a cell:
    /// stores and sends the item's code (0 for typed text) and sets the cell.
    /// The cell's own text left as it was, with no item picked, is no edit
    /// and changes nothing (false): a click in passing must not reset the axis.
    bool commitCombo(AxisPort* port, int gridRow, int axis, std::string_view text, int index);

private:
    AxisTable& m_table;
    int m_language = 0;
    std::vector<std::array<std::string, kGridRowCount>> m_cells;
};

} // namespace korvan::axis
