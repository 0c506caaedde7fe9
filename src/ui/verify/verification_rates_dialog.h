#pragma once

#include "verify/verification_marks.h"

#include <QDialog>

#include <vector>

class QTableWidget;

namespace tallwick::ui {

// The rates of dependent verification: one row per first keying's processor, then all.
class VerificationRatesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit VerificationRatesDialog(const std::vector<verify::VerificationRate>& rates,
                                     QWidget* parent = nullptr);
    QTableWidget* Table() const { return table_; }

  private:
    QTableWidget* table_ = nullptr;
};

}  // namespace tallwick::ui
