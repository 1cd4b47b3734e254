#include "workbench/axis/views/view_single_axis.h"

#include "platform/ui/dialog_units.h"
#include "platform/ui/fonts.h"
#include "platform/ui/message_box.h"
#include "workbench/axis/views/lamp_icons.h"
#include "workbench/axis/views/single_axis_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvan::axis {

namespace {

const QString kSection = QStringLiteral("SingleAxis");

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// Keys of the controls whose caption comes from the language file.
QString CaptionKey(const FormControl& control)
{
    return control.key ? QString::fromUtf8(control.key) : QString();
}

float FloatOf(QWidget* widget, float fallback)
{
    auto* edit = qobject_cast<QLineEdit*>(widget);
    bool ok = false;
    const float value = edit ? edit->text().toFloat(&ok) : 0.0f;
    return ok ? value : fallback;
}

} // namespace

View_SingleAxis::View_SingleAxis(SingleAxisSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_environment(session.environment()),
      m_table(session.table()), m_memory(session.memory()), m_logic(session.logic())
{
    createControls();
    connectControls();
    connect(&m_statusTimer, &QTimer::timeout, this, [this] { runTimer(0); });
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { runTimer(1); });
    m_session.setMessages(this);
}

View_SingleAxis::~View_SingleAxis()
{
    m_session.setMessages(nullptr);
}

template <typename Action> void View_SingleAxis::act(Action action)
{
    // The slot's link may have been closed or reopened since the activation.
    m_logic.setPort(port());
    action();
    showLogicCaptions();
}

