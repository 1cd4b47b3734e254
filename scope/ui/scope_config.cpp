#include "scope/ui/scope_config.h"

#include "platform/ui/message_box.h"
#include "scope/core/table_area.h"
#include "scope/ui/kor_new_static.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <climits>

namespace korvan::scope {
namespace {

QLineEdit* digitsEdit(int value, QWidget* parent)
{
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setValidator(new QIntValidator(0, INT_MAX, edit));
    return edit;
}

bool readDigits(const QLineEdit* edit, int& out)
{
    bool ok = false;
    const int v = edit->text().toInt(&ok);
    if (ok)
        out = v;
    return ok;
}

} // namespace

ScopeConfigValues ScopeConfigValues::from(const ScopeSettings& s)
{
    return {s.channelCount, s.depth,        s.interval,         s.useEndOfTable,
            s.tableStart,   s.displayType,  s.exportParameters, s.continuous,
            s.background,   s.channelColors};
}

ScopeConfig::ScopeConfig(ScopeLink& link, int offeredChannels, const ScopeConfigValues& values,
                         QWidget* parent)
    : QDialog(parent), m_link(link), m_values(values)
{
    setWindowTitle(QStringLiteral("示波器设置"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto addRow = [&](const char* caption, QWidget* field) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
        grid->addWidget(field, row++, 1);
    };

    m_channels = new QComboBox(this);
    // The panel has eight rows, whatever the controller offers.
    const int offered = std::clamp(offeredChannels, 1, kMaxChannels);
    for (int i = 1; i <= offered; ++i)
        m_channels->addItem(QString::number(i));
    m_channels->setCurrentIndex(values.channelCount - 1 < offered ? values.channelCount - 1 : -1);
    addRow("通道数：", m_channels);
    m_depth = digitsEdit(values.depth, this);
    addRow("深度：", m_depth);
    m_interval = digitsEdit(values.interval, this);
    addRow("间隔：", m_interval);
    m_useEnd = new QCheckBox(QStringLiteral("自动使用TABLE数组末尾"), this);
    m_useEnd->setChecked(values.useEndOfTable);
    grid->addWidget(m_useEnd, row++, 0, 1, 2);
    m_tableStart = digitsEdit(values.tableStart, this);
    addRow("TABLE位置：", m_tableStart);
    m_background = new CKorNewStatic(this);
    m_background->setColor(values.background);
    addRow("背景颜色：", m_background);
    m_displayType = new QComboBox(this);
    m_displayType->addItems({QStringLiteral("点"), QStringLiteral("线段")});
    m_displayType->setCurrentIndex(
        values.displayType == 0 || values.displayType == 1 ? values.displayType : -1);
    addRow("显示类型：", m_displayType);
    m_continuous = new QCheckBox(QStringLiteral("连续采集"), this);
    m_continuous->setChecked(values.continuous);
    grid->addWidget(m_continuous, row++, 0, 1, 2);
    m_exportParameters = new QCheckBox(QStringLiteral("导出参数"), this);
    m_exportParameters->setChecked(values.exportParameters);
    grid->addWidget(m_exportParameters, row++, 0, 1, 2);
    for (int c = 0; c < kMaxChannels; ++c) {
        auto* swatch = new CKorNewStatic(this);
        swatch->setColor(values.colors[static_cast<std::size_t>(c)]);
        m_colors[static_cast<std::size_t>(c)] = swatch;
        // Two columns of four swatches beside the fields.
        grid->addWidget(new QLabel(QStringLiteral("通道%1：").arg(c + 1), this), c % 4 + row,
                        2 * (c / 4));
        // One width for all eight, whichever column they share with wider fields.
        swatch->setFixedWidth(60);
        grid->addWidget(swatch, c % 4 + row, 2 * (c / 4) + 1, Qt::AlignLeft);
    }
    row += 4;
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &ScopeConfig::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ScopeConfig::reject);
    grid->addWidget(buttons, row, 0, 1, 4);

    connect(m_useEnd, &QCheckBox::clicked, this, [this] { applyEndOfTableRule(); });
    applyEndOfTableRule();
}

int ScopeConfig::selectedChannelCount() const
{
    // A list without a selection would give 0 channels.
    return clampChannelCount(m_channels->currentIndex() + 1);
}

bool ScopeConfig::readBack()
{
    bool ok = readDigits(m_depth, m_values.depth) && readDigits(m_interval, m_values.interval) &&
              readDigits(m_tableStart, m_values.tableStart);
    m_values.depth = std::max(1, m_values.depth);
    m_values.channelCount = selectedChannelCount();
    m_values.useEndOfTable = m_useEnd->isChecked();
    m_values.displayType = std::max(0, m_displayType->currentIndex());
    m_values.continuous = m_continuous->isChecked();
    m_values.exportParameters = m_exportParameters->isChecked();
    m_values.background = m_background->color();
    for (int c = 0; c < kMaxChannels; ++c)
        m_values.colors[static_cast<std::size_t>(c)] =
            m_colors[static_cast<std::size_t>(c)]->color();
    return ok;
}

void ScopeConfig::applyEndOfTableRule()
{
    readBack();
    m_tableStart->setEnabled(!m_useEnd->isChecked());
    std::int32_t tableSize = 0;
    if (m_useEnd->isChecked() && m_link.connected() && m_link.queryInt("TSIZE", tableSize) == 0) {
        m_values.channelCount = selectedChannelCount();
        m_tableStart->setText(
            QString::number(tableStartAtEnd(tableSize, m_values.channelCount, m_values.depth)));
    }
}

void ScopeConfig::accept()
{
    if (!readBack()) {
        platform::MessageBox(this, QStringLiteral("请输入一个整数。"));
        return;
    }
    std::int32_t tableSize = 0;
    if (m_link.connected() && m_link.queryInt("TSIZE", tableSize) == 0) {
        switch (checkDialog(tableSize, m_values.useEndOfTable, m_values.tableStart, m_values.depth,
                            m_values.channelCount, m_values.continuous)) {
        case DialogCheck::OutOfRange:
            platform::MessageBox(this, QStringLiteral("超出数组范围！"));
            return;
        case DialogCheck::AcceptWithWarning:
            platform::MessageBox(this, QStringLiteral("深度小于1000可能会对波形有一定的影响。"));
            break;
        case DialogCheck::Accept:
            break;
        }
    }
    QDialog::accept();
}

void applyConfig(const ScopeConfigValues& v, ScopeLink& link, ScopeSettings& s)
{
    s.channelCount = clampChannelCount(v.channelCount);
    s.depth = std::max(1, v.depth);
    s.interval = v.interval;
    s.displayType = v.displayType;
    s.useEndOfTable = v.useEndOfTable;
    s.exportParameters = v.exportParameters;
    s.continuous = v.continuous;
    if (v.useEndOfTable) {
        std::int32_t tableSize = 0;
        if (link.queryInt("TSIZE", tableSize) != 0)
            tableSize = 0;
        s.tableStart = tableStartAtEnd(tableSize, s.channelCount, s.depth);
    } else {
        s.tableStart = v.tableStart;
    }
    s.background = v.background;
    s.channelColors = v.colors;
}

} // namespace korvan::scope
