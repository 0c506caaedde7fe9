// The entry window's record actions: cover validation, hold, save, check, the close query,
// navigation and the checks on page changes.
#include "entry/entry_window.h"

#include "common/failure_text.h"
#include "entry/cover_rules.h"
#include "entry/edit_journal_keeper.h"
#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/entry_region_picker.h"
#include "entry/entry_verifier.h"
#include "entry/processor_stamp.h"
#include "entry/record_history_dialog.h"
#include "history/history_table.h"
#include "history/recorded_write.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <exception>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// An engine or file failure said in the user's language; the database is the working one.
std::string Described(const std::exception& error, const SQLite::Database& db) {
    const std::filesystem::path file = db.getFilename();
    return FailureText(error, file, file);
}

class WindowCoverLookup : public entry::CoverLookup {
  public:
    WindowCoverLookup(SQLite::Database& db, const entry::CodeList& levels,
                      const entry::CodeList& states)
        : db_(db), levels_(levels), states_(states) {}
    std::string RegionName(std::int64_t code) const override {
        return entry::RegionName(db_, code);
    }
    std::string LevelName(int code) const override { return entry::CodeName(levels_, code); }
    std::string StateName(int code) const override { return entry::CodeName(states_, code); }
    bool CodeIsStored(double code) const override { return entry::CodeIsStored(db_, code); }

  private:
    SQLite::Database& db_;
    const entry::CodeList& levels_;
    const entry::CodeList& states_;
};

double CurrentCode(RecordListView& list) {
    const int row = list.CurrentRow();
    return row >= 0 ? list.Model().CodeAt(row) : 0;
}

// After a write the list shows the record as stored at once and returns to the bookmark; a record
// under a new code (added or renumbered) needs the whole list re-read, a changed one only its row.
void ShowStored(RecordListView& list, double storedCode, double bookmark) {
    if (!list.Model().RefreshRecord(storedCode)) list.RequeryKeepingRow();
    list.ReturnToCode(bookmark);
}

}  // namespace

bool EntryWindow::ValidateCoverPage() {
    entry::CoverFields cover;
    cover.code = Utf8(form_.code->text());
    cover.unionName = Utf8(form_.unionName->text());
    cover.region = static_cast<std::int64_t>(form_.region->value());
    cover.level = static_cast<int>(form_.level->value());
    cover.state = static_cast<int>(form_.state->value());
    cover.filler = Utf8(form_.filler->text());
    cover.telephone = Utf8(form_.telephone->text());
    std::optional<entry::CoverFailure> failure;
    try {
        failure = entry::ValidateCover(cover, loadedCode_, adding_,
                                       WindowCoverLookup(Db(), levels_, states_));
    } catch (const std::exception& e) {
        failure = entry::CoverFailure{
            "c903", "运行中发生错误：" + Described(e, Db()) + ",请与系统管理员或软件发行者联系。"};
    }
    if (!failure) return true;
    inExitHandler_ = true;  // the message and the focus move are not the user leaving a field
    ShowMessage(Text(failure->message), this);
    if (failure->duplicate) {
        hold_->setEnabled(false);
        save_->setEnabled(false);
    }
    ShowPage(0);
    if (QWidget* field = Field(Text(failure->field))) field->setFocus(Qt::OtherFocusReason);
    inExitHandler_ = false;
    return false;
}

bool EntryWindow::Write(int recordState) {
    // A two-valued code never goes above 2, on screen as in the table.
    for (const entry::CatalogueRow* row : catalogue_->DataRows()) {
        if (row->queryType != entry::kTwoValued) continue;
        if (auto* box = qobject_cast<EntryNumberBox*>(Field(Text(row->fieldName)))) {
            if (box->value() > 2) box->setValue(2);
        }
    }
    const entry::FieldSource values =
        [this](const std::string& name) -> std::optional<entry::FieldValue> {
        QWidget* control = Field(Text(name));
        if (auto* box = qobject_cast<EntryNumberBox*>(control)) return box->value();
        if (auto* text = qobject_cast<QLineEdit*>(control)) return Utf8(text->text());
        return std::nullopt;
    };
    entry::RecordWrite write;
    if (!adding_ || writtenSinceOpened_) write.existingCode = loadedCode_;
    write.recordState = recordState;
    write.processorStamp = entry::ProcessorStamp();
    try {
        loadedCode_ = history::WriteRecordWithHistory(
            Db(), *catalogue_, values, write,
            recordState == 0 ? history::kEntryHold : history::kEntrySave);
        baseline_ = FieldTexts();
        journal_->Clear();
        return true;
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("保存过程中遇到错误：") + Text(Described(e, Db())) +
                        QStringLiteral("数据没有被保存。"),
                    this);
        return false;
    }
}

