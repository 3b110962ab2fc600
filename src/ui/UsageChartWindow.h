#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "statistics/UsageChart.h"
#include "ui/SecondaryWindow.h"

#include <QRectF>
#include <QWidget>

#include <memory>

namespace qv::ui {

/// The chart itself ("Chart1"): one stacked bar a day, band 1 at the bottom and band 2 above it, the recalculated
/// total as a line over the bars, the last seven days (today and the six before it) on a shaded ground. Hovering
/// over a day highlights it and shows its values. It draws the logic's days and nothing else.
class UsageChartWidget final : public QWidget {
    Q_OBJECT
public:
    UsageChartWidget(const statistics::UsageChartForm& chart, QWidget* parent);

    /// The area of day `index` (its whole column, for hovering) in widget coordinates.
    QRectF dayArea(int index) const;
    /// The day under `pos`, or -1.
    int dayAt(const QPointF& pos) const;
    int hoveredDay() const { return hovered_; }
    /// The top of the scale, in MB.
    double scaleTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Scale {
        double top;  ///< MB at the top of the plot
        double step; ///< MB between grid lines
    };
    Scale scale() const;
    QRectF plotArea() const;
    double yOf(double megabytes) const;

    const statistics::UsageChartForm& chart_;
    int hovered_ = -1;
};

/// The usage chart window "TFormChart", opened with "Graf" from the statistics window.
class UsageChartWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    UsageChartWindow(shell::WindowView& view, shell::IntentSink& sink, statistics::UsageChartForm& chart,
                     QWidget* anchor = nullptr);
    ~UsageChartWindow() override;

    UsageChartWidget& chartWidget() { return *widget_; }

private:
    statistics::UsageChartForm& chart_;
    std::weak_ptr<const void> chartAlive_;
    UsageChartWidget* widget_ = nullptr;
};

} // namespace qv::ui
