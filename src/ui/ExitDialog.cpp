#include "ui/ExitDialog.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace qv::ui {

ExitDialog::ExitDialog(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(QStringLiteral("TForm6"), anchor) {
    setWindowTitle(QString::fromUtf8("Ukončení aplikace"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    for (auto [name, text] : {std::pair{"SpeedButton1", "Ukončit"}, std::pair{"SpeedButton2", "Ukončit a odpojit"},
                              std::pair{"SpeedButton3", "Storno"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(QLatin1String(name));
        button->setFlat(true);
        button->setMinimumHeight(30);
        row->addWidget(button);
    }
    setFixedSize(320, 52);

    bind(view, sink);
}

ExitDialog::~ExitDialog() = default;

} // namespace qv::ui
