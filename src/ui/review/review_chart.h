#pragma once

#include <QChartView>

#include <vector>

namespace tallwick::ui {

// The picture beside the review's list: how the selected answer's rate of its size measure is
// spread among the unions its level is judged by, each union a point (spread out vertically so
// that equal rates stay visible), the usual range as a band and the record under review in red.
// Rates are drawn on a logarithmic axis, where ×10 is the same step everywhere; rates of 0 have
// no place on it and are counted in the title instead.
class ReviewChart : public QChartView {
    Q_OBJECT
  public:
    explicit ReviewChart(QWidget* parent = nullptr);

    // `marked` is the position of the record under review in `rates`, -1 for none.
    void ShowRates(const QString& title, const std::vector<double>& rates, long marked, double low,
                   double high);
    void Clear();

    int PointCount() const { return points_; }
    bool HasMark() const { return marked_; }

  private:
    int points_ = 0;
    bool marked_ = false;
};

}  // namespace tallwick::ui
