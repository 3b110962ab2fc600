#include "ui/EntryEditorWindow.h"

#include "connection/EntryEditorNames.h"
#include "ui/WindowSupport.h"

#include "ui/UiShell.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TFormEntry;

EntryEditorWindow::EntryEditorWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TFormEntry), anchor) {
    setWindowTitle(QString::fromUtf8("Nový účet"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    for (auto [name, caption] : {std::pair{w::EditName, "Název účtu:"}, std::pair{w::EditNumber, "Číslo:"},
                                 std::pair{w::EditDevice, "Zařízení modemu:"},
                                 std::pair{w::EditUser, "Uživatelské jméno:"}, std::pair{w::EditPassword, "Heslo:"}}) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(qtName(name));
        grid->addWidget(edit, row, 1);
    }
    findChild<QLineEdit*>(qtName(w::EditPassword))->setEchoMode(QLineEdit::Password);

    auto* message = new QLabel(this);
    message->setObjectName(qtName(w::LabelMessage));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette red;
    red.setColor(QPalette::WindowText, Qt::red);
    message->setPalette(red);
    // Room for a refusal of two lines, so that the fixed window never clips it.
    message->setMinimumHeight(2 * message->fontMetrics().lineSpacing() + 4);
    column->addWidget(message, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (auto [name, text] : {std::pair{w::ButtonSave, "Uložit"}, std::pair{w::ButtonCancel, "Storno"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(qtName(name));
        buttons->addWidget(button);
    }
    column->addLayout(buttons);
    setFixedSize(340, 230);

    bind(view, sink);
}

EntryEditorWindow::~EntryEditorWindow() = default;

void EntryEditorWindow::shown() {
    findChild<QLineEdit*>(qtName(w::EditName))->setFocus();
}

void addConnectionWindows(UiShell& windows, app::Views& views) {
    windows.addWindow(views.entryEditor, [](shell::WindowView& view, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<EntryEditorWindow>(view, sink, mainWindow);
    });
}

} // namespace qv::ui
