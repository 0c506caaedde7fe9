#pragma once

#include "verify/keying_comparison.h"
#include "verify/taken_values.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace tallwick::ui {

// 比对两次录入: one row per record whose keyings differ, expandable to the differing answers
// (question, first keying, second keying), then the records that only one side holds. The user
// ticks the answers, or whole records, whose second keying is taken; "采用第二次录入" accepts,
// closing takes nothing: the first keying stands wherever nothing is ticked.
class KeyingComparisonView : public QDialog {
    Q_OBJECT
  public:
    explicit KeyingComparisonView(verify::KeyingComparison comparison, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return tree_; }
    QPushButton* TakeButton() const { return take_; }

    // The ticked answers with the second keying's values.
    std::vector<verify::TakenValue> Taken() const;

  private:
    verify::KeyingComparison comparison_;
    QTreeWidget* tree_ = nullptr;
    QPushButton* take_ = nullptr;
};

}  // namespace tallwick::ui
