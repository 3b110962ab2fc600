#pragma once

#include <QFont>

class QWidget;

namespace qv::ui {

/// The font every window asks for; the platform substitutes its nearest sans-serif face when it lacks it.
QFont windowFont();

/// Moves a top-level window so that it is centred over `anchor`, or over its screen when there is no anchor.
void centreOver(QWidget& window, const QWidget* anchor);

} // namespace qv::ui
