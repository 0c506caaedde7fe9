#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>

#include <vector>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tallwick::ui {

// 校验录入: which records to key again. The records selected in the list, a code range, or a
// sample of N % of the records not yet verified, drawn with a seed that is shown and may be
// typed, so the same seed draws the same sample again. An empty choice is refused.
class VerificationChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    VerificationChoiceDialog(SQLite::Database& db, std::vector<double> selected,
                             QWidget* parent = nullptr);

    // The codes chosen, in the order they are verified; set when the dialog was accepted.
    const std::vector<double>& Chosen() const { return chosen_; }

    QRadioButton* SelectedChoice() const { return selectedChoice_; }
    QRadioButton* RangeChoice() const { return rangeChoice_; }
    QRadioButton* SampleChoice() const { return sampleChoice_; }
    QLineEdit* Low() const { return low_; }
    QLineEdit* High() const { return high_; }
    QLineEdit* Percent() const { return percent_; }
    QLineEdit* Seed() const { return seed_; }
    QPushButton* StartButton() const { return start_; }

    void accept() override;

  private:
    std::vector<double> Choose() const;  // throws UserError for an empty or unclear choice

    SQLite::Database& db_;
    std::vector<double> selected_;
    std::vector<double> chosen_;
    QRadioButton* selectedChoice_ = nullptr;
    QRadioButton* rangeChoice_ = nullptr;
    QRadioButton* sampleChoice_ = nullptr;
    QLineEdit* low_ = nullptr;
    QLineEdit* high_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QLineEdit* seed_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace tallwick::ui
