#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace qv::platform {

void QtDialogs::showMessage(const std::string& text) {
    // Over the window the user is looking at; with none (all in the tray) it stands on its own.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvex"), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace qv::platform
