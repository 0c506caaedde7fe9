#pragma once

#include "list/delete_selected.h"
#include "list/record_list_model.h"
#include "query/result_queries.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QMenu;
class QToolButton;

namespace tallwick::ui {

class EntryWindow;
class RecordListView;
class TProgressBarForm;

// TdlgQueryListForm "查询结果列表": the records that satisfy a search condition, with the main
// list's columns, colours and sorting. A found record opens in the entry window, whose
// navigation then walks this list; found records can be deleted and the result exported.
class QueryResultList : public QDialog {
    Q_OBJECT
  public:
    QueryResultList(RecordListModel::DatabaseSource database, EntryWindow& entry,
                    TProgressBarForm* progress, QWidget* parent = nullptr);

    // Opens the result of a condition text such as "where z001>=10". A condition the database
    // engine rejects throws UserError with the engine's message and changes nothing.
    void SetCondition(const std::string& condition);

    // Asks where to save an export, given the filter, suggested name and extension; empty
    // cancels. The save dialog unless a test answers.
    std::function<QString(const QString& filter, const QString& suggestedName,
                          const QString& extension)>
        askFileName;
    // Asks before each deletion; AskQuestion unless a test answers.
    Asker ask;

    RecordListView* grid() const { return grid_; }
    RecordListModel* model() const { return model_; }
    QLabel* countLabel() const { return count_; }
    QToolButton* editButton() const { return edit_; }
    QToolButton* deleteButton() const { return delete_; }
    QToolButton* exportButton() const { return export_; }

    void OpenCurrent();     // tbEdit, double click, Enter
    void DeleteSelected();  // tbDelete, Delete
    void SaveAsDatabase();  // mnSaveAsAccess
    void SaveAsWorkbook();  // mnSaveAsExecel

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildColumns();
    void UpdateCount();

    RecordListModel::DatabaseSource database_;
    EntryWindow& entry_;
    TProgressBarForm* progress_;
    query::ResultStatements statements_;
    RecordListModel* model_;
    RecordListView* grid_;
    QLabel* count_;
    QToolButton* edit_;
    QToolButton* delete_;
    QToolButton* export_;
};

}  // namespace tallwick::ui
