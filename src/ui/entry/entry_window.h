#pragma once

#include "check/rule_table.h"
#include "entry/code_tables.h"
#include "entry/edit_journal.h"
#include "entry/entry_form.h"
#include "entry/entry_suggestion.h"
#include "entry/record_io.h"

#include <QDialog>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QTextBrowser;
class QTimer;
class QWidget;

namespace tallwick::ui {

class EditJournalKeeper;
class EntryVerifier;
class ErrorListWindow;
class RecordListView;
class Registry;

// TdlgSurveyDataForm "基层以上单位数据": one record of the record list on fourteen pages.
// Created once and reused: OpenForAdding / OpenForModifying run one modal editing session each.
class EntryWindow : public QDialog, public check::ValueSource {
    Q_OBJECT
  public:
    using DatabaseSource = std::function<SQLite::Database&()>;

    EntryWindow(DatabaseSource database, Registry& registry, QString programFolder,
                QWidget* parent = nullptr);
    ~EntryWindow() override;

    // actAddNew: new records until the window closes; afterwards the list is re-read and
    // returns to the row that was current.
    void OpenForAdding(RecordListView& list);
    // actModify: the list's current row, with navigation over the list. Nothing on an empty list.
    void OpenForModifying(RecordListView& list);

    // The edits a journal kept, on the record they belong to (a new record when it is not
    // stored), shown as changed and not saved; the list is re-read when the window closes.
    void OpenRestoring(RecordListView& list, const entry::EditJournal& journal);

    // The session set-up of the two above without the modal loop; tests drive the window after it.
    void Begin(bool adding, RecordListView& list);
    void BeginRestoring(RecordListView& list, const entry::EditJournal& journal);
    // Lets go of the statements the session held on the database.
    void EndSession();

    // The question before unsaved changes are dropped; true answers Yes. Tests replace it.
    std::function<bool(const QString& text)> askToSave;

    // Asked by tbPrint with the code of the record the session was opened on.
    std::function<void(double code)> printRecord;

    // Wraps the search for what to type when a session begins; tests hold it back with this.
    std::function<SuggestionSearch(SuggestionSearch)> wrapSuggestionSearch;

    // check::ValueSource: the control of that name (any case); text boxes throw.
    std::optional<double> Value(std::string_view name) const override;

    // The control of a field (any case), nullptr when the form has none.
    QWidget* Field(const QString& name) const { return form_.Field(name); }
    const EntryForm& Form() const { return form_; }
    ErrorListWindow& ErrorList() { return *errorList_; }
    QPushButton* Button(const QString& objectName) const;
    QWidget* NavBar() const { return navBar_; }
    QLabel* ItemNo() const { return itemNo_; }
    QLabel* JournalNote() const { return journalNote_; }
    QTextBrowser* Notes() const { return notes_; }
    QAction* NavAction(int which) const { return navActions_[which]; }  // first, prev, next, last
    bool IsAdding() const { return adding_; }
    EditJournalKeeper& Journal() { return *journal_; }
    // What the journal keeps of the record on screen.
    entry::EditJournal JournalSnapshot() const;
    double LoadedCode() const { return loadedCode_; }

    // The actions behind the buttons.
    // `forLogicErrors`: the close question's save found errors, so the record is held instead.
    bool Hold(bool forLogicErrors = false);
    bool Save(bool fromCloseQuery = false);
    void CheckRecord();
    void ShowHistory();  // tbHistory: the record's change history
    bool CloseQuery();
    void Navigate(int which);
    // The error list's double click: page, then the field when it can take the focus.
    void GoToError(int page, const QString& field);
    // The suggested value into its box as an edit, not saved; its page shown and the box focused.
    void ApplySuggestion(int index);
    void ApplyNextSuggestion();  // F4

    // Cover rules on the values on screen; on failure one message, the cover shown and the
    // offending field focused.
    bool ValidateCoverPage();
    void ApplyLevelRules(int level);
    void ApplyReportingState(int state);
    bool FocusFirstField();  // false when no field of the page can take the focus
    void ChooseRegion();     // the region picker button

    void reject() override;  // Esc and the close box run the close query

