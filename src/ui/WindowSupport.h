#pragma once

#include "shell/WidgetName.h"

#include <QFont>
#include <QString>

class QWidget;

namespace qv::ui {

/// Names the application "Quorvex" (message boxes carry that title). It sets no display name: Qt would append it to
/// every window caption the window manager shows ("Ukončení aplikace — Quorvex"), and the captions are exact.
void setUpApplication();

/// The font every window asks for; the platform substitutes its nearest sans-serif face when it lacks it.
QFont windowFont();

/// A widget's Qt objectName from its window's name table.
QString qtName(const shell::WidgetName& name);

/// Moves a top-level window so that it is centred over `anchor`, or over its screen when there is no anchor.
void centreOver(QWidget& window, const QWidget* anchor);

} // namespace qv::ui
