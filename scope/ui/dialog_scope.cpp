#include "scope/ui/dialog_scope.h"

#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"
#include "scope/analysis/capture_status.h"
#include "scope/core/data_file.h"
#include "scope/render/scope_show.h"
#include "scope/ui/scope_config.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace korvan::scope {
namespace {

constexpr int kLeftWidth = 290;

QString fromText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Selects the list entry of that name, so the open list shows it; a typed name
// that is not in the list stays as the box's text.
void selectSource(QComboBox* box, const std::string& name)
{
    const QString text = QString::fromStdString(name);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setCurrentText(text);
}

QString truncatedText(double v)
{
    return QString::number(static_cast<long long>(std::isfinite(v) ? std::trunc(v) : 0.0));
}

} // namespace

CDialogScope::CDialogScope(ScopeLink& link, ControllerSpec& spec, ScopeSettingsFile settingsFile,
                           QWidget* parent)
    : QWidget(parent), m_link(link), m_spec(spec), m_file(std::move(settingsFile)),
      m_engine(link, spec, m_settings, m_rows, m_record, *this)
{
    buildControls();
    m_file.readColors(m_settings);
    RenderInput& in = m_display->input();
    in.record = &m_record;
    in.background = m_settings.background;
    in.colors = m_settings.channelColors;
    m_display->setParentFlags([this](RenderInput& input) {
        for (int c = 0; c < kMaxChannels; ++c)
            input.shown[static_cast<std::size_t>(c)] = m_rows[static_cast<std::size_t>(c)].shown;
        input.continuous = m_settings.continuous;
    });

    m_file.readChannels(m_rows);
    for (int c = 0; c < kMaxChannels; ++c)
        m_rowWidgets[static_cast<std::size_t>(c)].show->setChecked(
            m_rows[static_cast<std::size_t>(c)].shown);
    loadControllerLimits();
    m_file.readSettings(m_settings);
    m_follow->setChecked(m_settings.follow);
    in.view.horizontalScale = m_settings.horizontalScale;
    m_horizontalScale->setText(truncatedText(m_settings.horizontalScale));
    onHorizontalScaleText(m_horizontalScale->text());
    in.depth = m_settings.depth;
    in.displayType = m_settings.displayType;
    m_record.channelCount = m_settings.channelCount;
    m_record.depth = m_settings.depth;
    fillRows();
    loadControllerLimits();

    m_analysis = new ScopeAnalysisPanel({*m_display, m_record, m_settings, m_rows, m_engine, *this},
                                        m_file.path(), this);
    syncAnalysisButton();
    updateStatus();
    layoutRightSide();

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CDialogScope::pollTick);
    m_timer->start(20);
}

CDialogScope::~CDialogScope() = default;