QWidget* View_SingleAxis::control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void View_SingleAxis::createControls()
{
    // Like a form view, the panel scrolls when it is smaller than its form;
    // otherwise the form fills it and the resize rules stretch the controls.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    m_form = new QWidget;
    scroll->setWidget(m_form);
    m_form->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    const platform::DialogUnits units;
    QRect formRect;
    for (const FormControl& c : kSingleAxisForm) {
        const QString caption = c.caption ? QString::fromUtf8(c.caption) : QString();
        QWidget* widget = nullptr;
        switch (c.kind) {
        case ControlKind::StatusList:
            m_list = new QTableWidget(kStatusRowCount, 2, m_form);
            widget = m_list;
            break;
        case ControlKind::Lamp:
            widget = new QLabel(m_form);
            static_cast<QLabel*>(widget)->setAlignment(Qt::AlignCenter);
            break;
        case ControlKind::IconButton:
            widget = new QPushButton(m_form);
            break;
        case ControlKind::IntEdit:
            widget = new QLineEdit(m_form);
            static_cast<QLineEdit*>(widget)->setValidator(
                new QIntValidator(c.id == 1162 ? 0 : -999999999, 999999999, widget));
            break;
        case ControlKind::FloatEdit:
            widget = new QLineEdit(m_form);
            break;
        case ControlKind::ReadOnlyEdit:
            widget = new QLineEdit(m_form);
            static_cast<QLineEdit*>(widget)->setReadOnly(true);
            break;
        case ControlKind::Group:
            widget = new QGroupBox(caption, m_form);
            widget->lower();
            break;
        case ControlKind::Radio:
            widget = new QRadioButton(caption, m_form);
            break;
        case ControlKind::DropDown:
            widget = new QComboBox(m_form);
            break;
        case ControlKind::Button:
            widget = new QPushButton(caption, m_form);
            break;
        case ControlKind::Check:
            widget = new QCheckBox(caption, m_form);
            break;
        case ControlKind::Label:
            widget = new QLabel(caption, m_form);
            static_cast<QLabel*>(widget)->setAlignment(
                c.y == 6 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
            break;
        }
        // Drop-down heights in the template include the open list.
        const int height = c.kind == ControlKind::DropDown ? 13 : c.h;
        widget->setGeometry(units.toPixels(c.x, c.y, c.w, height));
        formRect |= widget->geometry();
        widget->setObjectName(QString::number(c.id));
        m_controls[c.id] = widget;
    }
    for (const FormControl& c : kSingleAxisForm)
        if (c.kind == ControlKind::Group)
            control(c.id)->lower();
    // The two radio pairs are separate groups.
    for (int id : {1141, 1142, 1156, 1158})
        find<QRadioButton>(id)->setAutoExclusive(false);
    find<QPushButton>(1187)->hide();
    m_form->setMinimumSize(formRect.right() + 1, formRect.bottom() + 1);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setShowGrid(true);
    m_list->verticalHeader()->hide();
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFont(platform::logicalFont(QStringLiteral("宋体"), -15, 400));
    m_list->setColumnWidth(0, 150);
    m_list->setColumnWidth(1, 165);
    m_list->verticalHeader()->setDefaultSectionSize(20);
    m_lampOff = LampPixmap(LampColour::Red);
    m_lampOn = LampPixmap(LampColour::Green);
}

void View_SingleAxis::connectControls()
{
    auto onClick = [this](int id, auto action) {
        connect(find<QAbstractButton>(id), &QAbstractButton::clicked, this,
                [this, action] { act(action); });
    };
    auto withFields = [this](auto action) {
        return [this, action] {
            controlsToFields();
            action();
        };
    };
    onClick(1098, withFields([this] { m_logic.toggleEnable(); }));
    onClick(1099, withFields([this] { m_logic.toggleClear(); }));
    onClick(1143, withFields([this] { m_logic.startHoming(); }));
    onClick(1144, [this] { m_logic.stopHoming(); });
    onClick(1167, [this] { m_logic.zeroPosition(); });
    onClick(1165, withFields([this] { m_logic.changeSpeed(); }));
    onClick(1166, withFields([this] { m_logic.changeTarget(); }));
    onClick(1163, withFields([this] { startReciprocation(); }));
    onClick(1164, [this] { m_logic.stopReciprocation(); });
    onClick(1182, [this] { m_logic.stopAll(); });
    onClick(1171, withFields([this] { m_logic.toggleLatch(); }));
    onClick(1183, withFields([this] {
                m_logic.toggleCompare();
                for (int id = 1176; id <= 1180; ++id)
                    control(id)->setEnabled(m_logic.captions().compareFieldsEnabled);
            }));
    onClick(1187, [this] { m_logic.trigger(); });
    onClick(1173, withFields([this] { m_logic.toggleLink(); }));
    for (int source : {0, 1}) {
        onClick(1141 + source, [this, source] {
            m_logic.selectHomingSource(source);
            find<QRadioButton>(1141)->setChecked(source == 0);
            find<QRadioButton>(1142)->setChecked(source == 1);
            fillLists();
        });
    }
    for (int absolute : {0, 1}) {
        onClick(absolute ? 1158 : 1156, [this, absolute] {
            m_logic.fields().absoluteMode = absolute;
            m_memory.at(m_logic.slot(), m_logic.axis()).absoluteMode = absolute;
            find<QRadioButton>(1156)->setChecked(!absolute);
            find<QRadioButton>(1158)->setChecked(absolute);
        });
    }
    onClick(1184, [this] { m_logic.setJogMode(find<QCheckBox>(1184)->isChecked()); });
    onClick(1172, [this] { m_logic.setSingleLatch(find<QCheckBox>(1172)->isChecked()); });
    onClick(1178, [this] {
        m_logic.fields().compareOutputState = find<QCheckBox>(1178)->isChecked() ? 1 : 0;
        m_memory.at(m_logic.slot(), m_logic.axis()).compareOutputState =
            m_logic.fields().compareOutputState;
    });
    for (int id : {1151, 1157}) {
        const bool forward = id == 1157;
        connect(find<QPushButton>(id), &QPushButton::pressed, this, [this, forward] {
            act([this, forward] {
                controlsToFields();
                m_logic.pressDirection(forward);
            });
        });
        connect(find<QPushButton>(id), &QPushButton::released, this,
                [this] { act([this] { m_logic.releaseDirection(); }); });
    }
    auto onSelection = [this](int id, auto store) {
        connect(find<QComboBox>(id), &QComboBox::activated, this, [this, store](int index) {
            store(m_memory.at(m_logic.slot(), m_logic.axis()), index);
            store(m_logic.fields(), index);
        });
    };
    onSelection(1145, [](AxisPanelEntry& e, int index) { e.homingModeIndex = index; });
    onSelection(1168, [](AxisPanelEntry& e, int index) { e.latchModeIndex = index; });
    onSelection(1287, [](AxisPanelEntry& e, int index) { e.masterAxis = index; });
    for (const FormControl& c : kSingleAxisForm)
        if (c.kind == ControlKind::IntEdit || c.kind == ControlKind::FloatEdit)
            connect(find<QLineEdit>(c.id), &QLineEdit::editingFinished, this,
                    [this] { m_changed = true; });
}

void View_SingleAxis::ShowAxis(int sourceKind, int sourceNumber, int axis)
{
    m_sourceKind = sourceKind;
    m_sourceNumber = sourceNumber;
    m_logic.activate(port(), m_environment.currentSlot(), axis, m_environment.language());
    // The logic keeps the slot within the panel memory's 30 rows.
    const int slot = m_logic.slot();
    QTimer::singleShot(1, this, [this] { runTimer(2); });
    buildStatusList();
    for (int id : {1094, 1095, 1096, 1097, 1181})
        setLamp(id, false);
    setLamp(1098, false);
    setLamp(1099, false);
    // Without the specification the lists and fields stay those of the axis
    // shown before, as after a failed MTYPE read.
    AxisPort* current = port();
    if (const std::optional<ControllerCounts> counts =
            current ? current->specification() : std::nullopt) {
        auto* master = find<QComboBox>(1287);
        master->clear();
        for (int i = 0; i < std::min(counts->virtualAxes, kAxisCount); ++i)
            master->addItem(QString::number(i));
        master->setCurrentIndex(m_memory.at(slot, m_logic.axis()).masterAxis);
        m_logic.loadFromController();
    }
    fillLists();
    fieldsToControls();
    showLogicCaptions();
    applyCaptions();
    m_changed = false;
    if (sourceKind == 1)
        find<QRadioButton>(1142)->setEnabled(false);
    else if (sourceKind == 3)
        find<QRadioButton>(1142)->setEnabled(true);
    const bool compareRunning = m_memory.at(slot, m_logic.axis()).compareRunning != 0;
    for (int id = 1176; id <= 1180; ++id)
        control(id)->setEnabled(!compareRunning);
    control(1287)->setEnabled(!m_logic.linked());
    control(1194)->setEnabled(!m_logic.linked());
    m_statusTimer.start(StatusPollPeriodMs(m_environment.linkType(slot)));
    m_saveTimer.start(100);
}

void View_SingleAxis::buildStatusList()
{
    const int language = m_environment.language();
    m_statusList.build(m_table, m_logic.axis(), language);
    m_list->setHorizontalHeaderLabels(
        {QString::fromUtf8(StatusNameHeader(language)), Q(StatusValueHeader(m_logic.axis()))});
    for (int row = 0; row < kStatusRowCount; ++row) {
        for (int column : {0, 1}) {
            if (!m_list->item(row, column))
                m_list->setItem(row, column, new QTableWidgetItem);
        }
        m_list->item(row, 0)->setText(Q(m_statusList.row(row).caption));
        showStatusRow(row);
    }
}

void View_SingleAxis::showStatusRow(int row)
{
    const StatusList::Row& data = m_statusList.row(row);
    // Rows marked 1 are white, rows marked 0 light grey (0xC8C8C8); text black.
    const QColor background = data.itemData ? QColor(Qt::white) : QColor(0xC8, 0xC8, 0xC8);
    for (int column : {0, 1}) {
        QTableWidgetItem* item = m_list->item(row, column);
        item->setBackground(background);
        item->setForeground(Qt::black);
    }
    if (m_list->item(row, 1)->text() != Q(data.value))
        m_list->item(row, 1)->setText(Q(data.value));
}

void View_SingleAxis::fillLists()
{
    const int language = m_environment.language();
    const AxisPanelEntry& fields = m_logic.fields();
    auto* latch = find<QComboBox>(1168);
    latch->clear();
    for (const LatchMode& mode : kLatchModes)
        latch->addItem(QString::fromUtf8(language == 1 ? mode.chinese : mode.english));
    latch->setCurrentIndex(fields.latchModeIndex);
    auto* homing = find<QComboBox>(1145);
    homing->clear();
    if (fields.homingSource == 1)
        for (int method = 0; method < kBusHomingMethodCount; ++method)
            homing->addItem(QString::number(method));
    else
        for (const HomingMode& mode : kHomingModes)
            homing->addItem(QString::fromUtf8(mode.text));
    homing->setCurrentIndex(fields.homingModeIndex);
}

void View_SingleAxis::fieldsToControls()
{
    const AxisPanelEntry& f = m_logic.fields();
    auto setText = [this](int id, double value) {
        find<QLineEdit>(id)->setText(QString::number(value, 'g', 9));
    };
    find<QRadioButton>(1141)->setChecked(f.homingSource == 0);
    find<QRadioButton>(1142)->setChecked(f.homingSource == 1);
    setText(1147, f.homingHighSpeed);
    setText(1146, f.homingCreepSpeed);
    setText(1148, f.originOffset);
    setText(1149, f.homingAccel);
    setText(1150, f.homingDecel);
    setText(1152, f.moveSpeed);
    setText(1153, f.moveSramp);
    setText(1154, f.moveAccel);
    setText(1155, f.moveDecel);
    find<QRadioButton>(1156)->setChecked(f.absoluteMode == 0);
    find<QRadioButton>(1158)->setChecked(f.absoluteMode == 1);
    find<QCheckBox>(1184)->setChecked(f.jogMode != 0);
    setText(1185, f.stepDistance);
    setText(1159, f.reciprocationPosition1);
    setText(1160, f.reciprocationPosition2);
    setText(1161, TruncateToInt(f.inPositionDelay));
    setText(1162, TruncateToInt(f.cycleCount));
    find<QCheckBox>(1172)->setChecked(f.singleLatch != 0);
    setText(1176, f.comparatorNumber);
    setText(1177, f.compareOutputNumber);
    find<QCheckBox>(1178)->setChecked(f.compareOutputState != 0);
    setText(1179, f.comparePosition1);
    setText(1180, f.comparePosition2);
    setText(1194, f.syncRatio);
    setText(1140, m_logic.enableOutput());
    setText(1139, m_logic.clearOutput());
}

void View_SingleAxis::controlsToFields()
{
    AxisPanelEntry& f = m_logic.fields();
    auto value = [this](int id, float old) { return FloatOf(control(id), old); };
    auto integer = [this](int id, int old) {
        bool ok = false;
        const int v = find<QLineEdit>(id)->text().toInt(&ok);
        return ok ? v : old;
    };
    f.homingHighSpeed = value(1147, f.homingHighSpeed);
    f.homingCreepSpeed = value(1146, f.homingCreepSpeed);
    f.originOffset = value(1148, f.originOffset);
    f.homingAccel = value(1149, f.homingAccel);
    f.homingDecel = value(1150, f.homingDecel);
    f.moveSpeed = value(1152, f.moveSpeed);
    f.moveSramp = value(1153, f.moveSramp);
    f.moveAccel = value(1154, f.moveAccel);
    f.moveDecel = value(1155, f.moveDecel);
    f.stepDistance = value(1185, f.stepDistance);
    f.reciprocationPosition1 = value(1159, f.reciprocationPosition1);
    f.reciprocationPosition2 = value(1160, f.reciprocationPosition2);
    f.inPositionDelay = static_cast<float>(integer(1161, TruncateToInt(f.inPositionDelay)));
    // The cycle count takes 0 to 999999999 only; anything else keeps the old value.
    const int cycles = integer(1162, TruncateToInt(f.cycleCount));
    if (cycles >= 0 && cycles <= 999999999)
        f.cycleCount = static_cast<float>(cycles);
    f.comparatorNumber = integer(1176, f.comparatorNumber);
    f.compareOutputNumber = integer(1177, f.compareOutputNumber);
    f.comparePosition1 = value(1179, f.comparePosition1);
    f.comparePosition2 = value(1180, f.comparePosition2);
    f.syncRatio = value(1194, f.syncRatio);
    f.homingModeIndex = std::max(0, find<QComboBox>(1145)->currentIndex());
    f.latchModeIndex = std::max(0, find<QComboBox>(1168)->currentIndex());
    const int master = find<QComboBox>(1287)->currentIndex();
    if (master >= 0 && master <= 127)
        f.masterAxis = master;
    m_logic.setEnableOutput(integer(1140, m_logic.enableOutput()));
    m_logic.setClearOutput(integer(1139, m_logic.clearOutput()));
}

void View_SingleAxis::applyCaptions()
{
    for (const FormControl& c : kSingleAxisForm) {
        const QString key = CaptionKey(c);
        if (key.isEmpty())
            continue;
        const QString text = m_environment.caption(kSection, key);
        if (auto* group = qobject_cast<QGroupBox*>(control(c.id)))
            group->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(control(c.id)))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(control(c.id)))
            button->setText(text);
    }
}

