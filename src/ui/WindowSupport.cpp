#include "ui/WindowSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qv::ui {

void setUpApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Quorvex"));
}

QFont windowFont() {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString qtName(const shell::WidgetName& name) {
    return QString::fromLatin1(name.name.data(), static_cast<qsizetype>(name.name.size()));
}

void centreOver(QWidget& window, const QWidget* anchor) {
    QRect area;
    if (anchor)
        area = anchor->frameGeometry();
    if (area.isEmpty()) {
        const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        area = screen->availableGeometry();
    }
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

} // namespace qv::ui