void CDialogScope::buildControls()
{
    m_left = new QWidget(this);
    auto* column = new QVBoxLayout(m_left);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);
    // Buttons and rows keep grids of their own: a button's width must not widen
    // a row column, or the row boxes would overlap and hide the source arrow.
    auto* controls = new QGridLayout;
    controls->setHorizontalSpacing(2);
    controls->setVerticalSpacing(3);
    column->addLayout(controls);
    const auto button = [this](const char* caption, auto slot) {
        auto* b = new QPushButton(QString::fromUtf8(caption), m_left);
        // The host window is a dialog: an auto-default button would make Enter
        // in any box of the panel press "设置".
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_settingsButton = button("设置", &CDialogScope::settingsAction);
    controls->addWidget(m_settingsButton, 0, 0);
    controls->addWidget(button("启动", &CDialogScope::startCapture), 0, 1);
    controls->addWidget(button("停止", &CDialogScope::stopCapture), 0, 2);
    m_labelsButton = button("<<", &CDialogScope::toggleLabels);
    controls->addWidget(m_labelsButton, 1, 0);
    controls->addWidget(button("手动触发", &CDialogScope::manualTrigger), 1, 1);
    controls->addWidget(button("导入", &CDialogScope::importData), 2, 0);
    controls->addWidget(button("导出", &CDialogScope::exportData), 2, 1);
    controls->addWidget(new QLabel(QStringLiteral("水平刻度"), m_left), 3, 0);
    m_horizontalScale = new QLineEdit(m_left);
    controls->addWidget(m_horizontalScale, 3, 1);
    connect(m_horizontalScale, &QLineEdit::textChanged, this, &CDialogScope::onHorizontalScaleText);
    m_xyMode = new QCheckBox(QStringLiteral("XY模式"), m_left);
    controls->addWidget(m_xyMode, 4, 0);
    connect(m_xyMode, &QCheckBox::toggled, this, [this](bool on) {
        m_display->input().view.xyMode = on;
        m_display->repaintAll();
    });
    m_follow = new QCheckBox(QStringLiteral("跟随"), m_left);
    controls->addWidget(m_follow, 4, 1);
    connect(m_follow, &QCheckBox::clicked, this,
            [this] { m_settings.follow = !m_settings.follow; });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(3);
    column->addLayout(grid);
    const char* headings[] = {"显示", "编号", "数据源", "偏移", "刻度"};
    for (int i = 0; i < 5; ++i)
        grid->addWidget(new QLabel(QString::fromUtf8(headings[i]), m_left), 0, i);
    for (int c = 0; c < kMaxChannels; ++c) {
        RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        w.show = new QCheckBox(QString::number(c + 1), m_left);
        w.number = new QComboBox(m_left);
        w.number->setEditable(true);
        w.source = new QComboBox(m_left);
        w.source->setEditable(true);
        for (const std::string_view name : kDataSources)
            w.source->addItem(fromText(name));
        // The open list is as wide as its longest name, not the narrow box.
        w.source->view()->setMinimumWidth(w.source->view()->sizeHintForColumn(0) + 24);
        w.offset = new QLineEdit(m_left);
        w.scale = new QLineEdit(m_left);
        // 290 pixels hold the five columns; the source names need the room.
        w.show->setFixedWidth(34);
        w.number->setFixedWidth(46);
        w.source->setFixedWidth(104);
        w.offset->setFixedWidth(42);
        w.scale->setFixedWidth(46);
        const int row = 1 + c;
        grid->addWidget(w.show, row, 0);
        grid->addWidget(w.number, row, 1);
        grid->addWidget(w.source, row, 2);
        grid->addWidget(w.offset, row, 3);
        grid->addWidget(w.scale, row, 4);
        connect(w.show, &QCheckBox::clicked, this, [this, c] {
            auto& shown = m_rows[static_cast<std::size_t>(c)].shown;
            shown = !shown;
            m_display->repaintAll();
        });
        connect(w.source, &QComboBox::activated, this, [this] { m_limits.invalidate(); });
        connect(w.offset, &QLineEdit::textChanged, this,
                [this, c](const QString& t) { onOffsetOrScaleText(c, false, t); });
        connect(w.scale, &QLineEdit::textChanged, this,
                [this, c](const QString& t) { onOffsetOrScaleText(c, true, t); });
    }
    // Beyond the specified controls: the capture state, always in view, and
    // the switch of the analysis side panel.
    m_status = new QLabel(m_left);
    m_status->setWordWrap(true);
    column->addWidget(m_status);
    m_analysisButton = new QPushButton(QStringLiteral("Analysis >>"), m_left);
    m_analysisButton->setAutoDefault(false);
    m_analysisButton->setCheckable(true);
    column->addWidget(m_analysisButton);
    connect(m_analysisButton, &QPushButton::toggled, this, &CDialogScope::showAnalysis);
    column->addStretch(1);
    m_left->setFixedWidth(kLeftWidth);

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setSingleStep(1);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int position) {
        if (position == m_display->input().view.viewStart)
            return;
        m_display->input().view.viewStart = position;
        m_display->repaintAll();
    });
    m_display = new CScopeShow(this);
    m_display->installEventFilter(this);
    resize(1000, 460);
}

