// The connect dialog, the IP set dialog and the package upgrade dialog.
// Each is opened window-modal for one use and deleted when closed.
#pragma once

#include "workbench/shell/app_state.h"
#include "workbench/shell/connect_logic.h"

#include <QComboBox>
#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace korvan::shell {

// A drop-down list that refreshes its entries each time it is opened.
class RefreshingComboBox final : public QComboBox
{
    Q_OBJECT

public:
    explicit RefreshingComboBox(QWidget* parent) : QComboBox(parent) {}
    void setRefresh(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    void showPopup() final;

private:
    std::function<void()> m_refresh;
};

class PopView_Connet final : public QDialog
{
    Q_OBJECT

public:
    PopView_Connet(AppState& state, ConnectionRegistry& registry, ConnectionMessenger& frame,
                   QWidget* parent = nullptr);

    void refreshSerialPorts();
    void refreshNetwork();
    void refreshPci();
    void connectSerial();
    void scanSerial();
    void connectEthernet();
    void connectPci();

private:
    void apply(const ConnectOutcome& outcome);

    AppState& m_state;
    ConnectLogic m_logic;
    RefreshingComboBox* m_ports;
    QComboBox* m_baud;
    QComboBox* m_parity;
    RefreshingComboBox* m_ips;
    RefreshingComboBox* m_pci;
};

class PopView_IpSet final : public QDialog
{
    Q_OBJECT

public:
    PopView_IpSet(const AppState& state, QWidget* parent = nullptr);
    void setAddress();

private:
    const AppState& m_state;
    QLineEdit* m_address;
};

class PopView_Krx final : public QDialog
{
    Q_OBJECT

public:
    PopView_Krx(const AppState& state, QWidget* parent = nullptr);
    void chooseFile();
    void download(KrxDownload::Target target);
    const KrxDownload& package() const { return m_download; }

private:
    const AppState& m_state;
    KrxDownload m_download;
    QLineEdit* m_path;
};

} // namespace korvan::shell
