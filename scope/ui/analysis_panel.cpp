#include "scope/ui/analysis_panel.h"

#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"
#include "scope/analysis/csv_export.h"
#include "scope/analysis/spectrum.h"
#include "scope/render/scope_show.h"
#include "scope/ui/plot_export.h"
#include "scope/ui/spectrum_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>
#include <functional>

namespace korvan::scope {
namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

constexpr std::array<const char*, static_cast<int>(MeasureRow::Count)> kRowNames = {
    "Min",       "Max",         "Peak-peak",   "Mean",      "RMS",      "Std dev",
    "Frequency", "Rise 10-90%", "Fall 90-10%", "Overshoot", "Width 50%"};

// A list of the channels by their display numbers 1 to 8.
QComboBox* channelBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (int c = 1; c <= kMaxChannels; ++c)
        box->addItem(QString::number(c));
    return box;
}

void combine(std::uint64_t& hash, double value)
{
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    hash ^= bits + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2);
}

} // namespace

struct ScopeAnalysisPanel::Widgets
{
    QCheckBox* timeAxis = nullptr;
    QComboBox* channel = nullptr;
    QCheckBox* timeCursors = nullptr;
    QCheckBox* valueCursors = nullptr;
    QLabel* cursorReadout = nullptr;
    QComboBox* range = nullptr;
    QTableWidget* table = nullptr;
    QCheckBox* triggerOn = nullptr;
    QComboBox* triggerChannel = nullptr;
    QLineEdit* triggerLevel = nullptr;
    QComboBox* triggerEdge = nullptr;
    QSpinBox* triggerPre = nullptr;
    QComboBox* triggerMode = nullptr;
    QLabel* triggerStatus = nullptr;
    QLabel* pointer = nullptr;
};

ScopeAnalysisPanel::ScopeAnalysisPanel(Scope scope, std::filesystem::path settingsFile,
                                       QWidget* parent)
    : QWidget(parent), m_scope(scope), m_file(std::move(settingsFile)), m_settings(m_file.read()),
      m_w(std::make_unique<Widgets>())
{
    buildWidgets();
    loadWidgets();
    m_trigger.setSettings(m_settings.trigger);
    m_scope.display.setOverlay(&m_overlay);
    m_scope.display.setMouseTracking(true);
    m_scope.display.installEventFilter(this);
    // Readouts follow the record at a pace a reader can follow, not at every poll.
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(150);
    connect(m_refreshTimer, &QTimer::timeout, this, &ScopeAnalysisPanel::refresh);
    setVisible(m_settings.panelShown);
    updateOverlay();
}

ScopeAnalysisPanel::~ScopeAnalysisPanel()
{
    m_scope.display.setOverlay(nullptr);
}

