#include "workbench/axis/views/view_axis_para.h"

#include "platform/core/config_dir.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/message_box.h"
#include "workbench/axis/axis_para_form.h"
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/rom_download.h"
#include "workbench/axis/views/program_hardware_defaults.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

#include <utility>

namespace korvan::axis {
namespace {

namespace ids = axis_para_ids;

const QString kExtension = QStringLiteral(".Bas");
const QString kFilter = QStringLiteral("Basic Files (*.Bas)|*.Bas|All Files (*.*)|*.*||");

// Below the buttons; the grid takes the rest of the page.
constexpr int kGridTop = 45;
constexpr int kCaptionColumnWidth = 140;
constexpr int kAxisColumnWidth = 150;

QFont GridFont()
{
    return platform::logicalFont(QStringLiteral("宋体"), -15, 400);
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

View_AxisPara::View_AxisPara(AxisPagesEnvironment& environment, QWidget* parent)
    : TabPage(parent), m_environment(environment), m_logic(environment.table()),
      m_form(this, kAxisParaForm)
{
    m_grid = new QTableWidget(this);
    m_form.adopt(ids::Grid, m_grid);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setShowGrid(true);
    m_grid->verticalHeader()->hide();
    m_grid->viewport()->installEventFilter(this);
    const std::pair<int, void (View_AxisPara::*)()> buttons[] = {
        {ids::Import, &View_AxisPara::importParameters},
        {ids::Export, &View_AxisPara::exportParameters},
        {ids::Initialise, &View_AxisPara::initialiseParameters},
        {ids::DownloadToRom, &View_AxisPara::DownloadToRom},
    };
    for (const auto& [id, handler] : buttons)
        connect(m_form.get<QPushButton>(id), &QPushButton::clicked, this, handler);
    connect(&m_pollTimer, &QTimer::timeout, this, &View_AxisPara::pollTick);
}

void View_AxisPara::BuildGrid()
{
    closeEditors();
    m_grid->setFont(GridFont());
    m_grid->clear();
    m_grid->setRowCount(0);
    m_grid->setColumnCount(0);
    if (!m_logic.build(m_environment.currentPort(), m_environment.language(), hardwareDefaults()))
        return; // an earlier build's poll goes on
    fillGrid();
    applyCaptions();
    m_pollTimer.start(GridPollPeriodMs(m_environment.linkType()));
}

void View_AxisPara::fillGrid()
{
    const int axes = m_logic.axisCount();
    m_grid->setColumnCount(axes + 1);
    m_grid->setRowCount(kGridRowCount);
    QStringList headers{QString()};
    for (int axis = 0; axis < axes; ++axis)
        headers << Q(AxisParaGrid::header(axis));
    m_grid->setHorizontalHeaderLabels(headers);
    m_grid->setColumnWidth(0, kCaptionColumnWidth);
    for (int column = 1; column <= axes; ++column)
        m_grid->setColumnWidth(column, kAxisColumnWidth);
    for (int row = 0; row < kGridRowCount; ++row) {
        m_grid->setItem(row, 0,
                        new QTableWidgetItem(Q(AxisParaGrid::caption(row, m_logic.language()))));
        for (int axis = 0; axis < axes; ++axis)
            showCell(row, axis);
    }
}

void View_AxisPara::showCell(int row, int axis)
{
    const QString text = Q(m_logic.cell(row, axis));
    if (QTableWidgetItem* item = m_grid->item(row, axis + 1))
        item->setText(text);
    else
        m_grid->setItem(row, axis + 1, new QTableWidgetItem(text));
}

void View_AxisPara::applyCaptions()
{
    for (const platform::FormControl& control : kAxisParaForm)
        if (control.key)
            platform::setCaption(m_form.widget(control.id),
                                 m_environment.caption(QString::fromUtf8(kAxisParaSection),
                                                       QString::fromUtf8(control.key)));
}

void View_AxisPara::pollTick()
{
    for (const GridCell& cell : m_logic.poll(m_environment.currentPort()))
        showCell(cell.row, cell.axis);
}

void View_AxisPara::clickCell(int row, int column)
{
    const ClickPlan plan = PlanClick(m_open, row, column);
    if (plan.commitEdit)
        commitEdit();
    if (plan.commitCombo)
        commitCombo();
    if (plan.focusOpen) {
        if (m_edit)
            m_edit->setFocus();
        if (m_combo)
            m_combo->setFocus();
    }
    if (plan.open == GridEditor::Edit)
        openEdit(row, column);
    else if (plan.open == GridEditor::Combo)
        openCombo(row, column);
}

QRect View_AxisPara::editorRect(int row, int column) const
{
    const QRect cell = m_grid->visualRect(m_grid->model()->index(row, column));
    return {cell.left() + 1, cell.top() + 1, m_grid->columnWidth(column) - 2, cell.height() - 2};
}

void View_AxisPara::openEdit(int row, int column)
{
    m_open = {GridEditor::Edit, row, column};
    m_edit = new QLineEdit(m_grid->viewport());
    platform::setControlId(m_edit, ids::Edit);
    m_edit->setFont(GridFont());
    m_edit->setGeometry(editorRect(row, column));
    m_edit->setText(Q(m_logic.cell(row, column - 1)));
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::returnPressed, this, &View_AxisPara::commitEdit);
    m_edit->show();
    m_edit->setFocus();
    m_edit->setCursorPosition(static_cast<int>(m_edit->text().size()));
}

void View_AxisPara::openCombo(int row, int column)
{
    m_open = {GridEditor::Combo, row, column};
    m_combo = new QComboBox(m_grid->viewport());
    platform::setControlId(m_combo, ids::Combo);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setFont(GridFont());
    // A Qt combo box opens its list by itself; the box keeps the cell's size.
    m_combo->setGeometry(editorRect(row, column));
    for (const std::string& item : ComboItems(row, m_logic.language()))
        m_combo->addItem(Q(item));
    m_combo->setEditText(Q(m_logic.cell(row, column - 1)));
    m_combo->installEventFilter(this);
    m_combo->show();
    m_combo->setFocus();
    m_combo->showPopup();
}

GridCell View_AxisPara::takeOpenCell()
{
    const OpenEditor open = std::exchange(m_open, OpenEditor{});
    return {open.row, open.column - 1};
}

void View_AxisPara::dropEditor(QWidget* editor)
{
    editor->hide();
    editor->deleteLater();
}

// Each editor is taken from its member first: hiding it moves the focus,
// which must not commit it twice.
void View_AxisPara::commitEdit()
{
    if (!m_edit)
        return;
    QLineEdit* edit = std::exchange(m_edit, nullptr);
    const GridCell cell = takeOpenCell();
    if (m_logic.commitEdit(m_environment.currentPort(), cell.row, cell.axis,
                           edit->text().toStdString()))
        showCell(cell.row, cell.axis);
    dropEditor(edit);
}

void View_AxisPara::commitCombo()
{
    if (!m_combo)
        return;
    QComboBox* combo = std::exchange(m_combo, nullptr);
    const GridCell cell = takeOpenCell();
    // Typed text that is none of the items counts as typed.
    const QString text = combo->currentText();
    if (m_logic.commitCombo(m_environment.currentPort(), cell.row, cell.axis, text.toStdString(),
                            combo->findText(text)))
        showCell(cell.row, cell.axis);
    combo->hidePopup();
    dropEditor(combo);
}

void View_AxisPara::closeEditors()
{
    if (m_edit)
        dropEditor(std::exchange(m_edit, nullptr));
    if (m_combo)
        dropEditor(std::exchange(m_combo, nullptr));
    m_open = {};
}

bool View_AxisPara::eventFilter(QObject* watched, QEvent* event)
{
    // A click is a press and its release, as the list view reports it.
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const QModelIndex index =
            m_grid->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        clickCell(index.isValid() ? index.row() : -1, index.isValid() ? index.column() : -1);
    } else if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (m_edit && watched == m_edit)
            commitEdit();
        // The combo box's own list takes the focus while it is open, and
        // its window becomes the active one.
        else if (m_combo && watched == m_combo && reason != Qt::PopupFocusReason &&
                 reason != Qt::ActiveWindowFocusReason && !m_combo->view()->isVisible())
            commitCombo();
    }
    return TabPage::eventFilter(watched, event);
}

