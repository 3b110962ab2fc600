#include "ui/ExitDialog.h"

#include "shell/ShellNames.h"
#include "ui/WindowSupport.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace qv::ui {

namespace w = names::TForm6;

ExitDialog::ExitDialog(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm6), anchor) {
    setWindowTitle(QString::fromUtf8("Ukončení aplikace"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    for (auto [name, text] : {std::pair{w::SpeedButton1, "Ukončit"}, std::pair{w::SpeedButton2, "Ukončit a odpojit"},
                              std::pair{w::SpeedButton3, "Storno"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(qtName(name));
        button->setFlat(true);
        button->setMinimumHeight(30);
        row->addWidget(button);
    }
    setFixedSize(320, 52);

    bind(view, sink);
}

ExitDialog::~ExitDialog() = default;

} // namespace qv::ui