void ScopeAnalysisPanel::buildWidgets()
{
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 4);
    auto* tabs = new QTabWidget(this);
    column->addWidget(tabs, 1);
    const auto button = [this](QWidget* parent, const QString& caption, auto slot) {
        auto* b = new QPushButton(caption, parent);
        b->setAutoDefault(false); // Enter in a box must not press a button of the host dialog
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };

    // View: units, channel, zoom.
    auto* view = new QWidget(tabs);
    auto* viewForm = new QFormLayout(view);
    m_w->timeAxis = new QCheckBox(QStringLiteral("Time labels (ms / s)"), view);
    viewForm->addRow(m_w->timeAxis);
    m_w->channel = channelBox(view);
    viewForm->addRow(QStringLiteral("Channel"), m_w->channel);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(button(view, QStringLiteral("Fit"), &ScopeAnalysisPanel::fitRecord));
    zoomRow->addWidget(button(view, QStringLiteral("Back"), &ScopeAnalysisPanel::back));
    zoomRow->addWidget(
        button(view, QStringLiteral("Autoscale"), &ScopeAnalysisPanel::autoscaleChannel));
    viewForm->addRow(zoomRow);
    auto* hint = new QLabel(QStringLiteral("Wheel: zoom at the pointer\nRight drag: box zoom\n"
                                           "Left drag on a cursor: move it"),
                            view);
    hint->setEnabled(false);
    viewForm->addRow(hint);
    tabs->addTab(view, QStringLiteral("View"));
    connect(m_w->timeAxis, &QCheckBox::toggled, this, [this](bool on) {
        m_settings.timeAxis = on;
        saveSettings();
        updateOverlay();
    });
    connect(m_w->channel, &QComboBox::activated, this,
            [this](int index) { setSelectedChannel(index); });

    // Cursors.
    auto* cursors = new QWidget(tabs);
    auto* cursorColumn = new QVBoxLayout(cursors);
    m_w->timeCursors = new QCheckBox(QStringLiteral("Time cursors T1, T2"), cursors);
    m_w->valueCursors = new QCheckBox(QStringLiteral("Value cursors V1, V2 (channel)"), cursors);
    m_w->cursorReadout = new QLabel(cursors);
    m_w->cursorReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_w->cursorReadout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_w->cursorReadout->setWordWrap(true);
    cursorColumn->addWidget(m_w->timeCursors);
    cursorColumn->addWidget(m_w->valueCursors);
    cursorColumn->addWidget(m_w->cursorReadout, 1);
    tabs->addTab(cursors, QStringLiteral("Cursors"));
    connect(m_w->timeCursors, &QCheckBox::toggled, this, &ScopeAnalysisPanel::setTimeCursors);
    connect(m_w->valueCursors, &QCheckBox::toggled, this, &ScopeAnalysisPanel::setValueCursors);

    // Measurements.
    auto* measure = new QWidget(tabs);
    auto* measureColumn = new QVBoxLayout(measure);
    m_w->range = new QComboBox(measure);
    m_w->range->addItem(QStringLiteral("Visible range"));
    m_w->range->addItem(QStringLiteral("Between T1 and T2"));
    measureColumn->addWidget(m_w->range);
    m_w->table = new QTableWidget(static_cast<int>(MeasureRow::Count), kMaxChannels, measure);
    for (int r = 0; r < static_cast<int>(MeasureRow::Count); ++r)
        m_w->table->setVerticalHeaderItem(
            r, new QTableWidgetItem(QString::fromLatin1(kRowNames[static_cast<std::size_t>(r)])));
    for (int c = 0; c < kMaxChannels; ++c)
        m_w->table->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::number(c + 1)));
    m_w->table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_w->table->horizontalHeader()->setDefaultSectionSize(84);
    m_w->table->verticalHeader()->setDefaultSectionSize(20);
    measureColumn->addWidget(m_w->table, 1);
    tabs->addTab(measure, QStringLiteral("Measure"));
    connect(m_w->range, &QComboBox::activated, this,
            [this](int index) { setMeasureRange(static_cast<MeasureRange>(index)); });

    // Software trigger.
    auto* trigger = new QWidget(tabs);
    auto* triggerForm = new QFormLayout(trigger);
    m_w->triggerOn = new QCheckBox(QStringLiteral("Software trigger"), trigger);
    triggerForm->addRow(m_w->triggerOn);
    m_w->triggerChannel = channelBox(trigger);
    triggerForm->addRow(QStringLiteral("Channel"), m_w->triggerChannel);
    m_w->triggerLevel = new QLineEdit(trigger);
    triggerForm->addRow(QStringLiteral("Level"), m_w->triggerLevel);
    m_w->triggerEdge = new QComboBox(trigger);
    m_w->triggerEdge->addItems({QStringLiteral("Rising"), QStringLiteral("Falling")});
    triggerForm->addRow(QStringLiteral("Edge"), m_w->triggerEdge);
    m_w->triggerPre = new QSpinBox(trigger);
    m_w->triggerPre->setRange(0, 100);
    m_w->triggerPre->setSuffix(QStringLiteral(" %"));
    triggerForm->addRow(QStringLiteral("Pre-trigger"), m_w->triggerPre);
    m_w->triggerMode = new QComboBox(trigger);
    m_w->triggerMode->addItems({QStringLiteral("Single"), QStringLiteral("Repeated")});
    triggerForm->addRow(QStringLiteral("Mode"), m_w->triggerMode);
    m_w->triggerStatus = new QLabel(trigger);
    m_w->triggerStatus->setWordWrap(true);
    triggerForm->addRow(m_w->triggerStatus);
    tabs->addTab(trigger, QStringLiteral("Trigger"));
    connect(m_w->triggerOn, &QCheckBox::toggled, this, &ScopeAnalysisPanel::setTriggerEnabled);
    const auto triggerChanged = [this] { readTriggerWidgets(); };
    connect(m_w->triggerChannel, &QComboBox::activated, this, triggerChanged);
    connect(m_w->triggerLevel, &QLineEdit::editingFinished, this, triggerChanged);
    connect(m_w->triggerEdge, &QComboBox::activated, this, triggerChanged);
    connect(m_w->triggerPre, &QSpinBox::valueChanged, this, triggerChanged);
    connect(m_w->triggerMode, &QComboBox::activated, this, triggerChanged);

    // Always in view: the pointer's readout, the spectrum and the exports.
    m_w->pointer = new QLabel(this);
    m_w->pointer->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_w->pointer->setMinimumHeight(9 * fontMetrics().height());
    m_w->pointer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_w->pointer);
    auto* actions = new QHBoxLayout;
    actions->addWidget(button(this, QStringLiteral("Spectrum"), &ScopeAnalysisPanel::showSpectrum));
    actions->addWidget(button(this, QStringLiteral("PNG"), &ScopeAnalysisPanel::exportPng));
    actions->addWidget(button(this, QStringLiteral("SVG"), &ScopeAnalysisPanel::exportSvg));
    actions->addWidget(button(this, QStringLiteral("CSV"), &ScopeAnalysisPanel::exportCsv));
    column->addLayout(actions);
}