void View_AxisPara::resizeEvent(QResizeEvent*)
{
    m_grid->setGeometry(0, kGridTop, width(), height() - kGridTop);
}

void View_AxisPara::showEvent(QShowEvent* event)
{
    commitEdit();
    TabPage::showEvent(event);
}

void View_AxisPara::hideEvent(QHideEvent* event)
{
    commitEdit();
    TabPage::hideEvent(event);
}

HardwareDefaultsFile View_AxisPara::hardwareDefaults()
{
    return ProgramHardwareDefaults(this, m_environment.programDir() / "AxisInit.xml");
}

void View_AxisPara::importParameters()
{
    const std::optional<QString> path = platform::getOpenFileName(this, kExtension, kFilter);
    if (!path)
        return;
    m_pollTimer.stop();
    if (AxisPort* port = m_environment.currentPort()) {
        ImportAxisFile(*port, m_environment.table(), path->toStdString(),
                       platform::writableFileIn(m_environment.programDir(), "tempfile.ini"),
                       m_environment.language(), *this);
        SendAxisTable(*port, m_environment.table());
    }
    BuildGrid();
}

void View_AxisPara::exportParameters()
{
    const std::optional<QString> path = platform::getSaveFileName(this, kExtension, kFilter);
    if (!path)
        return;
    if (AxisPort* port = m_environment.currentPort())
        ExportAxisFile(*port, m_environment.table(), path->toStdString(), m_environment.language(),
                       *this);
}

void View_AxisPara::initialiseParameters()
{
    m_pollTimer.stop();
    if (AxisPort* port = m_environment.currentPort()) {
        ResetAxisTable(*port, m_environment.table(), hardwareDefaults());
        SendAxisTable(*port, m_environment.table());
    }
    BuildGrid();
}

void View_AxisPara::DownloadToRom()
{
    AxisPort* port = m_environment.currentPort();
    if (!port)
        return;
    const std::filesystem::path programDir = m_environment.programDir();
    const std::string stem = m_environment.romFileStem();
    std::filesystem::path file;
    if (!stem.empty())
        file = platform::writableFileIn(programDir, stem + ".Bas");
    else if (const std::optional<QString> chosen =
                 platform::getSaveFileName(this, kExtension, kFilter))
        file = chosen->toStdString();
    axis::DownloadToRom(*port, m_environment.table(), {file, programDir / "EcatInit.bas"},
                        m_environment.busType(), m_environment.language(), *this);
}

void View_AxisPara::inform(const std::string& text)
{
    platform::MessageBox(this, Q(text));
}

void View_AxisPara::informApplication(const std::string& text)
{
    platform::MessageBox(nullptr, Q(text));
}

} // namespace korvan::axis