bool EntryWindow::Hold(bool forLogicErrors) {
    if (RefuseWhileOperationRuns(this)) return false;
    if (verifier_) {
        ShowMessage(QStringLiteral("校验录入中不能临时保存，请录完这条记录或退出校验。"), this);
        return false;
    }
    if (!ValidateCoverPage()) return false;
    const double before = CurrentCode(*list_);
    if (!Write(0)) return false;
    // While adding, the list stays where it was; a modified record stays current.
    ShowStored(*list_, loadedCode_, adding_ ? before : loadedCode_);
    UpdatePosition();
    writtenSinceOpened_ = true;
    hold_->setEnabled(false);
    ShowMessage(forLogicErrors ? QStringLiteral("有逻辑错误，已临时保存")
                               : QStringLiteral("数据已经被临时保存。"),
                this);
    return true;
}

bool EntryWindow::Save(bool fromCloseQuery) {
    if (RefuseWhileOperationRuns(this)) return false;
    if (verifier_) return verifier_->EndOfRecord();
    if (!ValidateCoverPage()) return false;
    if (!fromCloseQuery && form_.state->value() <= 2) rules_->CheckAllPages();
    const double before = CurrentCode(*list_);
    const bool clean = errorList_->HasNoMessages();
    if (!Write(clean ? 1 : 2)) return false;
    ShowStored(*list_, loadedCode_, adding_ ? before : loadedCode_);
    UpdatePosition();
    hold_->setEnabled(false);
    save_->setEnabled(false);
    writtenSinceOpened_ = false;
    // What is on screen is now stored: it may be printed, under the code it was saved with.
    if (!adding_) {
        printCode_ = loadedCode_;
        print_->setEnabled(true);
    }
    ShowMessage(clean ? QStringLiteral("数据保存成功，没有逻辑错误！")
                      : QStringLiteral("数据保存成功，有逻辑错误！"),
                this);
    try {
        registry_.WriteRegInteger(QStringLiteral("AppLastCity"),
                                  static_cast<int>(form_.region->value()),
                                  RegistryRoot::LocalMachine, kEnvSettingKey);
        registry_.WriteRegString(QStringLiteral("c905"), form_.filler->text(),
                                 RegistryRoot::LocalMachine, kDataKey);
        registry_.WriteRegString(QStringLiteral("c906"), form_.telephone->text(),
                                 RegistryRoot::LocalMachine, kDataKey);
    } catch (const RegistryWriteError&) {
        // Only the next new record's defaults are lost; the record itself is stored.
    }
    if (adding_) LoadRecord();
    return true;
}

void EntryWindow::CheckRecord() {
    if (!ValidateCoverPage()) return;
    rules_->CheckAllPages();
    if (errorList_->HasNoMessages()) {
        ShowMessage(QStringLiteral("没有逻辑错误"), this);
        errorList_->hide();
    } else {
        errorList_->ShowList();
        FocusFirstField();
    }
}

void EntryWindow::ShowHistory() {
    // A record not stored yet may bring a code that the history knows (a deleted record's).
    const bool stored = !adding_ || writtenSinceOpened_;
    const double code = stored ? loadedCode_ : form_.code->value();
    try {
        RecordHistoryDialog dialog(Db(), code, form_.unionName->text(), this);
        dialog.exec();
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("运行中发生错误：") + Text(Described(e, Db())) +
                        QStringLiteral(",请与系统管理员或软件发行者联系。"),
                    this);
    }
}

