#include "ui/AboutWindow.h"

#include "shell/ShellNames.h"
#include "ui/UiShell.h"
#include "ui/WindowSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm3;

AboutWindow::AboutWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm3), anchor) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    auto* title = new QLabel(this);
    title->setObjectName(qtName(w::Label1));
    title->setAlignment(Qt::AlignCenter);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 2);
    title->setFont(big);
    column->addWidget(title);

    // Read from the top: unlike a log, whose latest line is what matters.
    auto* licences = new QTextEdit(this);
    licences->setObjectName(qtName(w::Memo1));
    licences->setReadOnly(true);
    licences->setAcceptRichText(false);
    column->addWidget(licences, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), this);
    close->setObjectName(qtName(w::Button1));
    close->setDefault(true);
    row->addWidget(close);
    column->addLayout(row);
    setFixedSize(460, 400);

    bind(view, sink);
}

AboutWindow::~AboutWindow() = default;

void addAboutWindow(UiShell& shell, shell::WindowView& view) {
    shell.addWindow(view, [](shell::WindowView& v, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<AboutWindow>(v, sink, mainWindow);
    });
}

} // namespace qv::ui
