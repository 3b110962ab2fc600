#include "ui/UsageChartWindow.h"

#include "statistics/StatisticsNames.h"
#include "ui/WindowSupport.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qv::ui {

namespace {

const QColor kBand1(0x2f, 0x6f, 0xb3);
const QColor kBand2(0x8f, 0xc0, 0xe8);
const QColor kRecalculated(0x9b, 0x1c, 0x1c);
const QColor kWeekGround(0xff, 0xf1, 0xc9);

constexpr double kLeft = 64, kRight = 12, kTop = 34, kBottom = 26;

/// A round step for about five grid lines up to `top`: 1, 2 or 5 times a power of ten.
double niceStep(double top) {
    const double raw = top / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

QString megabytesLabel(double value) {
    return QString::number(value, 'g', 6) + QStringLiteral(" MB");
}

QString u8(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

UsageChartWidget::UsageChartWidget(const statistics::UsageChartForm& chart, QWidget* parent)
    : QWidget(parent), chart_(chart) {
    setMouseTracking(true);
    setMinimumSize(480, 240);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QRectF UsageChartWidget::plotArea() const {
    return QRectF(kLeft, kTop, std::max(1.0, width() - kLeft - kRight), std::max(1.0, height() - kTop - kBottom));
}

UsageChartWidget::Scale UsageChartWidget::scale() const {
    double tallest = 0;
    for (const statistics::DayUsage& d : chart_.days())
        tallest = std::max({tallest, d.band1() + d.band2(), d.totals.recalculatedTotal()});
    if (!(tallest > 0) || !std::isfinite(tallest))
        return {1, 0.2};
    // A little room above the tallest day, so that it does not touch the frame; grid lines on round steps.
    const double step = niceStep(tallest);
    return {std::ceil(tallest * 1.05 / step) * step, step};
}

double UsageChartWidget::scaleTop() const {
    return scale().top;
}

double UsageChartWidget::yOf(double megabytes) const {
    const QRectF plot = plotArea();
    const double top = scaleTop();
    const double clamped = std::clamp(std::isfinite(megabytes) ? megabytes : 0.0, 0.0, top);
    return plot.bottom() - clamped / top * plot.height();
}

QRectF UsageChartWidget::dayArea(int index) const {
    const int count = static_cast<int>(chart_.days().size());
    if (index < 0 || index >= count)
        return {};
    const QRectF plot = plotArea();
    const double slot = plot.width() / count;
    return QRectF(plot.left() + index * slot, plot.top(), slot, plot.height());
}

int UsageChartWidget::dayAt(const QPointF& pos) const {
    for (int i = 0; i < static_cast<int>(chart_.days().size()); ++i)
        if (dayArea(i).contains(pos))
            return i;
    return -1;
}

void UsageChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const auto& days = chart_.days();
    const QRectF plot = plotArea();
    const auto [top, step] = scale();
    const QFontMetricsF fm(font());

    // The week's ground goes under everything else.
    for (int i = 0; i < static_cast<int>(days.size()); ++i)
        if (days[static_cast<std::size_t>(i)].inWeek)
            p.fillRect(dayArea(i), kWeekGround);
    if (hovered_ >= 0)
        p.fillRect(dayArea(hovered_), QColor(0, 0, 0, 22));

    // Scale.
    p.setPen(QColor(0xd0, 0xd0, 0xd0));
    for (double v = 0; v <= top + step / 2; v += step) {
        const double y = yOf(v);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(0, y - fm.height() / 2, kLeft - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   megabytesLabel(v));
        p.setPen(QColor(0xd0, 0xd0, 0xd0));
    }

    // Bars: band 1 from the axis, band 2 stacked on it.
    QPolygonF line;
    for (int i = 0; i < static_cast<int>(days.size()); ++i) {
        const statistics::DayUsage& d = days[static_cast<std::size_t>(i)];
        const QRectF area = dayArea(i);
        const double barWidth = area.width() * 0.66;
        const double x = area.center().x() - barWidth / 2;
        const double y1 = yOf(d.band1());
        const double y2 = yOf(d.band1() + d.band2());
        p.fillRect(QRectF(x, y1, barWidth, plot.bottom() - y1), kBand1);
        p.fillRect(QRectF(x, y2, barWidth, y1 - y2), kBand2);
        line << QPointF(area.center().x(), yOf(d.totals.recalculatedTotal()));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(area.left() - 4, plot.bottom() + 2, area.width() + 8, fm.height()), Qt::AlignHCenter,
                   QString::number(d.dayOfMonth));
    }
    p.setPen(QPen(kRecalculated, 2));
    p.drawPolyline(line);
    p.setBrush(kRecalculated);
    for (const QPointF& point : line)
        p.drawEllipse(point, 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(palette().color(QPalette::Text));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());

    // Legend.
    double x = kLeft;
    const double y = 8;
    const auto key = [&](const QColor& color, const QString& text, bool asLine) {
        if (asLine) {
            p.setPen(QPen(color, 2));
            p.drawLine(QPointF(x, y + 6), QPointF(x + 14, y + 6));
        } else {
            p.fillRect(QRectF(x, y, 14, 12), color);
        }
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QPointF(x + 18, y + 10), text);
        x += 18 + fm.horizontalAdvance(text) + 16;
    };
    key(kBand1, QString::fromUtf8("1. pásmo"), false);
    key(kBand2, QString::fromUtf8("2. pásmo"), false);
    key(kRecalculated, QString::fromUtf8("s přepočtem"), true);
    key(kWeekGround, QString::fromUtf8("min. 6 + dnes"), false);
}

void UsageChartWidget::mouseMoveEvent(QMouseEvent* event) {
    const int day = dayAt(event->position());
    if (day != hovered_) {
        hovered_ = day;
        update();
    }
    if (day >= 0)
        QToolTip::showText(event->globalPosition().toPoint(),
                           u8(chart_.days()[static_cast<std::size_t>(day)].valueText), this);
    else
        QToolTip::hideText();
    QWidget::mouseMoveEvent(event);
}

void UsageChartWidget::leaveEvent(QEvent* event) {
    hovered_ = -1;
    update();
    QWidget::leaveEvent(event);
}

bool UsageChartWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int day = dayAt(help->pos());
        if (day >= 0)
            QToolTip::showText(help->globalPos(), u8(chart_.days()[static_cast<std::size_t>(day)].valueText), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

UsageChartWindow::UsageChartWindow(shell::WindowView& view, shell::IntentSink& sink, statistics::UsageChartForm& chart,
                                   QWidget* anchor)
    : SecondaryWindow(qtName(names::TFormChart::TFormChart), anchor), chart_(chart), chartAlive_(chart.lifetime()) {
    setWindowTitle(QStringLiteral("Graf"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    widget_ = new UsageChartWidget(chart, this);
    widget_->setObjectName(qtName(names::TFormChart::Chart1));
    layout->addWidget(widget_);
    resize(760, 360);
    chart_.setListener([this] { widget_->update(); });
    bind(view, sink);
}

UsageChartWindow::~UsageChartWindow() {
    if (!chartAlive_.expired())
        chart_.setListener({});
}

} // namespace qv::ui