void CDialogScope::fillRows()
{
    m_filling = true;
    for (int c = 0; c < kMaxChannels; ++c) {
        const ScopeChannel& row = m_rows[static_cast<std::size_t>(c)];
        RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        selectSource(w.source, row.source);
        w.number->setCurrentText(QString::number(row.number));
        w.offset->setText(truncatedText(row.offset));
        w.scale->setText(truncatedText(row.scale));
    }
    m_filling = false;
    for (int c = 0; c < kMaxChannels; ++c) {
        // The change rule of each box runs once, as when the panel sets them.
        const RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        onOffsetOrScaleText(c, false, w.offset->text());
        onOffsetOrScaleText(c, true, w.scale->text());
    }
    enableRows();
}

void CDialogScope::enableRows()
{
    const bool running = m_engine.state().running;
    for (int c = 0; c < kMaxChannels; ++c) {
        const bool active = c < clampChannelCount(m_settings.channelCount);
        RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        w.number->setEnabled(active && !running);
        w.source->setEnabled(active && !running);
        w.offset->setEnabled(active);
        w.scale->setEnabled(active);
    }
}

void CDialogScope::onHorizontalScaleText(const QString& text)
{
    if (text.isEmpty())
        return;
    m_settings.horizontalScale = clampHorizontalScale(leadingDouble(text.toStdString()));
    m_display->input().view.horizontalScale = m_settings.horizontalScale;
    m_display->repaintAll();
    updateScrollBar();
}

void CDialogScope::onOffsetOrScaleText(int row, bool isScale, const QString& text)
{
    if (m_filling)
        return;
    loadControllerLimits();
    if (text.isEmpty())
        return;
    const auto value = static_cast<float>(leadingDouble(text.toStdString()));
    ScopeChannel& channel = m_rows[static_cast<std::size_t>(row)];
    RenderInput& in = m_display->input();
    if (isScale) {
        channel.scale = value;
        in.scales[static_cast<std::size_t>(row)] = value;
        m_file.writeScale(row, value);
    } else {
        channel.offset = value;
        in.offsets[static_cast<std::size_t>(row)] = value;
        m_file.writeOffset(row, value);
    }
    m_display->repaintAll();
}

void CDialogScope::settingsAction()
{
    if (!m_link.connected()) {
        showMessage("未连接控制器！");
        return;
    }
    if (!m_spec.ensure(m_link)) {
        showMessage("控制器不支持.");
        return;
    }
    loadControllerLimits();
    ScopeConfig dialog(m_link, m_spec.scopeChannels(), ScopeConfigValues::from(m_settings), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applyConfig(dialog.values(), m_link, m_settings);
    enableRows();
    m_file.writeColors(m_settings);
    RenderInput& in = m_display->input();
    in.background = m_settings.background;
    in.colors = m_settings.channelColors;
    m_display->repaintAll();
}

void CDialogScope::toggleLabels()
{
    bool& expanded = m_display->input().view.expandedLabels;
    expanded = !expanded;
    m_labelsButton->setText(expanded ? QStringLiteral("<<") : QStringLiteral(">>"));
    m_display->repaintAll();
}

void CDialogScope::exportData()
{
    if (!m_record.hasSamples()) {
        showMessage("没有导出数据！");
        return;
    }
    const auto path = platform::getSaveFileName(
        this, QStringLiteral(".txt"), QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*||"),
        QStringLiteral("Scope"));
    if (!path)
        return;
    if (!writeDataFile(path->toStdString(), m_record, m_settings, m_rows,
                       m_settings.exportParameters))
        showMessage("打开文件失败！");
}

void CDialogScope::importData()
{
    if (m_engine.state().running) {
        showMessage("导入前需要停止示波！");
        return;
    }
    const auto path = platform::getOpenFileName(
        this, QStringLiteral(".txt"),
        QStringLiteral("Txt Files (*.txt)|*.txt|All Files (*.*)|*.*||"), QStringLiteral("Scope"));
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage("Open file failed.");
        return;
    }
    const QByteArray content = file.readAll();
    const ImportedData data = parseDataFile(
        std::string_view(content.constData(), static_cast<std::size_t>(content.size())), [this] {
            return platform::MessageBox(this, QStringLiteral("是否导入参数？"), {},
                                        platform::MessageButtons::YesNo) ==
                   platform::MessageAnswer::Yes;
        });
    if (data.parametersApplied) {
        applyImportedParameters(data.parameters, m_settings, m_rows);
        RenderInput& in = m_display->input();
        in.depth = m_settings.depth;
        in.displayType = m_settings.displayType;
        in.background = m_settings.background;
        in.colors = m_settings.channelColors;
        m_horizontalScale->setText(truncatedText(m_settings.horizontalScale));
        onHorizontalScaleText(m_horizontalScale->text());
    }
    fillRows();
    loadControllerLimits();
    if (!data.labels.empty() && data.rows > 0) {
        if (!applyImportedSamples(data, m_record))
            showMessage("内存不足");
        m_display->input().depth = std::max(m_display->input().depth, m_record.depth);
    }
    updateScrollBar();
    m_display->repaintAll();
}

