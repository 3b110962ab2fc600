#include "ui/ConnectionLogWindow.h"

#include "shell/ShellNames.h"
#include "ui/WindowSupport.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm10;

ConnectionLogWindow::ConnectionLogWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm10), anchor) {
    setWindowTitle(QString::fromUtf8("Log připojení a odpojení"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(qtName(w::Memo1));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo);
    resize(510, 294);

    bind(view, sink);
}

ConnectionLogWindow::~ConnectionLogWindow() = default;

} // namespace qv::ui
