// View_SingleAxis: the single-axis test panel. The widget only wires the
// controls to the session's SingleAxisLogic and to StatusList; what must
// outlive the widget lives in SingleAxisSession.
#pragma once

#include "workbench/axis/single_axis_logic.h"
#include "workbench/axis/status_list.h"
#include "workbench/axis/views/single_axis_session.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <map>

class QTableWidget;
class QLabel;
class QPushButton;

namespace korvan::axis {

class View_SingleAxis final : public QWidget, private PanelMessages
{
    Q_OBJECT
public:
    explicit View_SingleAxis(SingleAxisSession& session, QWidget* parent = nullptr);
    ~View_SingleAxis() final;

    /// Shows an axis: source kind (1 local, 2 module, 3 bus node), source number, axis.
    void ShowAxis(int sourceKind, int sourceNumber, int axis);

    /// The control with a resource id, nullptr for an unknown id.
    QWidget* control(int id) const;
    /// The status poll period in ms (timer 0).
    int statusPeriodMs() const { return m_statusTimer.interval(); }
    /// Runs one tick of a timer (0 status, 1 save, 2 one-shot, 3 reciprocation).
    void runTimer(int timer);
    const SingleAxisLogic& logic() const { return m_logic; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) final;

private:
    void inform(const std::string& text) final;
    bool confirmOkCancel(const std::string& text) final;

    void createControls();
    void connectControls();
    void buildStatusList();
    void showStatusRow(int row);
    void fillLists();
    void fieldsToControls();
    void controlsToFields();
    void applyCaptions();
    void showLogicCaptions();
    void setLamp(int id, bool on);
    void pollStatus();
    void oneShotRefresh();
    void startReciprocation();
    /// Runs an action with the current slot's port, then shows the captions it changed.
    template <typename Action> void act(Action action);
    AxisPort* port() { return m_environment.slotPort(m_environment.currentSlot()); }

    template <typename T> T* find(int id) const { return qobject_cast<T*>(control(id)); }

    SingleAxisSession& m_session;
    SingleAxisEnvironment& m_environment;
    AxisTable& m_table;
    AxisPanelMemory& m_memory;
    SingleAxisLogic& m_logic;
    StatusList m_statusList;
    QWidget* m_form = nullptr; ///< holds the controls inside the panel's scroll area
    std::map<int, QWidget*> m_controls;
    QTableWidget* m_list = nullptr;
    QPixmap m_lampOff;
    QPixmap m_lampOn;
    QTimer m_statusTimer;
    QTimer m_saveTimer;
    bool m_changed = false;
    int m_sourceKind = 1;
    int m_sourceNumber = 0;
};

} // namespace korvan::axis