void CDialogScope::pollTick()
{
    const int next = m_engine.poll();
    if (m_analysis)
        m_analysis->afterPoll();
    updateStatus();
    if (next > 0 && m_timer)
        m_timer->start(next);
}

void CDialogScope::startCapture()
{
    m_engine.start();
    updateStatus();
}

void CDialogScope::stopCapture()
{
    m_engine.stop();
    updateStatus();
}

void CDialogScope::manualTrigger()
{
    m_engine.manualTrigger();
    updateStatus();
}

void CDialogScope::showAnalysis(bool shown)
{
    m_analysis->setShown(shown);
    syncAnalysisButton();
    layoutRightSide();
}

void CDialogScope::syncAnalysisButton()
{
    const bool shown = m_analysis->analysisSettings().panelShown;
    const QSignalBlocker block(m_analysisButton);
    m_analysisButton->setChecked(shown);
    m_analysisButton->setText(shown ? QStringLiteral("Analysis <<")
                                    : QStringLiteral("Analysis >>"));
}

int CDialogScope::analysisWidth() const
{
    return m_analysis && m_analysis->analysisSettings().panelShown ? ScopeAnalysisPanel::kWidth : 0;
}

QString CDialogScope::statusText() const
{
    return m_status->text();
}

void CDialogScope::updateStatus()
{
    const CaptureStatus status =
        describeCapture(m_engine.state().running, m_settings.continuous, m_record);
    m_status->setText(QString::fromStdString(status.text));
}

void CDialogScope::resizeEvent(QResizeEvent*)
{
    m_left->setGeometry(0, 0, kLeftWidth, height());
    layoutRightSide();
}

// The scroll bar above the display as specified; the analysis panel, when
// shown, takes its width from their right end.
void CDialogScope::layoutRightSide()
{
    if (!m_analysis)
        return;
    const int right = width() - analysisWidth();
    if (analysisWidth() > 0)
        m_analysis->setGeometry(right, 0, analysisWidth(), height());
    if (right > kLeftWidth && height() > 100) {
        m_scrollBar->setGeometry(kLeftWidth, 0, right - kLeftWidth, 20);
        m_display->setGeometry(kLeftWidth, 21, right - kLeftWidth, height() - 21);
        m_display->repaintAll();
        updateScrollBar();
    }
}

void CDialogScope::applyHorizontalView(const HorizontalView& view)
{
    const QString text = truncatedText(view.horizontalScale);
    if (m_horizontalScale->text() == text)
        onHorizontalScaleText(text);
    else
        m_horizontalScale->setText(text); // its change rule sets the scale and the display's copy
    moveView(view.viewStart);
}

void CDialogScope::applyChannelScale(int channel, const ChannelScale& scale)
{
    RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(channel)];
    // The boxes' change rules keep the row, the display's copy and the settings file in step.
    w.scale->setText(QString::number(scale.scale, 'g', 7));
    w.offset->setText(QString::number(scale.offset, 'g', 7));
}

void CDialogScope::moveView(int viewStart)
{
    m_display->input().view.viewStart = std::max(0, viewStart);
    updateScrollBar();
    m_display->repaintAll();
}