void ScopeAnalysisPanel::loadWidgets()
{
    const QSignalBlocker a(m_w->timeAxis), b(m_w->triggerPre);
    m_w->timeAxis->setChecked(m_settings.timeAxis);
    m_w->channel->setCurrentIndex(m_settings.channel);
    m_w->range->setCurrentIndex(static_cast<int>(m_settings.range));
    const TriggerSettings& t = m_settings.trigger;
    m_w->triggerChannel->setCurrentIndex(t.channel);
    m_w->triggerLevel->setText(qs(formatValue(t.level)));
    m_w->triggerEdge->setCurrentIndex(static_cast<int>(t.edge));
    m_w->triggerPre->setValue(static_cast<int>(std::lround(t.preTrigger * 100.0)));
    m_w->triggerMode->setCurrentIndex(static_cast<int>(t.mode));
    // Cursors start unplaced; the check boxes place them when switched on.
    m_settings.timeCursors = m_settings.valueCursors = false;
}

void ScopeAnalysisPanel::saveSettings()
{
    m_file.write(m_settings);
}

TimeBase ScopeAnalysisPanel::timeBase() const
{
    return TimeBase{m_scope.record.samplePeriod};
}

int ScopeAnalysisPanel::windowSamples() const
{
    return std::max(1, static_cast<int>(m_scope.display.width() *
                                        m_scope.display.input().view.horizontalScale / 100.0));
}

void ScopeAnalysisPanel::setShown(bool shown)
{
    m_settings.panelShown = shown;
    saveSettings();
    setVisible(shown);
    updateOverlay();
    if (shown)
        refresh();
}

bool ScopeAnalysisPanel::holdsView() const
{
    return m_settings.panelShown && m_triggerOn && m_trigger.state() != SoftwareTrigger::State::Off;
}

