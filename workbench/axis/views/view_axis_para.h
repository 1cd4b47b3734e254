// View_AxisPara (dialog 313): the "Axis parameter" page. A grid of the
// nineteen editable parameters with one column per real axis, edited in
// place through edit box 7000 and combo box 7001, kept current by a poll
// timer, and four buttons for the parameter files, the factory reset and
// the ROM download. AxisParaGrid decides what the cells show and send.
#pragma once

#include "platform/ui/form_widgets.h"
#include "platform/ui/tab_page.h"
#include "workbench/axis/axis_file.h"
#include "workbench/axis/axis_para_grid.h"
#include "workbench/axis/views/axis_pages_environment.h"

#include <QTimer>

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace korvan::axis {

class View_AxisPara final : public platform::TabPage, private FileMessages
{
    Q_OBJECT
public:
    explicit View_AxisPara(AxisPagesEnvironment& environment, QWidget* parent = nullptr);

    /// Rebuilds the grid from the controller and restarts the poll.
    void BuildGrid();
    void refreshPage() final { BuildGrid(); }

    /// The page's buttons.
    void importParameters();
    void exportParameters();
    void initialiseParameters();
    void DownloadToRom();
    /// One tick of the poll timer (timer 0).
    void pollTick();
    /// A click on a grid cell (row -1: no item), as the mouse gives it.
    void clickCell(int row, int column);

    QTableWidget* grid() const { return m_grid; }
    const AxisParaGrid& logic() const { return m_logic; }
    const QTimer& pollTimer() const { return m_pollTimer; }
    /// The open in-place editors, nullptr when closed.
    QLineEdit* editBox() const { return m_edit; }
    QComboBox* comboBox() const { return m_combo; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) final;
    void resizeEvent(QResizeEvent* event) final;
    void showEvent(QShowEvent* event) final;
    void hideEvent(QHideEvent* event) final;

private:
    void inform(const std::string& text) final;
    void informApplication(const std::string& text) final;

    void fillGrid();
    void showCell(int row, int axis);
    void applyCaptions();
    QRect editorRect(int row, int column) const;
    void openEdit(int row, int column);
    void openCombo(int row, int column);
    void commitEdit();
    void commitCombo();
    void closeEditors();
    /// The open editor's cell, and no editor open any more.
    GridCell takeOpenCell();
    static void dropEditor(QWidget* editor);
    HardwareDefaultsFile hardwareDefaults();

    AxisPagesEnvironment& m_environment;
    AxisParaGrid m_logic;
    platform::FormWidgets m_form;
    QTableWidget* m_grid = nullptr;
    QLineEdit* m_edit = nullptr;
    QComboBox* m_combo = nullptr;
    OpenEditor m_open;
    QTimer m_pollTimer;
};

} // namespace korvan::axis