bool CDialogScope::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_display)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_dragAnchor = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        break;
    case QEvent::MouseMove:
        if (m_dragAnchor) {
            const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (at.x() != m_dragAnchor->x()) {
                ScopeView& view = m_display->input().view;
                view.viewStart = draggedViewStart(m_dragAnchor->x(), at.x(), view.horizontalScale,
                                                  view.viewStart);
                m_dragAnchor = at;
                updateScrollBar();
                m_display->repaintAll();
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        m_dragAnchor.reset();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CDialogScope::showMessage(std::string_view text)
{
    platform::MessageBox(this, fromText(text));
}

void CDialogScope::loadControllerLimits()
{
    if (!m_limits.needsLoad(m_link)) {
        if (!m_link.connected())
            m_limits.invalidate();
        return;
    }
    std::array<RowBoxes, kMaxChannels> boxes;
    for (int c = 0; c < kMaxChannels; ++c) {
        const RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        boxes[static_cast<std::size_t>(c)].source = w.source->currentText().toStdString();
        boxes[static_cast<std::size_t>(c)].numberText = w.number->currentText().toStdString();
        // Before the rows are first shown their boxes are empty: keep the stored number.
        if (boxes[static_cast<std::size_t>(c)].numberText.empty())
            boxes[static_cast<std::size_t>(c)].numberText =
                std::to_string(m_rows[static_cast<std::size_t>(c)].number);
    }
    m_limits.load(m_link, boxes, [this](std::string_view m) { showMessage(m); });
    for (int c = 0; c < kMaxChannels; ++c) {
        const RowBoxes& b = boxes[static_cast<std::size_t>(c)];
        RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        selectSource(w.source, b.source);
        w.number->clear();
        for (int i = 0; i < b.listCount; ++i)
            w.number->addItem(QString::number(i));
        w.number->setCurrentText(QString::fromStdString(b.numberText));
        m_rows[static_cast<std::size_t>(c)].number = b.number;
    }
}

void CDialogScope::syncRowsFromBoxes()
{
    const int count = clampChannelCount(m_settings.channelCount);
    RenderInput& in = m_display->input();
    for (int c = 0; c < count; ++c) {
        const RowWidgets& w = m_rowWidgets[static_cast<std::size_t>(c)];
        ScopeChannel& row = m_rows[static_cast<std::size_t>(c)];
        row.number = leadingInt(w.number->currentText().toStdString());
        row.source = w.source->currentText().toStdString();
        if (!w.scale->text().isEmpty())
            row.scale = in.scales[static_cast<std::size_t>(c)] =
                static_cast<float>(leadingDouble(w.scale->text().toStdString()));
        if (!w.offset->text().isEmpty())
            row.offset = in.offsets[static_cast<std::size_t>(c)] =
                static_cast<float>(leadingDouble(w.offset->text().toStdString()));
    }
}

void CDialogScope::captureStarted()
{
    updateStatus();
    RenderInput& in = m_display->input();
    in.depth = m_record.depth;
    in.displayType = m_settings.displayType;
    m_settingsButton->setEnabled(false);
    enableRows();
    updateScrollBar();
    m_display->repaintAll();
    m_file.writeStart(m_settings, m_rows);
}

void CDialogScope::captureStopped()
{
    updateStatus();
    m_settingsButton->setEnabled(true);
    enableRows();
}

void CDialogScope::repaintAll()
{
    m_display->repaintAll();
}
void CDialogScope::repaintLabels()
{
    m_display->repaintLabels(m_record.channelCount);
}
void CDialogScope::repaintSamples(int first, int last)
{
    m_display->repaintSamples(first, last);
}

void CDialogScope::updateScrollBar()
{
    if (width() <= kLeftWidth)
        return;
    const int range = m_record.history + m_record.depth;
    const int page = std::max(1, scrollPage(m_settings.horizontalScale, width() - analysisWidth()));
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setRange(0, std::max(0, range - page + 1));
    m_scrollBar->setPageStep(page);
    m_scrollBar->setValue(m_display->input().view.viewStart);
}

int CDialogScope::displayWidth() const
{
    return m_display->width();
}
int CDialogScope::viewStart() const
{
    return m_display->input().view.viewStart;
}
void CDialogScope::setViewStart(int start)
{
    // The software trigger places the view; the follow rule stands aside meanwhile.
    if (m_analysis && m_analysis->holdsView())
        return;
    m_display->input().view.viewStart = std::max(0, start);
}

} // namespace korvan::scope
