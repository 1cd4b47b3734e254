// The oscilloscope's analysis side panel: real units, cursors, measurements,
// zoom, the software trigger, the spectrum and the PNG, SVG and CSV exports.
// It sits right of the display and can be hidden; hidden, the panel and the
// display look and behave exactly as without it. The arithmetic lives in the
// Qt-free analysis library; this class wires it to widgets and the mouse.
#pragma once

#include "scope/analysis/analysis_settings.h"
#include "scope/analysis/cursors.h"
#include "scope/analysis/measurements.h"
#include "scope/analysis/software_trigger.h"
#include "scope/analysis/view_zoom.h"
#include "scope/core/capture_engine.h"
#include "scope/render/scope_overlay.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace korvan::scope {

class CScopeShow;
class CSpectrumView;

/// What the side panel may change on the scope panel: only through the
/// panel's own boxes, so their specified rules (display copies, settings file) hold.
class ScopeViewControl
{
public:
    virtual ~ScopeViewControl() = default;
    /// Sets the horizontal scale box and then the view start.
    virtual void applyHorizontalView(const HorizontalView& view) = 0;
    /// Sets a row's scale and offset boxes.
    virtual void applyChannelScale(int channel, const ChannelScale& scale) = 0;
    /// Moves the view start (scroll bar and repaint included).
    virtual void moveView(int viewStart) = 0;
    /// Stops the capture (a single software trigger holds its window).
    virtual void stopCapture() = 0;
};

/// The rows of the measurement table, in order.
enum class MeasureRow
{
    Minimum,
    Maximum,
    PeakToPeak,
    Mean,
    Rms,
    Deviation,
    Frequency,
    Rise,
    Fall,
    Overshoot,
    Width,
    Count
};

class ScopeAnalysisPanel final : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 340;

    struct Scope
    {
        CScopeShow& display;
        const ScopeRecord& record;
        const ScopeSettings& settings;
        const ScopeChannels& rows;
        const CaptureEngine& engine;
        ScopeViewControl& control;
    };
    ScopeAnalysisPanel(Scope scope, std::filesystem::path settingsFile, QWidget* parent);
    ~ScopeAnalysisPanel() override;

    const AnalysisSettings& analysisSettings() const { return m_settings; }
    const OverlayInput& overlay() const { return m_overlay; }
    const SoftwareTrigger& trigger() const { return m_trigger; }
    /// The measurements of each channel over the chosen range, as last refreshed.
    const std::array<Measurements, kMaxChannels>& measurements() const { return m_measured; }
    /// The samples the measurements and the spectrum take.
    SampleRange measureRange() const;
    /// The table cell of one measurement of one channel.
    QString measurementText(MeasureRow row, int channel) const;
    /// The cursor readout as shown.
    QString cursorText() const;
    /// The pointer readout as shown.
    QString pointerText() const;
    /// The trigger status as shown.
    QString triggerText() const;
    CSpectrumView* spectrumView() const { return m_spectrum; }

    /// Shows or hides the panel and the overlay, and remembers it.
    void setShown(bool shown);
    /// True while the software trigger decides the view (the follow rule stands aside).
    bool holdsView() const;

    /// Tools, as the buttons and the mouse run them.
    void zoomAt(int x, double factor);
    void boxZoom(const QRect& box);
    void fitRecord();
    void back();
    void autoscaleChannel();
    void setTimeCursors(bool on);
    void setValueCursors(bool on);
    /// Places a time cursor (0 or 1) at a sample position.
    void placeTimeCursor(int which, double position);
    /// Places a value cursor (0 or 1) at a value of the selected channel.
    void placeValueCursor(int which, double value);
    void setSelectedChannel(int channel);
    void setMeasureRange(MeasureRange range);
    void setTriggerEnabled(bool on);
    void setTriggerSettings(const TriggerSettings& settings);
    void showSpectrum();
    void exportPng();
    void exportSvg();
    void exportCsv();

    /// After each capture tick: runs the software trigger.
    void afterPoll();
    /// Recomputes readouts and measurements when anything they depend on changed.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) final;

private:
    struct Widgets;
    void buildWidgets();
    void loadWidgets();
    void saveSettings();
    void readTriggerWidgets();
    void updateOverlay();
    void updatePointer(std::optional<QPoint> at);
    void pushView();
    ViewSnapshot snapshot() const;
    int windowSamples() const;
    TimeBase timeBase() const;
    bool handleMouse(QEvent* event);

    Scope m_scope;
    AnalysisSettingsFile m_file;
    AnalysisSettings m_settings;
    OverlayInput m_overlay;
    SoftwareTrigger m_trigger;
    bool m_triggerOn = false;
    ViewHistory m_history;
    std::array<Measurements, kMaxChannels> m_measured{};
    std::uint64_t m_signature = 0;
    std::optional<QPoint> m_pointer;
    std::array<double, 2> m_timeCursors{0.0, 0.0};
    std::array<double, 2> m_valueCursors{0.0, 0.0};
    enum class Drag
    {
        None,
        TimeA,
        TimeB,
        ValueA,
        ValueB,
        Box
    };
    Drag m_drag = Drag::None;
    QPoint m_bandStart;
    std::unique_ptr<Widgets> m_w;
    CSpectrumView* m_spectrum = nullptr;
    QTimer* m_refreshTimer = nullptr;
};

} // namespace korvan::scope
