#pragma once

#include "check/field_hints.h"
#include "verify/verified_record.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace tallwick::ui {

// The end of one record's verification: the answers whose keying differed from the stored
// value, what each keying said and how the third keying settled it, and whether the record
// saved so has logic errors (`recordState` 1 or 2). 保存 saves it, 返回修改 goes back to it.
class VerificationDifferencesDialog : public QDialog {
    Q_OBJECT
  public:
    VerificationDifferencesDialog(const QString& record, const verify::VerifiedRecord& verified,
                                  int recordState, const check::FieldHints& hints,
                                  QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }
    QPushButton* SaveButton() const { return save_; }

  private:
    QTableWidget* table_ = nullptr;
    QPushButton* save_ = nullptr;
};

// How a difference was settled, in the list's words.
QString SettledText(verify::ThirdKeyingRule::Outcome outcome);

}  // namespace tallwick::ui
