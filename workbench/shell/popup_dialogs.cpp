#include "workbench/shell/popup_dialogs.h"

#include "platform/ui/dialog_units.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/message_box.h"
#include "workbench/shell/captions.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvan::shell {
namespace {

template <typename T> T* place(QDialog* dialog, T* control, int id, const QRect& dialogRect)
{
    static const platform::DialogUnits units;
    control->setGeometry(units.toPixels(dialogRect));
    if (id != 0)
        setControlId(control, id);
    return control;
}

QLabel* label(QDialog* dialog, const QString& text, const QRect& dialogRect)
{
    return place(dialog, new QLabel(text, dialog), 0, dialogRect);
}

QStringList items(const QComboBox* box)
{
    QStringList all;
    for (int i = 0; i < box->count(); ++i)
        all << box->itemText(i);
    return all;
}

std::vector<std::string> standardItems(const QComboBox* box)
{
    std::vector<std::string> all;
    for (const QString& text : items(box))
        all.push_back(text.toStdString());
    return all;
}

void addIfMissing(QComboBox* box, const QString& text)
{
    if (box->findText(text) < 0)
        box->addItem(text);
}

} // namespace

void RefreshingComboBox::showPopup()
{
    if (m_refresh)
        m_refresh();
    QComboBox::showPopup();
}

