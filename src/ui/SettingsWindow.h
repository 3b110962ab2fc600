#pragma once

#include "app/Views.h"
#include "shell/Intents.h"
#include "ui/SecondaryWindow.h"

#include <QLabel>

namespace qv::ui {

class UiShell;

/// A file path shown in a narrow space: the end of it, shortened from the left, with the whole path as its
/// tooltip (the binder sets that).
class PathText final : public QLabel {
    Q_OBJECT
public:
    explicit PathText(QWidget* parent);
    /// What the label shows of its text in its present width.
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// "Nastavení" (TForm2), the settings dialog: the page list "Položky nastavení" on the left, the six page groups at
/// one place on the right (the logic shows one of them), "Uložit nastavení" and "Storno" below. Number fields take
/// no typing, only their arrows, within the limits of settingsdialog::kNumberFields.
class SettingsWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    SettingsWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor);
    ~SettingsWindow() override;

    static constexpr int kClientWidth = 664;
    static constexpr int kClientHeight = 321;

protected:
    void shown() override;

private:
    QWidget* buildConnectPage();
    QWidget* buildAppsPage();
    QWidget* buildFloatPage();
    QWidget* buildOtherPage();
    QWidget* buildStartPage();
    QWidget* buildMailPage();
};

/// Registers the settings dialog with the shell.
void addSettingsWindow(UiShell& shell, app::Views& views);

} // namespace qv::ui
