#pragma once

#include "shell/WidgetName.h"

#include <QFont>
#include <QString>

class QWidget;

namespace qv::ui {

/// The font every window asks for; the platform substitutes its nearest sans-serif face when it lacks it.
QFont windowFont();

/// A widget's Qt objectName from its window's name table.
QString qtName(const shell::WidgetName& name);

/// Moves a top-level window so that it is centred over `anchor`, or over its screen when there is no anchor.
void centreOver(QWidget& window, const QWidget* anchor);

} // namespace qv::ui