PopView_Connet::PopView_Connet(AppState& state, ConnectionRegistry& registry,
                               ConnectionMessenger& frame, QWidget* parent)
    : QDialog(parent), m_state(state), m_logic(state, registry, frame),
      m_ports(new RefreshingComboBox(this)), m_baud(new QComboBox(this)),
      m_parity(new QComboBox(this)), m_ips(new RefreshingComboBox(this)),
      m_pci(new RefreshingComboBox(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(QString::fromUtf8(pick(state, "连接到控制器", "Connect controller")));
    const QString connectText = QString::fromUtf8(pick(state, "连接", "Connect"));
    label(this, QStringLiteral("COM"), {7, 10, 20, 10});
    place(this, m_ports, 1012, {30, 8, 40, 12});
    m_ports->setEditable(true);
    m_ports->setEditText(QStringLiteral("1"));
    m_ports->setRefresh([this] { refreshSerialPorts(); });
    place(this, m_baud, 1013, {74, 8, 46, 12});
    m_baud->addItems({"9600", "19200", "38400", "57600", "115200", "128000"});
    m_baud->setCurrentText(QStringLiteral("38400"));
    place(this, m_parity, 1014, {124, 8, 56, 12});
    if (state.chinese())
        m_parity->addItems({"无校验", "奇校验", "偶校验"});
    else
        m_parity->addItems({"No Parity", "Odd Parity", "Even Parity"});
    auto* serialConnect = place(this, new QPushButton(connectText, this), 1015, {184, 7, 44, 14});
    auto* scan = place(
        this, new QPushButton(QString::fromUtf8(pick(state, "自动连接", "Auto Connect")), this),
        1016, {232, 7, 50, 14});

    label(this, QStringLiteral("IP"), {7, 32, 20, 10});
    place(this, m_ips, 1019, {30, 30, 150, 12});
    m_ips->setEditable(true);
    m_ips->setEditText(QStringLiteral("192.168.0.11"));
    m_ips->setRefresh([this] { refreshNetwork(); });
    auto* ethConnect = place(this, new QPushButton(connectText, this), 1020, {184, 29, 44, 14});

    label(this, QStringLiteral("PCI"), {7, 54, 20, 10});
    place(this, m_pci, 1021, {30, 52, 150, 12});
    m_pci->setRefresh([this] { refreshPci(); });
    auto* pciConnect = place(this, new QPushButton(connectText, this), 1022, {184, 51, 44, 14});

    static const platform::DialogUnits units;
    setFixedSize(units.toPixels(QSize(290, 74)));
    connect(serialConnect, &QPushButton::clicked, this, &PopView_Connet::connectSerial);
    connect(scan, &QPushButton::clicked, this, &PopView_Connet::scanSerial);
    connect(ethConnect, &QPushButton::clicked, this, &PopView_Connet::connectEthernet);
    connect(pciConnect, &QPushButton::clicked, this, &PopView_Connet::connectPci);
}

void PopView_Connet::refreshSerialPorts()
{
    const int remembered = m_ports->currentIndex() < 0 ? 0 : m_ports->currentIndex();
    std::vector<int> listed;
    for (const QString& text : items(m_ports))
        listed.push_back(text.toInt());
    for (int port : m_logic.newSerialPorts(listed))
        m_ports->addItem(QString::number(port));
    if (m_ports->currentIndex() < 0 && m_ports->count() > remembered)
        m_ports->setCurrentIndex(remembered);
}

void PopView_Connet::refreshNetwork()
{
    for (const std::string& ip : m_logic.newNetworkControllers(standardItems(m_ips)))
        m_ips->addItem(QString::fromStdString(ip));
}

void PopView_Connet::refreshPci()
{
    for (const std::string& name : m_logic.newPciCards(standardItems(m_pci)))
        m_pci->addItem(QString::fromStdString(name));
}

void PopView_Connet::apply(const ConnectOutcome& outcome)
{
    if (!outcome.message.empty())
        platform::MessageBox(this, QString::fromStdString(outcome.message));
    if (!outcome.title.empty())
        setWindowTitle(QString::fromStdString(outcome.title));
    if (outcome.closeDialog)
        accept();
}

void PopView_Connet::connectSerial()
{
    const int port = m_ports->currentText().toInt() & 0xFF;
    const ConnectOutcome outcome =
        m_logic.connectSerial(port, m_baud->currentText().toUInt(),
                              m_parity->currentIndex() < 0 ? 0 : m_parity->currentIndex());
    if (outcome.kind == ConnectOutcome::Kind::Connected)
        addIfMissing(m_ports, QString::number(port));
    apply(outcome);
}

void PopView_Connet::scanSerial()
{
    // A full registry has no slot to scan into: say so instead of "failed".
    if (const std::optional<ConnectOutcome> full = m_logic.refuseWhenFull()) {
        apply(*full);
        return;
    }
    const std::optional<int> port =
        m_logic.scanSerial(m_baud->currentText().toUInt(), m_parity->currentIndex());
    if (!port) {
        apply(m_logic.scanFailed());
        return;
    }
    m_ports->setEditText(QString::number(*port));
    connectSerial();
}

void PopView_Connet::connectEthernet()
{
    const QString ip = m_ips->currentText().left(255);
    const ConnectOutcome outcome = m_logic.connectEthernet(ip.toStdString());
    if (outcome.kind == ConnectOutcome::Kind::Connected)
        addIfMissing(m_ips, ip);
    apply(outcome);
}

void PopView_Connet::connectPci()
{
    const QString name = m_pci->currentText().left(255);
    const ConnectOutcome outcome = m_logic.connectPci(name.toStdString());
    if (outcome.kind == ConnectOutcome::Kind::Connected)
        addIfMissing(m_pci, name);
    apply(outcome);
}

PopView_IpSet::PopView_IpSet(const AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_address(new QLineEdit(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(QString::fromUtf8(pick(state, "IP 设置", "IP SET")));
    label(this, QStringLiteral("Ip_Address:"), {7, 12, 46, 10});
    place(this, m_address, 1277, {56, 10, 80, 13});
    m_address->setText(QStringLiteral("192.168.0.11"));
    m_address->setMaxLength(255);
    auto* set = place(this, new QPushButton(QString::fromUtf8(pick(state, "修改", "Set")), this),
                      1278, {142, 9, 40, 15});
    static const platform::DialogUnits units;
    setFixedSize(units.toPixels(QSize(190, 34)));
    connect(set, &QPushButton::clicked, this, &PopView_IpSet::setAddress);
}

void PopView_IpSet::setAddress()
{
    const ControllerHandle handle = m_state.connectionCount > 0 ? m_state.currentHandle() : nullptr;
    const IpSetOutcome outcome = setControllerIp(handle, m_address->text().toStdString());
    platform::MessageBox(this, QString::fromStdString(outcome.message));
}

PopView_Krx::PopView_Krx(const AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_path(new QLineEdit(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(QString::fromUtf8(pick(state, "KRX 升级", "KRX Update")));
    label(this, QStringLiteral("Krx:"), {7, 12, 20, 10});
    place(this, m_path, 1279, {30, 10, 200, 13});
    m_path->setReadOnly(true);
    auto* open =
        place(this, new QPushButton(QString::fromUtf8(pick(state, "打开文件", "Open File")), this),
              1280, {30, 30, 60, 15});
    auto* ram =
        place(this, new QPushButton(QString::fromUtf8(pick(state, "下载到RAM", "Down Ram")), this),
              1283, {100, 30, 60, 15});
    auto* rom =
        place(this, new QPushButton(QString::fromUtf8(pick(state, "下载到ROM", "Down Rom")), this),
              1286, {170, 30, 60, 15});
    static const platform::DialogUnits units;
    setFixedSize(units.toPixels(QSize(240, 54)));
    connect(open, &QPushButton::clicked, this, &PopView_Krx::chooseFile);
    connect(ram, &QPushButton::clicked, this, [this] { download(KrxDownload::Target::Ram); });
    connect(rom, &QPushButton::clicked, this, [this] { download(KrxDownload::Target::Rom); });
}

void PopView_Krx::chooseFile()
{
    const std::optional<QString> path =
        platform::getOpenFileName(this, QStringLiteral(".krx"),
                                  QStringLiteral("Krx Files (*.krx)|*.Krx|All Files (*.*)|*.*||"));
    if (path) {
        m_download.choose(path->toStdString());
        m_path->setText(*path);
    } else {
        m_download.choose(std::nullopt);
    }
}

void PopView_Krx::download(KrxDownload::Target target)
{
    const ControllerHandle handle = m_state.connectionCount > 0 ? m_state.currentHandle() : nullptr;
    platform::MessageBox(this, QString::fromStdString(m_download.download(handle, target)));
}

} // namespace korvan::shell
