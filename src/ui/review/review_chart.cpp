#include "review/review_chart.h"

#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tallwick::ui {
namespace {

// A fixed vertical place per point in [0.05, 0.95], so that the picture is the same every time.
double Jitter(std::size_t index) {
    const double golden = 0.6180339887498949;
    const double fraction = std::fmod(static_cast<double>(index) * golden, 1.0);
    return 0.05 + 0.9 * fraction;
}

}  // namespace

ReviewChart::ReviewChart(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(420, 300);
    chart()->legend()->hide();
}

void ReviewChart::Clear() {
    chart()->removeAllSeries();
    for (QAbstractAxis* axis : chart()->axes()) {
        chart()->removeAxis(axis);
        delete axis;
    }
    chart()->setTitle(QString());
    points_ = 0;
    marked_ = false;
}

void ReviewChart::ShowRates(const QString& title, const std::vector<double>& rates, long marked,
                            double low, double high) {
    Clear();
    auto* others = new QScatterSeries;
    others->setMarkerSize(6);
    others->setColor(QColor(70, 110, 170, 110));
    others->setBorderColor(Qt::transparent);
    auto* mark = new QScatterSeries;
    mark->setMarkerSize(14);
    mark->setColor(QColor(210, 30, 30));
    double smallest = 0, largest = 0;
    int zeros = 0;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        const double rate = rates[i];
        if (rate <= 0) {
            ++zeros;
            continue;
        }
        smallest = smallest == 0 ? rate : std::min(smallest, rate);
        largest = std::max(largest, rate);
        const QPointF point(rate, Jitter(i));
        if (static_cast<long>(i) == marked) {
            mark->append(point.x(), 0.5);
            marked_ = true;
        } else {
            others->append(point);
            ++points_;
        }
    }
    if (low > 0) smallest = std::min(smallest, low);
    largest = std::max(largest, high);

    auto* bandLow = new QLineSeries;
    auto* bandHigh = new QLineSeries;
    const double from = std::max(low, smallest > 0 ? smallest : high / 10);
    bandLow->append(from, 0);
    bandLow->append(high, 0);
    bandHigh->append(from, 1);
    bandHigh->append(high, 1);
    auto* band = new QAreaSeries(bandHigh, bandLow);
    band->setColor(QColor(120, 190, 120, 60));
    band->setBorderColor(QColor(120, 190, 120, 140));

    chart()->addSeries(band);
    chart()->addSeries(others);
    chart()->addSeries(mark);
    auto* x = new QLogValueAxis;
    x->setBase(10);
    x->setLabelFormat("%g");
    x->setRange(std::max(1e-6, (smallest > 0 ? smallest : from) / 1.5), largest * 1.5);
    auto* y = new QValueAxis;
    y->setRange(0, 1);
    y->setVisible(false);
    chart()->addAxis(x, Qt::AlignBottom);
    chart()->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series :
         {static_cast<QAbstractSeries*>(band), static_cast<QAbstractSeries*>(others),
          static_cast<QAbstractSeries*>(mark)}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart()->setTitle(zeros ? title + QStringLiteral("（另有 %1 个为 0）").arg(zeros) : title);
}

}  // namespace tallwick::ui