bool EntryWindow::CloseQuery() {
    if (verifier_) {
        if (!verifier_->MayClose()) return false;
        errorList_->hide();
        return true;
    }
    if (hold_->isEnabled() && save_->isEnabled() &&
        askToSave(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"))) {
        if (!ValidateCoverPage()) return false;
        if (form_.state->value() <= 2) rules_->CheckAllPages();
        errorList_->hide();
        // A record with logic errors is held, not saved. A failed write keeps the window and
        // the edits: the message has said why.
        return errorList_->HasNoMessages() ? Save(true) : Hold(true);
    }
    // Answered No, or nothing to ask: what is on screen is dropped on purpose.
    journal_->Clear();
    errorList_->hide();
    return true;
}

void EntryWindow::reject() {
    if (CloseQuery()) {
        loaded_ = false;
        QDialog::reject();
    }
}

void EntryWindow::Navigate(int which) {
    if (RefuseWhileOperationRuns(this)) return;
    if (!CloseQuery()) return;
    const int count = list_->Model().RowCount();
    const int row = list_->CurrentRow();
    const int target = which == 0 ? 0 : which == 1 ? row - 1 : which == 2 ? row + 1 : count - 1;
    if (target < 0 || target >= count) return;
    list_->GoToRow(target);
    LoadRecord();
}

void EntryWindow::GoToError(int page, const QString& field) {
    if (page < 0 || page >= form_.pages->count()) return;
    fromErrorList_ = true;
    form_.pages->setCurrentIndex(page);
    fromErrorList_ = false;
    if (form_.pages->currentIndex() != page) return;
    QWidget* control = Field(field);
    if (control == nullptr) return;
    if (control->isEnabled()) control->setFocus(Qt::OtherFocusReason);
    KeepErrorListOff(control);
}

void EntryWindow::ShowPage(int index) {
    programPageSwitch_ = true;
    form_.pages->setCurrentIndex(index);
    programPageSwitch_ = false;
    currentPage_ = index;
    LoadNotes(index);
}

void EntryWindow::PageChanged(int index) {
    if (programPageSwitch_) return;
    const int left = currentPage_;
    if (loaded_ && form_.state->value() <= 2) {
        errorList_->ClearMessages();
        bool checkRules = true;
        if (left == 0) {
            currentPage_ = index;  // a refusal switches back through ShowPage
            if (!ValidateCoverPage()) return;
            checkRules = fromErrorList_;
        }
        if (checkRules) {
            rules_->CheckPageRules(index, true);
            if (left != 0) rules_->CheckPageRules(left, false);
        }
    }
    currentPage_ = index;
    LoadNotes(index);
    if (!FocusFirstField()) form_.pages->tabBar()->setFocus(Qt::OtherFocusReason);
}

void EntryWindow::FieldExit(QWidget* field) {
    journal_->FieldLeft();
    if (inExitHandler_) return;
    if (verifier_ && loaded_ && IsSurveyBox(field)) {
        if (!returningToBox_ && verifier_->AnswerLeft(field)) ReturnToBox(field);
        return;
    }
    inExitHandler_ = true;
    // Leaving the whole cover: the page change validates it, one message rather than two; the
    // names and the rules that follow from the codes are brought up to date all the same.
    if (loaded_ && !field->isVisible() && form_.state->value() <= 2) {
        if (field == form_.region)
            RegionExit(false);
        else if (field == form_.level)
            LevelExit(false);
        else if (field == form_.state)
            StateExit(false);
        inExitHandler_ = false;
        return;
    }
    std::optional<std::string> message;
    if (field == form_.code) {
        message = entry::CodeExitMessage(Utf8(form_.code->text()));
    } else if (loaded_ && field == form_.unionName) {
        form_.unionName->setText(
            form_.unionName->text().left(static_cast<int>(entry::kUnionNameMaxLength)));
        message = entry::UnionNameExitMessage(Utf8(form_.unionName->text()));
    } else if (loaded_ && field == form_.filler) {
        message = entry::FillerExitMessage(Utf8(form_.filler->text()));
    } else if (loaded_ && field == form_.telephone) {
        message = entry::TelephoneExitMessage(Utf8(form_.telephone->text()));
    } else if (loaded_ && field == form_.region) {
        RegionExit(true);
    } else if (loaded_ && field == form_.level) {
        LevelExit(true);
    } else if (loaded_ && field == form_.state) {
        StateExit(true);
    }
    if (message) {
        ShowMessage(Text(*message), this);
        FocusLater(field);
    }
    inExitHandler_ = false;
}

void EntryWindow::RegionExit(bool byUser) {
    const auto code = static_cast<std::int64_t>(form_.region->value());
    std::string name;
    try {
        name = entry::RegionName(Db(), code);
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("运行中发生错误：") + Text(Described(e, Db())) +
                        QStringLiteral(",请与系统管理员或软件发行者联系。"),
                    this);
    }
    if (!name.empty()) {
        form_.regionName->setText(Text(name));
        form_.regionName->setCode(static_cast<int>(code));
        return;
    }
    form_.regionName->clear();
    form_.regionName->setCode(CodePickerBox::kNoCode);
    if (byUser) {
        ShowMessage(QString::fromUtf8(entry::kBadRegionMessage), this);
        FocusLater(form_.region);
    }
}

void EntryWindow::LevelExit(bool byUser) {
    const int code = static_cast<int>(form_.level->value());
    const std::string name = entry::CodeName(levels_, code);
    if (!name.empty()) {
        form_.levelName->setCode(code);
        form_.levelName->setText(Text(name));
        ApplyLevelRules(code);
        return;
    }
    form_.levelName->clear();
    form_.levelName->setCode(CodePickerBox::kNoCode);
    if (byUser) {
        ShowMessage(QString::fromUtf8(entry::kBadLevelMessage), this);
        FocusLater(form_.level);
    }
}

void EntryWindow::StateExit(bool byUser) {
    const int code = static_cast<int>(form_.state->value());
    const std::string name = entry::CodeName(states_, code);
    if (!name.empty()) {
        form_.stateName->setCode(code);
        form_.stateName->setText(Text(name));
        ApplyReportingState(code);
        return;
    }
    form_.stateName->clear();
    form_.stateName->setCode(CodePickerBox::kNoCode);
    if (byUser) {
        ShowMessage(QString::fromUtf8(entry::kBadStateExitMessage), this);
        FocusLater(form_.state);
    }
}

void EntryWindow::ChooseRegion() {
    RegionPicker picker(Db(), this);
    if (form_.regionName->code() > 0) picker.SetStartCode(form_.regionName->code());
    if (picker.exec() != QDialog::Accepted) return;
    form_.region->setValue(static_cast<double>(picker.ResultCode()));
    form_.regionName->setCode(static_cast<int>(picker.ResultCode()));
    form_.regionName->setText(picker.ResultName());
}

}  // namespace tallwick::ui