void ScopeAnalysisPanel::updateOverlay()
{
    OverlayInput& o = m_overlay;
    o.enabled = m_settings.panelShown;
    o.time = timeBase();
    o.timeLabels = m_settings.timeAxis;
    o.valueChannel = m_settings.channel;
    o.cursorA = o.cursorB = std::nullopt;
    o.valueA = o.valueB = std::nullopt;
    if (m_settings.timeCursors) {
        o.cursorA = m_timeCursors[0];
        o.cursorB = m_timeCursors[1];
    }
    if (m_settings.valueCursors) {
        o.valueA = m_valueCursors[0];
        o.valueB = m_valueCursors[1];
    }
    o.triggerPosition = m_triggerOn ? m_trigger.position() : std::nullopt;
    o.pointerX = m_pointer ? std::optional<int>(m_pointer->x()) : std::nullopt;
    m_scope.display.repaintAll();
}

ViewSnapshot ScopeAnalysisPanel::snapshot() const
{
    ViewSnapshot v;
    const ScopeView& view = m_scope.display.input().view;
    v.horizontal = {view.viewStart, view.horizontalScale};
    for (int c = 0; c < kMaxChannels; ++c) {
        const ScopeChannel& row = m_scope.rows[static_cast<std::size_t>(c)];
        v.channels[static_cast<std::size_t>(c)] = {row.scale, row.offset};
    }
    return v;
}

void ScopeAnalysisPanel::pushView()
{
    m_history.push(snapshot());
}

void ScopeAnalysisPanel::zoomAt(int x, double factor)
{
    pushView();
    const ScopeView& view = m_scope.display.input().view;
    m_scope.control.applyHorizontalView(
        zoomAround({view.viewStart, view.horizontalScale}, x, view.horizontalScale * factor));
    refresh();
}

void ScopeAnalysisPanel::boxZoom(const QRect& box)
{
    const QRect r = box.normalized();
    const ScopeView view = m_scope.display.input().view;
    pushView();
    const double first = view.viewStart + r.left() * view.horizontalScale / 100.0;
    const double last = view.viewStart + (r.right() + 1) * view.horizontalScale / 100.0;
    // A box of some height also fits the selected channel's values into the height.
    const int c = m_settings.channel;
    const ScopeChannel& row = m_scope.rows[static_cast<std::size_t>(c)];
    const int midY = m_scope.display.height() / 2;
    if (r.height() >= 10) {
        const double top = valueAtY(r.top(), midY, row.offset, row.scale);
        const double bottom = valueAtY(r.bottom() + 1, midY, row.offset, row.scale);
        if (const auto fitted = fillHeight(bottom, top, m_scope.display.height()))
            m_scope.control.applyChannelScale(c, *fitted);
    }
    m_scope.control.applyHorizontalView(viewOfSamples(first, last, m_scope.display.width()));
    refresh();
}

void ScopeAnalysisPanel::fitRecord()
{
    pushView();
    m_scope.control.applyHorizontalView(
        korvan::scope::fitRecord(m_scope.record.total, m_scope.display.width()));
    refresh();
}

void ScopeAnalysisPanel::back()
{
    const auto previous = m_history.back();
    if (!previous)
        return;
    const ViewSnapshot now = snapshot();
    for (int c = 0; c < kMaxChannels; ++c) {
        const ChannelScale& was = previous->channels[static_cast<std::size_t>(c)];
        const ChannelScale& is = now.channels[static_cast<std::size_t>(c)];
        if (was.scale != is.scale || was.offset != is.offset)
            m_scope.control.applyChannelScale(c, was);
    }
    m_scope.control.applyHorizontalView(previous->horizontal);
    refresh();
}