void View_SingleAxis::showLogicCaptions()
{
    const PanelCaptions& captions = m_logic.captions();
    auto setButton = [this](int id, const std::string& text) {
        if (!text.empty())
            find<QAbstractButton>(id)->setText(Q(text));
    };
    setButton(1183, captions.compare);
    setButton(1171, captions.latch);
    setButton(1173, captions.link);
    setButton(1184, captions.jog);
    setButton(1172, captions.singleLatch);
    if (!captions.latchState.empty())
        find<QLineEdit>(1169)->setText(Q(captions.latchState));
    if (!captions.latchPositions.empty())
        find<QLineEdit>(1170)->setText(Q(captions.latchPositions));
    control(1287)->setEnabled(captions.linkFieldsEnabled);
    control(1194)->setEnabled(captions.linkFieldsEnabled);
}

void View_SingleAxis::setLamp(int id, bool on)
{
    const QPixmap& pixmap = on ? m_lampOn : m_lampOff;
    if (auto* label = qobject_cast<QLabel*>(control(id))) {
        label->setPixmap(pixmap.scaled(label->height(), label->height(), Qt::KeepAspectRatio,
                                       Qt::SmoothTransformation));
        label->setProperty("lampOn", on);
    } else if (auto* button = qobject_cast<QPushButton*>(control(id))) {
        button->setIcon(QIcon(pixmap));
        button->setIconSize(QSize(button->height() - 6, button->height() - 6));
        button->setProperty("lampOn", on);
    }
}

