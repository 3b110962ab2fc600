#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>

class QSystemTrayIcon;

namespace qv::ui {

class ViewBinder;

/// The main window "TForm1": account and connect controls, addresses, speeds, limits, traffic, modem info, the
/// status line, the main menu and the tray icon with its menu. Everything it shows after construction comes from
/// its view; every user action goes to the logic, the close box and the minimise button included.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(shell::WindowView& view, shell::IntentSink& sink);
    ~MainWindow() override;

    ViewBinder& binder() { return *binder_; }
    QSystemTrayIcon& trayIcon() { return *tray_; }

    /// The tray icon's images by index: 0 connected, 1 disconnected, 2 waiting to reconnect.
    static QList<QIcon> trayImages();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildConnectionGroup();
    QWidget* buildAddressGroup();
    QWidget* buildSpeedGroup();
    QWidget* buildLimitsGroup();
    QWidget* buildTrafficGroup();
    QWidget* buildModemGroup();
    QWidget* buildStatusPanel();
    void buildMainMenu();
    void buildTray();

    QSystemTrayIcon* tray_ = nullptr;
    ViewBinder* binder_ = nullptr;
    bool placed_ = false;
};

} // namespace qv::ui