    // Dependent verification (entry_window_verifying.cpp): the list's current record with its
    // cover shown read-only and every survey answer blank, to be keyed again; `verifier` decides
    // about each answer left, the end of the record and closing. No edit journal is kept: the
    // blank answers are no edits of the record.
    void BeginVerifying(RecordListView& list, EntryVerifier& verifier);
    // The list's current record afresh, after the pass moved the list on.
    void LoadForVerifying();
    // An ordinary entry window again.
    void EndVerifying();
    // The record on screen judged as a save judges it: the cover validated, then the rules while
    // it reports data. 1 without logic errors, 2 with them; nothing when the cover fails.
    std::optional<int> JudgeForSave();
    // The page of the box shown and the box focused, once the focus change under way is over.
    void ReturnToBox(QWidget* box);
    QLabel* VerificationHint() const { return verificationHint_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    SQLite::Database& Db() const { return database_(); }
    void BuildWindow();
    void LoadRecord();
    QPoint ErrorListPlace(QSize size) const;
    void KeepErrorListOff(const QWidget* box);
    void KeepErrorListOff(const QList<QRect>& boxes);
    void KeepErrorListOffListedBoxes();
    void ReturnToForm();
    void FillForNewRecord();
    void FillFromRecord(const entry::StoredRecord& record);
    void RestoreFields(const entry::EditJournal& journal, bool wholeRecord);
    // Every control's field with its text as shown, separators left out.
    std::vector<std::pair<std::string, std::string>> FieldTexts() const;
    void SetLimitsByCatalogue(const entry::CatalogueRow& row, QWidget* control, bool newRecord);
    bool Write(int recordState);
    void UpdatePosition();
    void MarkChanged();
    void EnableSurveyFields();
    void BlankForVerifying();
    void SetCoverReadOnly(bool readOnly);
    bool IsSurveyBox(const QWidget* widget) const;

    void RegionExit(bool byUser);
    void LevelExit(bool byUser);
    void StateExit(bool byUser);
    void FieldExit(QWidget* field);

    bool FocusNextField();
    void FocusPreviousField();
    bool CanTakeFocus(const QWidget* widget) const;
    void PageChanged(int index);
    void ShowPage(int index);  // a switch by the program: no checks
    void LoadNotes(int page);
    void FocusLater(QWidget* widget);
    void ScheduleSuggestion();
    void RequestSuggestion();

    DatabaseSource database_;
    Registry& registry_;
    QString programFolder_;
    EntryForm form_;
    ErrorListWindow* errorList_ = nullptr;
    std::unique_ptr<check::RuleTable> rules_;
    SuggestionWorker* suggestions_ = nullptr;
    bool suggestionScheduled_ = false;
    QTimer* searching_ = nullptr;  // the searching line, when no answer came in time
    int requestedTicket_ = -1;
    int answeredTicket_ = -1;
    std::unique_ptr<check::UserNotifier> notifier_;
    std::optional<entry::EntryCatalogue> catalogue_;
    entry::CodeList levels_;
    entry::CodeList states_;

    QTextBrowser* notes_ = nullptr;
    QWidget* navBar_ = nullptr;
    QLabel* itemNo_ = nullptr;
    QLabel* journalNote_ = nullptr;
    QLabel* verificationHint_ = nullptr;
    QAction* navActions_[4] = {};
    QPushButton* hold_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* return_ = nullptr;
    QPushButton* history_ = nullptr;
    EditJournalKeeper* journal_ = nullptr;

    RecordListView* list_ = nullptr;
    bool adding_ = false;
    bool writtenSinceOpened_ = false;
    bool loaded_ = false;
    double loadedCode_ = 0;
    // The fields as loaded or last written: the journal keeps what the user changed from them.
    std::vector<std::pair<std::string, std::string>> baseline_;
    double printCode_ = 0;
    int currentPage_ = 0;
    bool programPageSwitch_ = false;
    bool fromErrorList_ = false;
    bool inExitHandler_ = false;
    EntryVerifier* verifier_ = nullptr;
    bool returningToBox_ = false;  // the focus bounces back: the boxes it passes are not left
};

}  // namespace tallwick::ui
