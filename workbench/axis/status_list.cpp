#include "workbench/axis/status_list.h"

#include "workbench/axis/axis_catalogue.h"
#include "workbench/axis/port_queries.h"

#include <algorithm>

namespace korvan::axis {

namespace {

struct PolledRow
{
    const char* name;
    AxisRow row;
};

// The refresh order of the status poll.
constexpr std::array<PolledRow, 22> kPolledRows{{
    {"ATYPE", AxisRow::Atype},
    {"UNITS", AxisRow::Units},
    {"LSPEED", AxisRow::Lspeed},
    {"SPEED", AxisRow::Speed},
    {"ACCEL", AxisRow::Accel},
    {"DECEL", AxisRow::Decel},
    {"FASTDEC", AxisRow::Fastdec},
    {"SRAMP", AxisRow::Sramp},
    {"FS_LIMIT", AxisRow::FsLimit},
    {"RS_LIMIT", AxisRow::RsLimit},
    {"INVERT_STEP", AxisRow::InvertStep},
    {"DATUM_IN", AxisRow::DatumIn},
    {"FWD_IN", AxisRow::FwdIn},
    {"REV_IN", AxisRow::RevIn},
    {"ALM_IN", AxisRow::AlmIn},
    {"DPOS", AxisRow::Dpos},
    {"MPOS", AxisRow::Mpos},
    {"VP_SPEED", AxisRow::VpSpeed},
    {"MSPEED", AxisRow::Mspeed},
    {"IDLE", AxisRow::Idle},
    {"AXISSTATUS", AxisRow::AxisStatus},
    {"MTYPE", AxisRow::Mtype},
}};

} // namespace

int StatusPollPeriodMs(int linkType)
{
    return linkType == 1 ? 300 : 100;
}

void StatusList::build(const AxisTable& table, int axis, int language)
{
    for (int index = 0; index < kStatusRowCount; ++index) {
        Row& row = m_rows[index];
        row.caption = StatusRowCaption(index, language);
        row.itemData = 1;
        row.value.clear();
        if (index == 18)
            row.value = language == 1 ? "值" : "Value";
        else if (const std::optional<AxisRow> tableRow = StatusListRowToTable(index))
            row.value = StatusValueText(*tableRow, table.at(*tableRow, axis), language)
                            .value_or(std::string());
    }
}

bool StatusList::refreshRow(AxisPort& port, AxisTable& table, int axis, int language,
                            AxisRow tableRow)
{
    const PolledRow& polled =
        *std::find_if(kPolledRows.begin(), kPolledRows.end(),
                      [tableRow](const PolledRow& p) { return p.row == tableRow; });
    const std::optional<float> value =
        QueryFloat(port, FormatCommand("?%s(%d)", polled.name, axis));
    if (!value)
        return false;
    Row& row = m_rows[static_cast<int>(tableRow)];
    if (*value == table.at(tableRow, axis) && !row.value.empty())
        return false;
    table.set(tableRow, axis, *value);
    row.itemData = 1;
    if (std::optional<std::string> text = StatusValueText(tableRow, *value, language))
        row.value = std::move(*text);
    return true;
}

std::vector<int> StatusList::refresh(AxisPort& port, AxisTable& table, int axis, int language)
{
    std::vector<int> rewritten;
    for (const PolledRow& polled : kPolledRows)
        if (refreshRow(port, table, axis, language, polled.row))
            rewritten.push_back(static_cast<int>(polled.row));
    return rewritten;
}

namespace {

void NormaliseRatio(AxisTable& table, AxisRow first, AxisRow second, int axis)
{
    if (TruncateToInt(table.at(first, axis)) == 0 || TruncateToInt(table.at(second, axis)) == 0) {
        table.set(first, axis, 1.0f);
        table.set(second, axis, 1.0f);
    }
}

} // namespace

void StatusList::showRatios(AxisTable& table, int axis)
{
    NormaliseRatio(table, AxisRow::StepRatio1, AxisRow::StepRatio2, axis);
    NormaliseRatio(table, AxisRow::EncoderRatio1, AxisRow::EncoderRatio2, axis);
    m_rows[10].value =
        RatioText(table.at(AxisRow::StepRatio1, axis), table.at(AxisRow::StepRatio2, axis));
    m_rows[11].value =
        RatioText(table.at(AxisRow::EncoderRatio1, axis), table.at(AxisRow::EncoderRatio2, axis));
}

} // namespace korvan::axis
