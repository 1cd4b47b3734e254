// The single-axis panel's status list as plain data: 26 rows of caption,
// value text and item data, refreshed from the controller with change detection.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"
#include "workbench/axis/panel_texts.h"

#include <array>
#include <string>
#include <vector>

namespace korvan::axis {

/// Poll period of the status timer: slower on serial links (linkType 1).
int StatusPollPeriodMs(int linkType);

class StatusList
{
public:
    struct Row
    {
        std::string caption;
        std::string value;
        int itemData = 0; ///< 1 = filled (white), 0 = grey
    };

    /// Rebuilds all 26 rows from the table for the axis.
    void build(const AxisTable& table, int axis, int language);
    /// Queries the 22 status rows and rewrites only cells whose value changed;
    /// returns the list rows that were rewritten.
    std::vector<int> refresh(AxisPort& port, AxisTable& table, int axis, int language);
    /// Shows the gear ratio rows 10 and 11 as "%d/%d"; a zero term makes both terms 1.
    void showRatios(AxisTable& table, int axis);

    const Row& row(int index) const { return m_rows[index]; }

private:
    bool refreshRow(AxisPort& port, AxisTable& table, int axis, int language, AxisRow row);
    std::array<Row, kStatusRowCount> m_rows;
};

} // namespace korvan::axis
