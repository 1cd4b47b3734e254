// CDialogScope: the oscilloscope's whole panel. Buttons and the eight channel
// rows on the left, the scroll bar and the waveform display on the right. It
// answers the capture engine's host callbacks and keeps the display's copies.
#pragma once

#include "scope/core/capture_engine.h"
#include "scope/core/controller_limits.h"
#include "scope/core/settings_file.h"
#include "scope/ui/analysis_panel.h"

#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace korvan::scope {

class CScopeShow;

class CDialogScope final : public QWidget, private CaptureHost, private ScopeViewControl
{
    Q_OBJECT
public:
    /// Panel creation: reads the settings file, fills the rows, starts the poll.
    CDialogScope(ScopeLink& link, ControllerSpec& spec, ScopeSettingsFile settingsFile,
                 QWidget* parent = nullptr);
    ~CDialogScope() override;

    const ScopeSettings& settings() const { return m_settings; }
    const ScopeChannels& channels() const { return m_rows; }
    const ScopeRecord& record() const { return m_record; }
    const CaptureEngine& engine() const { return m_engine; }
    CScopeShow* display() const { return m_display; }
    /// The analysis side panel (hidden unless switched on).
    ScopeAnalysisPanel* analysis() const { return m_analysis; }
    /// The capture status line below the rows.
    QString statusText() const;

    /// The panel's actions, as its buttons run them.
    void startCapture();
    void stopCapture() final;
    void manualTrigger();
    /// Shows or hides the analysis side panel.
    void showAnalysis(bool shown);
    void exportData();
    void importData();
    void toggleLabels();
    /// One tick of the poll timer (tests step it instead of waiting).
    void pollTick();

protected:
    void resizeEvent(QResizeEvent* event) final;
    bool eventFilter(QObject* watched, QEvent* event) final;

private:
    struct RowWidgets
    {
        QCheckBox* show = nullptr;
        QComboBox* number = nullptr;
        QComboBox* source = nullptr;
        QLineEdit* offset = nullptr;
        QLineEdit* scale = nullptr;
    };

    void buildControls();
    void fillRows();
    void enableRows();
    void settingsAction();
    void onHorizontalScaleText(const QString& text);
    void onOffsetOrScaleText(int row, bool isScale, const QString& text);
    void layoutRightSide();
    void syncAnalysisButton();
    void updateStatus();
    int analysisWidth() const;

    // ScopeViewControl
    void applyHorizontalView(const HorizontalView& view) final;
    void applyChannelScale(int channel, const ChannelScale& scale) final;
    void moveView(int viewStart) final;

    // CaptureHost
    void showMessage(std::string_view text) final;
    void loadControllerLimits() final;
    void syncRowsFromBoxes() final;
    void captureStarted() final;
    void captureStopped() final;
    void repaintAll() final;
    void repaintLabels() final;
    void repaintSamples(int first, int last) final;
    void updateScrollBar() final;
    int displayWidth() const final;
    int viewStart() const final;
    void setViewStart(int start) final;

    ScopeLink& m_link;
    ControllerSpec& m_spec;
    ScopeSettingsFile m_file;
    ScopeSettings m_settings;
    ScopeChannels m_rows = defaultChannels();
    ScopeRecord m_record;
    ControllerLimitsLoader m_limits;
    CaptureEngine m_engine;

    QWidget* m_left = nullptr;
    QPushButton* m_settingsButton = nullptr;
    QPushButton* m_labelsButton = nullptr;
    QLineEdit* m_horizontalScale = nullptr;
    QCheckBox* m_xyMode = nullptr;
    QCheckBox* m_follow = nullptr;
    std::array<RowWidgets, kMaxChannels> m_rowWidgets;
    QScrollBar* m_scrollBar = nullptr;
    CScopeShow* m_display = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_analysisButton = nullptr;
    ScopeAnalysisPanel* m_analysis = nullptr;
    QTimer* m_timer = nullptr;
    std::optional<QPoint> m_dragAnchor;
    bool m_filling = false;
};

} // namespace korvan::scope