void View_SingleAxis::pollStatus()
{
    AxisPort* current = port();
    m_logic.setPort(current);
    if (!current)
        return;
    for (int row :
         m_statusList.refresh(*current, m_table, m_logic.axis(), m_environment.language()))
        showStatusRow(row);
    const LampStates lamps = m_logic.pollLamps(m_environment.eciFlag(m_logic.slot()));
    setLamp(1094, lamps.negativeLimit);
    setLamp(1095, lamps.positiveLimit);
    if (lamps.origin)
        setLamp(1096, *lamps.origin);
    setLamp(1097, lamps.servoAlarm);
    setLamp(1181, lamps.compareOutput);
    setLamp(1098, lamps.enable);
    setLamp(1099, lamps.clear);
    m_logic.pollLatch();
    m_logic.pollLink();
    showLogicCaptions();
}

void View_SingleAxis::oneShotRefresh()
{
    AxisPort* current = port();
    if (!current)
        return;
    const int axis = m_logic.axis();
    current->readStepRatios(m_table.row(AxisRow::StepRatio1), m_table.row(AxisRow::StepRatio2));
    current->readEncoderRatios(m_table.row(AxisRow::EncoderRatio1),
                               m_table.row(AxisRow::EncoderRatio2));
    m_statusList.showRatios(m_table, axis);
    showStatusRow(10);
    showStatusRow(11);
    m_logic.setPort(current);
    m_logic.refreshOutputNumbers();
    find<QLineEdit>(1140)->setText(QString::number(m_logic.enableOutput()));
    find<QLineEdit>(1139)->setText(QString::number(m_logic.clearOutput()));
    for (int row : m_statusList.refresh(*current, m_table, axis, m_environment.language()))
        showStatusRow(row);
}

