#pragma once

#include "shell/WidgetName.h"

// The name tables of the shell's windows. The main window's table is shared ground: the connection, metering and
// modem subsystems write its labels and buttons.
namespace qv::names {

// clang-format off

// TForm1: the main window, its main menu, tray icon and tray menu, and the account list's menu.
#define QV_TFORM1_NAMES(X)                                                                                             \
    X(GroupBox1) X(ComboBox1) X(PopupMenu2) X(Editovat1) X(Smazat1) X(Edit1) X(Edit2) X(CheckBox1) X(CheckBox2)       \
    X(SpeedButton3) X(SpeedButton1) X(SpeedButton2)                                                                    \
    X(GroupBox2) X(Label4) X(Label6)                                                                                   \
    X(GroupBox3) X(Label8) X(Label7)                                                                                   \
    X(GroupBox4) X(Label11) X(Label13) X(Label15) X(Label17) X(Label20) X(Label21)                                     \
    X(GroupBox5) X(Label24) X(Label27)                                                                                 \
    X(GroupBox6) X(LabelSignal) X(LabelBattery) X(ProgressBar1)                                                        \
    X(Panel1) X(Label9)                                                                                                \
    X(MainMenu1) X(Menu1) X(Vytvoitnovet1) X(Nastaveni1) X(Statistika1) X(Restartovatpipojen1) X(Zobrazitlog1)         \
    X(Konec1) X(TestRychlosti1) X(Test1) X(Oaplikaci1) X(Licence1) X(Aktualizace1) X(Jtnaweb1)                         \
    X(TrayIcon1) X(PopupMenu1) X(Obnovitaplikaci1) X(Pipojit1) X(Odpojit1) X(Nerestartovatpipojen1)                    \
    X(VypnoutPcpoodpojen1) X(Restartpipojen1) X(Nastaven1) X(Konec2)
QV_WINDOW_NAMES(TForm1, QV_TFORM1_NAMES)
#undef QV_TFORM1_NAMES

// TForm3: the about window "Licence".
#define QV_TFORM3_NAMES(X) X(Label1) X(Memo1) X(Button1)
QV_WINDOW_NAMES(TForm3, QV_TFORM3_NAMES)
#undef QV_TFORM3_NAMES

// TForm6: the exit dialog.
#define QV_TFORM6_NAMES(X) X(SpeedButton1) X(SpeedButton2) X(SpeedButton3)
QV_WINDOW_NAMES(TForm6, QV_TFORM6_NAMES)
#undef QV_TFORM6_NAMES

// TForm8: the fatal error window.
#define QV_TFORM8_NAMES(X) X(GroupBox1) X(Label1) X(Button1)
QV_WINDOW_NAMES(TForm8, QV_TFORM8_NAMES)
#undef QV_TFORM8_NAMES

// TForm10: the connection log window.
#define QV_TFORM10_NAMES(X) X(Memo1)
QV_WINDOW_NAMES(TForm10, QV_TFORM10_NAMES)
#undef QV_TFORM10_NAMES

// clang-format on

} // namespace qv::names