void ScopeAnalysisPanel::autoscaleChannel()
{
    const int c = m_settings.channel;
    const ScopeRecord& r = m_scope.record;
    if (!r.hasSamples() || c >= r.channelCount)
        return;
    SampleRange range = visibleRange(m_scope.display.input().view.viewStart,
                                     m_scope.display.input().view.horizontalScale,
                                     m_scope.display.width(), r.total);
    if (range.empty())
        range = {0, r.total - 1};
    const Measurements m = measure(std::span<const float>(r.buffer.channel(c) + range.first,
                                                          static_cast<std::size_t>(range.count())),
                                   1.0);
    if (m.samples == 0)
        return;
    pushView();
    const ScopeChannel& row = m_scope.rows[static_cast<std::size_t>(c)];
    // A flat trace keeps its scale and is only centred.
    const ChannelScale fitted = autoscale(m.minimum, m.maximum, m_scope.display.height())
                                    .value_or(ChannelScale{row.scale, static_cast<float>(-m.mean)});
    m_scope.control.applyChannelScale(c, fitted);
    refresh();
}

void ScopeAnalysisPanel::setTimeCursors(bool on)
{
    if (on && !m_settings.timeCursors) {
        // Placed at a third and two thirds of the view, where both can be seen.
        const ScopeView& view = m_scope.display.input().view;
        const double span = m_scope.display.width() * view.horizontalScale / 100.0;
        m_timeCursors = {std::round(view.viewStart + span / 3.0),
                         std::round(view.viewStart + 2.0 * span / 3.0)};
    }
    m_settings.timeCursors = on;
    const QSignalBlocker block(m_w->timeCursors);
    m_w->timeCursors->setChecked(on);
    saveSettings();
    updateOverlay();
    refresh();
}

void ScopeAnalysisPanel::setValueCursors(bool on)
{
    if (on && !m_settings.valueCursors) {
        const ScopeChannel& row = m_scope.rows[static_cast<std::size_t>(m_settings.channel)];
        const int midY = m_scope.display.height() / 2;
        m_valueCursors = {valueAtY(midY - 100, midY, row.offset, row.scale),
                          valueAtY(midY + 100, midY, row.offset, row.scale)};
    }
    m_settings.valueCursors = on;
    const QSignalBlocker block(m_w->valueCursors);
    m_w->valueCursors->setChecked(on);
    saveSettings();
    updateOverlay();
    refresh();
}

void ScopeAnalysisPanel::placeTimeCursor(int which, double position)
{
    m_timeCursors[static_cast<std::size_t>(which & 1)] = std::max(0.0, std::round(position));
    updateOverlay();
    refresh();
}

void ScopeAnalysisPanel::placeValueCursor(int which, double value)
{
    m_valueCursors[static_cast<std::size_t>(which & 1)] = value;
    updateOverlay();
    refresh();
}

void ScopeAnalysisPanel::setSelectedChannel(int channel)
{
    m_settings.channel = std::clamp(channel, 0, kMaxChannels - 1);
    m_w->channel->setCurrentIndex(m_settings.channel);
    saveSettings();
    updateOverlay();
    refresh();
}

void ScopeAnalysisPanel::setMeasureRange(MeasureRange range)
{
    m_settings.range = range;
    m_w->range->setCurrentIndex(static_cast<int>(range));
    saveSettings();
    refresh();
}

void ScopeAnalysisPanel::readTriggerWidgets()
{
    TriggerSettings t;
    t.channel = m_w->triggerChannel->currentIndex();
    bool ok = false;
    const double level = m_w->triggerLevel->text().toDouble(&ok);
    t.level = ok && std::isfinite(level) ? level : m_settings.trigger.level;
    t.edge = static_cast<TriggerEdge>(m_w->triggerEdge->currentIndex());
    t.preTrigger = m_w->triggerPre->value() / 100.0;
    t.mode = static_cast<TriggerMode>(m_w->triggerMode->currentIndex());
    setTriggerSettings(t);
}

