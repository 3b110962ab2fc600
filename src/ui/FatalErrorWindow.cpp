#include "ui/FatalErrorWindow.h"

#include "shell/ShellNames.h"
#include "ui/WindowSupport.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm8;

FatalErrorWindow::FatalErrorWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm8), anchor) {
    setWindowTitle(QStringLiteral("Error"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox(this);
    group->setObjectName(qtName(w::GroupBox1));
    outer->addWidget(group);

    auto* inner = new QVBoxLayout(group);
    auto* message = new QLabel(
        QString::fromUtf8("V aplikaci nastala neznámá chyba, tato chyba byla zapsána do souboru Error.log adresáři "
                          "aplikace. Pokud se tato chyba bude opakovat pošlete prosím soubor Error.log k analýze. "
                          "Jedině tak je šance chybu odhalit a provést opravu. Díky Autor"),
        group);
    message->setObjectName(qtName(w::Label1));
    message->setWordWrap(true);
    inner->addWidget(message, 1);

    auto* button = new QPushButton(QString::fromUtf8("Aplikace bude ukončena"), group);
    button->setObjectName(qtName(w::Button1));
    inner->addWidget(button, 0, Qt::AlignHCenter);
    setFixedSize(394, 149);

    bind(view, sink);
}

FatalErrorWindow::~FatalErrorWindow() = default;

void FatalErrorWindow::closeEvent(QCloseEvent* event) {
    // Stays until its button is pressed, even against a window manager's close.
    event->ignore();
}

} // namespace qv::ui