void View_SingleAxis::runTimer(int timer)
{
    switch (timer) {
    case 0:
        pollStatus();
        break;
    case 1:
        if (m_changed) {
            m_changed = false;
            controlsToFields();
            m_logic.saveFields();
        }
        break;
    case 2:
        oneShotRefresh();
        break;
    case 3:
        m_session.feedReciprocation();
        break;
    default:
        break;
    }
}

void View_SingleAxis::startReciprocation()
{
    if (m_logic.startReciprocation())
        m_session.startReciprocationFeed();
}

bool View_SingleAxis::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_form && event->type() == QEvent::Resize) {
        // Each stretches to the bottom of the form; the group boxes start
        // below the lamps, so their height is the form height less their top.
        const int height = m_form->height();
        for (int id : {1093, 1100, 1101, 1104}) {
            QWidget* widget = control(id);
            widget->setGeometry(widget->x(), widget->y(), widget->width(),
                                std::max(height - widget->y(), 1));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void View_SingleAxis::inform(const std::string& text)
{
    platform::MessageBox(this, Q(text));
}

bool View_SingleAxis::confirmOkCancel(const std::string& text)
{
    return platform::MessageBox(this, Q(text), QString(), platform::MessageButtons::OkCancel,
                                platform::MessageIcon::Warning) == platform::MessageAnswer::Ok;
}

} // namespace korvan::axis
