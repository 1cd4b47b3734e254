#include "workbench/axis/views/view_control_max.h"

#include "platform/ui/fonts.h"
#include "workbench/axis/control_max_form.h"
#include "workbench/axis/spec_report.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableWidget>

namespace korvan::axis {

namespace ids = control_max_ids;

View_ControlMax::View_ControlMax(AxisPagesEnvironment& environment, QWidget* parent)
    : TabPage(parent), m_environment(environment), m_form(this, kControlMaxForm)
{
    m_report = m_form.get<QPlainTextEdit>(ids::Report);
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_report->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_nodes = m_form.get<QTableWidget>(ids::NodeList);
    m_nodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_nodes->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nodes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_nodes->setShowGrid(true);
    m_nodes->verticalHeader()->hide();
    BuildSpecReport();
}

void View_ControlMax::BuildSpecReport()
{
    const std::optional<std::string> text = axis::BuildSpecReport(m_environment.currentHandle());
    if (!text)
        return; // the page keeps what it showed, node list included
    const QFont font = platform::logicalFont(QStringLiteral("宋体"), -14, 400);
    m_report->setFont(font);
    // Tab stops every eight average characters, as an edit control has them.
    m_report->setTabStopDistance(QFontMetricsF(font).averageCharWidth() * 8);
    m_report->setPlainText(QString::fromStdString(*text).replace(QStringLiteral("\r\n"), "\n"));
    buildNodeList();
}

void View_ControlMax::buildNodeList()
{
    m_nodes->clear();
    m_nodes->setRowCount(0);
    m_nodes->setColumnCount(static_cast<int>(kNodeListColumns.size()));
    QStringList headers;
    for (const NodeListColumn& column : kNodeListColumns)
        headers << QString::fromUtf8(column.header);
    m_nodes->setHorizontalHeaderLabels(headers);
    for (int column = 0; column < m_nodes->columnCount(); ++column)
        m_nodes->setColumnWidth(column, kNodeListColumns[static_cast<std::size_t>(column)].width);
    const std::vector<NodeListRow> rows =
        BuildBusNodeList(m_environment.currentHandle(), m_environment.busType());
    m_nodes->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < m_nodes->rowCount(); ++row)
        for (int column = 0; column < m_nodes->columnCount(); ++column) {
            auto* item = new QTableWidgetItem(QString::fromStdString(
                rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]));
            item->setTextAlignment(Qt::AlignCenter);
            m_nodes->setItem(row, column, item);
        }
}

void View_ControlMax::resizeEvent(QResizeEvent*)
{
    const int left = width() * 2 / 5;
    m_report->setGeometry(0, 0, left, height());
    m_nodes->setGeometry(left, 0, width() * 3 / 5, height());
}

} // namespace korvan::axis
