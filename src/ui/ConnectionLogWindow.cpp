#include "ui/ConnectionLogWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qv::ui {

ConnectionLogWindow::ConnectionLogWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(QStringLiteral("TForm10"), anchor) {
    setWindowTitle(QString::fromUtf8("Log připojení a odpojení"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo);
    resize(510, 294);

    bind(view, sink);
}

ConnectionLogWindow::~ConnectionLogWindow() = default;

} // namespace qv::ui
