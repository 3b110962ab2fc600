#include "ui/EntryEditorWindow.h"

#include "ui/UiShell.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {

EntryEditorWindow::EntryEditorWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(QStringLiteral("TFormEntry"), anchor) {
    setWindowTitle(QString::fromUtf8("Nový účet"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    for (auto [name, caption] : {std::pair{"EditName", "Název účtu:"}, std::pair{"EditNumber", "Číslo:"},
                                 std::pair{"EditDevice", "Zařízení modemu:"},
                                 std::pair{"EditUser", "Uživatelské jméno:"}, std::pair{"EditPassword", "Heslo:"}}) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        grid->addWidget(edit, row, 1);
    }
    findChild<QLineEdit*>(QStringLiteral("EditPassword"))->setEchoMode(QLineEdit::Password);

    auto* message = new QLabel(this);
    message->setObjectName(QStringLiteral("LabelMessage"));
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
    for (auto [name, text] : {std::pair{"ButtonSave", "Uložit"}, std::pair{"ButtonCancel", "Storno"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(QLatin1String(name));
        buttons->addWidget(button);
    }
    column->addLayout(buttons);
    setFixedSize(340, 230);

    bind(view, sink);
}

EntryEditorWindow::~EntryEditorWindow() = default;

void EntryEditorWindow::shown() {
    findChild<QLineEdit*>(QStringLiteral("EditName"))->setFocus();
}

void addConnectionWindows(UiShell& shell, app::Views& views) {
    shell.addWindow(views.entryEditor, [](shell::WindowView& view, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<EntryEditorWindow>(view, sink, mainWindow);
    });
}

} // namespace qv::ui