void ScopeAnalysisPanel::setTriggerSettings(const TriggerSettings& settings)
{
    m_trigger.setSettings(settings);
    m_settings.trigger = m_trigger.settings();
    saveSettings();
    {
        const QSignalBlocker a(m_w->triggerPre);
        const TriggerSettings& t = m_settings.trigger;
        m_w->triggerChannel->setCurrentIndex(t.channel);
        m_w->triggerLevel->setText(qs(formatValue(t.level)));
        m_w->triggerEdge->setCurrentIndex(static_cast<int>(t.edge));
        m_w->triggerPre->setValue(static_cast<int>(std::lround(t.preTrigger * 100.0)));
        m_w->triggerMode->setCurrentIndex(static_cast<int>(t.mode));
    }
    // New settings look afresh from the newest sample on.
    if (m_triggerOn)
        m_trigger.arm(m_scope.record);
    m_w->triggerStatus->setText(triggerText());
    updateOverlay();
}

void ScopeAnalysisPanel::setTriggerEnabled(bool on)
{
    m_triggerOn = on;
    {
        const QSignalBlocker block(m_w->triggerOn);
        m_w->triggerOn->setChecked(on);
    }
    if (on)
        m_trigger.arm(m_scope.record);
    else
        m_trigger.disarm();
    m_w->triggerStatus->setText(triggerText());
    updateOverlay();
}

QString ScopeAnalysisPanel::triggerText() const
{
    if (!m_triggerOn)
        return QStringLiteral("Off");
    const auto at = [this] { return qs(formatTime(timeBase(), m_trigger.position().value_or(0))); };
    switch (m_trigger.state()) {
    case SoftwareTrigger::State::Waiting:
        return m_trigger.position()
                   ? QStringLiteral("Triggered at %1; waiting for the next").arg(at())
                   : QStringLiteral("Waiting for the level");
    case SoftwareTrigger::State::Filling:
        return QStringLiteral("Triggered at %1; filling the window").arg(at());
    case SoftwareTrigger::State::Held:
        return QStringLiteral("Held: triggered at %1").arg(at());
    case SoftwareTrigger::State::Off:
        break;
    }
    return QStringLiteral("Off");
}

