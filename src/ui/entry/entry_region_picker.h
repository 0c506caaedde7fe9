#pragma once

#include "entry/code_tables.h"

#include <QDialog>

#include <cstdint>
#include <vector>

class QTableWidget;

namespace tallwick::ui {

// TCityNameForm: chooses an administrative region level by level, province, city, county.
class RegionPicker : public QDialog {
    Q_OBJECT
  public:
    static constexpr std::int64_t kDefaultCode = 110100;

    explicit RegionPicker(SQLite::Database& db, QWidget* parent = nullptr);

    // Positions the three lists on `code`; call before showing.
    void SetStartCode(std::int64_t code);

    std::int64_t ResultCode() const { return resultCode_; }
    QString ResultName() const { return resultName_; }

    QTableWidget* Provinces() const { return lists_[0]; }
    QTableWidget* Cities() const { return lists_[1]; }
    QTableWidget* Counties() const { return lists_[2]; }

    void ChooseProvince(int row);  // a click or arrow key in the province list
    void ChooseCity(int row);      // a click or arrow key in the city list
    void Confirm();                // 确认选择

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FillCities(int province, int city);
    void FillCounties(int province, int city, int county);
    static void Fill(QTableWidget* list, const std::vector<entry::RegionRow>& rows);
    void Accept(const entry::RegionRow& row);

    SQLite::Database& db_;
    QTableWidget* lists_[3] = {};
    std::vector<entry::RegionRow> rows_[3];
    std::int64_t resultCode_ = kDefaultCode;
    QString resultName_ = QStringLiteral("北京市");
};

}  // namespace tallwick::ui
