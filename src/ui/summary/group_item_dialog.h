#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>

#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tallwick::ui {

// TdlgGroupItemForm "自定义分组": the name of one grouping and its items, each a named range of
// unit codes. Clicking a column title sorts by it and stores that order for the summary.
class GroupItemDialog : public QDialog {
    Q_OBJECT
  public:
    GroupItemDialog(SQLite::Database& db, std::int64_t groupId, const QString& groupName,
                    std::function<void()> refreshGroupings, QWidget* parent = nullptr);

    // The Yes/No question before an item is deleted; tests answer it.
    std::function<bool(const QString& text)> confirmDelete;

    QLineEdit* groupNameBox() const { return groupName_; }
    QPushButton* saveButton() const { return save_; }
    QTableWidget* grid() const { return grid_; }
    QLineEdit* nameBox() const { return name_; }
    QComboBox* lowSymbolBox() const { return leftSymbol_; }
    QLineEdit* lowBox() const { return low_; }
    QComboBox* highSymbolBox() const { return rightSymbol_; }
    QLineEdit* highBox() const { return high_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* modifyButton() const { return modify_; }

    void SaveName();    // "保  存"
    void AddItem();     // "增  加"
    void ModifyItem();  // "修  改"
    void RemoveItem();  // "除  去"
    void SortByColumn(int column);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Reload(std::int64_t currentItem);
    void LoadCurrentItem();
    void UpdateButtons();
    void StoreItem(bool adding);
    std::int64_t CurrentItemId() const;

    SQLite::Database& db_;
    std::int64_t groupId_;
    std::function<void()> refreshGroupings_;
    bool ascending_ = true;
    int sortedColumn_ = -1;
    QLineEdit* groupName_;
    QPushButton* save_;
    QTableWidget* grid_;
    QLineEdit* name_;
    QComboBox* leftSymbol_;
    QLineEdit* low_;
    QComboBox* rightSymbol_;
    QLineEdit* high_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* modify_;
};

}  // namespace tallwick::ui
