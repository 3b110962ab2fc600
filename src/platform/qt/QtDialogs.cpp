#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace qv::platform {

void QtDialogs::showMessage(const std::string& text) {
    // Over the window the user is looking at; with none (all in the tray) it stands on its own.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvex"), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void QtDialogs::showMessageBox(const std::string& text, MessageKind kind, MessageButton button) {
    const auto icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
    const auto standard = button == MessageButton::Yes  ? QMessageBox::Yes
                          : button == MessageButton::No ? QMessageBox::No
                                                        : QMessageBox::Ok;
    // Titled by its kind, as the program's stock boxes always were ("Information", "Error").
    const QString title = kind == MessageKind::Error ? QStringLiteral("Error") : QStringLiteral("Information");
    QMessageBox box(icon, title, QString::fromStdString(text), standard, QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::showCancelBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Cancel, QApplication::activeWindow());
    // Escape and the close box press "Cancel"; a box that the end of the program closes has no button pressed.
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Cancel);
}

std::optional<std::string> QtDialogs::askSaveFileName(const SaveFileRequest& request) {
    const QString filter = QString::fromStdString(request.filterName) + QStringLiteral(" (") +
                           QString::fromStdString(request.filterPattern) + QLatin1Char(')');
    QFileDialog dialog(QApplication::activeWindow(), QString(), QString::fromStdString(request.initialDirectory),
                       filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // the caller overwrites without a question
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtDialogs::askOpenFileName(const OpenFileRequest& request) {
    QString filter;
    if (!request.filterName.empty())
        filter = QString::fromStdString(request.filterName) + QStringLiteral(" (") +
                 QString::fromStdString(request.filterPattern) + QLatin1Char(')');
    QFileDialog dialog(QApplication::activeWindow(), QString(), QString::fromStdString(request.initialDirectory),
                       filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::uint32_t> QtDialogs::askColor(std::uint32_t initial) {
    // A system colour code starts the dialog on the desktop's window background, which is what it stands for.
    const QColor start = (initial >> 24) == 0xFFu
                             ? QApplication::palette().color(QPalette::Window)
                             : QColor(static_cast<int>(initial & 0xFFu), static_cast<int>((initial >> 8) & 0xFFu),
                                      static_cast<int>((initial >> 16) & 0xFFu));
    const QColor chosen = QColorDialog::getColor(start, QApplication::activeWindow());
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<std::uint32_t>(chosen.red()) | static_cast<std::uint32_t>(chosen.green()) << 8 |
           static_cast<std::uint32_t>(chosen.blue()) << 16;
}

} // namespace qv::platform
