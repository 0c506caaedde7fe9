#pragma once

#include "exchange/conflict_resolution.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tallwick::ui {

// The records of an import whose codes are already present: one row per code with the existing
// and the incoming record state and the number of fields that differ, expandable to those
// fields. The user ticks the records whose incoming version replaces the existing one (none at
// first); "导  入" accepts, "取  消" or closing imports nothing.
class ConflictView : public QDialog {
    Q_OBJECT
  public:
    using DifferenceSource = std::function<std::vector<exchange::FieldDifference>(double code)>;

    ConflictView(std::vector<exchange::CollidingRecord> records, DifferenceSource differences,
                 QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return tree_; }
    QPushButton* KeepAllButton() const { return keepAll_; }
    QPushButton* ReplaceAllButton() const { return replaceAll_; }
    QPushButton* ImportButton() const { return import_; }

    // The codes ticked for replacement.
    exchange::ImportDecisions Decisions() const;

  private:
    void SetAll(bool replace);
    void FillDifferences(QTreeWidgetItem* item);
    void UpdateSummary();

    std::vector<exchange::CollidingRecord> records_;
    DifferenceSource differences_;
    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* keepAll_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
    QPushButton* import_ = nullptr;
};

// A record state as the lists name it: "临时保存", "无逻辑错误", "有逻辑错误".
QString RecordStateName(const std::optional<int>& state);

}  // namespace tallwick::ui