void ScopeAnalysisPanel::afterPoll()
{
    // Hidden, the panel takes no part in the capture.
    if (!m_settings.panelShown)
        return;
    if (m_triggerOn) {
        const int window = windowSamples();
        const SoftwareTrigger::Event event = m_trigger.scan(m_scope.record, window);
        if (event == SoftwareTrigger::Event::Triggered)
            m_scope.control.moveView(m_trigger.viewStart(window));
        if (event == SoftwareTrigger::Event::WindowComplete &&
            m_trigger.state() == SoftwareTrigger::State::Held && m_scope.engine.state().running)
            m_scope.control.stopCapture();
        if (event != SoftwareTrigger::Event::None) {
            m_w->triggerStatus->setText(triggerText());
            updateOverlay();
        }
    }
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

SampleRange ScopeAnalysisPanel::measureRange() const
{
    const ScopeRecord& r = m_scope.record;
    if (!r.hasSamples())
        return {};
    if (m_settings.range == MeasureRange::BetweenCursors && m_settings.timeCursors)
        return rangeBetween(m_timeCursors[0], m_timeCursors[1], r.total);
    const ScopeView& view = m_scope.display.input().view;
    return visibleRange(view.viewStart, view.horizontalScale, m_scope.display.width(), r.total);
}

void ScopeAnalysisPanel::refresh()
{
    const ScopeRecord& r = m_scope.record;
    const ScopeView& view = m_scope.display.input().view;
    std::uint64_t signature = r.generation;
    for (const double v : {static_cast<double>(r.total), static_cast<double>(r.channelCount),
                           static_cast<double>(view.viewStart), view.horizontalScale,
                           static_cast<double>(m_scope.display.width()), m_timeCursors[0],
                           m_timeCursors[1], static_cast<double>(m_settings.range),
                           static_cast<double>(m_settings.timeCursors), r.samplePeriod})
        combine(signature, v);
    if (signature != m_signature) {
        m_signature = signature;
        const SampleRange range = measureRange();
        const double unit = timeBase().known() ? r.samplePeriod : 1.0;
        for (int c = 0; c < kMaxChannels; ++c) {
            Measurements& m = m_measured[static_cast<std::size_t>(c)];
            m = {};
            if (c < r.channelCount && !range.empty())
                m = measure(std::span<const float>(r.buffer.channel(c) + range.first,
                                                   static_cast<std::size_t>(range.count())),
                            unit);
        }
        for (int c = 0; c < kMaxChannels; ++c) {
            for (int row = 0; row < static_cast<int>(MeasureRow::Count); ++row) {
                QTableWidgetItem* item = m_w->table->item(row, c);
                if (!item) {
                    item = new QTableWidgetItem;
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    m_w->table->setItem(row, c, item);
                }
                item->setText(measurementText(static_cast<MeasureRow>(row), c));
            }
            m_w->table->horizontalHeaderItem(c)->setToolTip(
                c < r.channelCount ? qs(r.traces[static_cast<std::size_t>(c)].label) : QString());
            m_w->table->setColumnHidden(c, c >= r.channelCount);
        }
    }
    m_overlay.time = timeBase();
    m_w->cursorReadout->setText(cursorText());
    m_w->pointer->setText(pointerText());
    m_w->triggerStatus->setText(triggerText());
}

void ScopeAnalysisPanel::updatePointer(std::optional<QPoint> at)
{
    m_pointer = at;
    m_overlay.pointerX = at ? std::optional<int>(at->x()) : std::nullopt;
    m_w->pointer->setText(pointerText());
    m_scope.display.repaintAll();
}

void ScopeAnalysisPanel::showSpectrum()
{
    const int c = m_settings.channel;
    const ScopeRecord& r = m_scope.record;
    const SampleRange range = measureRange();
    if (!r.hasSamples() || c >= r.channelCount || range.count() < 4) {
        platform::MessageBox(this, QStringLiteral("没有导出数据！"));
        return;
    }
    const TimeBase base = timeBase();
    Spectrum s = computeSpectrum(std::span<const float>(r.buffer.channel(c) + range.first,
                                                        static_cast<std::size_t>(range.count())),
                                 base.known() ? base.samplePeriod : 1.0);
    if (!m_spectrum)
        m_spectrum = new CSpectrumView(this);
    m_spectrum->setSpectrum(
        std::move(s),
        QStringLiteral("%1 %2").arg(c + 1).arg(qs(r.traces[static_cast<std::size_t>(c)].label)),
        base.known(), m_scope.display.input().colors[static_cast<std::size_t>(c)]);
    m_spectrum->show();
    m_spectrum->raise();
}

void ScopeAnalysisPanel::exportPng()
{
    const auto path =
        platform::getSaveFileName(this, QStringLiteral(".png"),
                                  QStringLiteral("PNG (*.png)|*.png||"), QStringLiteral("Scope"));
    if (path && !savePng(m_scope.display, *path))
        platform::MessageBox(this, QStringLiteral("打开文件失败！"));
}

void ScopeAnalysisPanel::exportSvg()
{
    const auto path =
        platform::getSaveFileName(this, QStringLiteral(".svg"),
                                  QStringLiteral("SVG (*.svg)|*.svg||"), QStringLiteral("Scope"));
    if (path && !saveSvg(m_scope.display, *path, QStringLiteral("Wavora")))
        platform::MessageBox(this, QStringLiteral("打开文件失败！"));
}

void ScopeAnalysisPanel::exportCsv()
{
    if (!m_scope.record.hasSamples()) {
        platform::MessageBox(this, QStringLiteral("没有导出数据！"));
        return;
    }
    const auto path = platform::getSaveFileName(
        this, QStringLiteral(".csv"), QStringLiteral("CSV (*.csv)|*.csv|所有文件(*.*)|*.*||"),
        QStringLiteral("Scope"));
    if (path && !writeCsv(path->toStdString(), m_scope.record))
        platform::MessageBox(this, QStringLiteral("打开文件失败！"));
}

} // namespace korvan::scope
