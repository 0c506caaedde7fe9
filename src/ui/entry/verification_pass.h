#pragma once

#include "check/field_hints.h"
#include "entry/entry_verifier.h"
#include "entry/record_io.h"
#include "verify/third_keying.h"
#include "verify/verified_record.h"

#include <SQLiteCpp/Database.h>

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tallwick::ui {

class EntryNumberBox;
class EntryWindow;
class RecordListView;
class VerificationDifferencesDialog;

// 校验录入: the chosen records opened one after another in the entry window, each with its
// cover shown and its answers blank. A box left with a value other than the stored one turns
// red and is keyed once more, and that third keying settles it; at the end of the record the
// differences are shown and the record is saved as verified, then the next one opens. Closing
// midway writes nothing of the record open.
class VerificationPass : public EntryVerifier {
  public:
    VerificationPass(EntryWindow& entry, RecordListView& list, SQLite::Database& db,
                     std::vector<double> codes);
    ~VerificationPass() override;

    // Start, the window's modal loop, Finish. Returns the records saved as verified.
    int Run();
    // The window on the first chosen record still in the list; false when there is none.
    bool Start();
    // The window an ordinary entry window again.
    void Finish();
    int Saved() const { return saved_; }

    // The differences at the end of a record; true saves. Tests answer it.
    std::function<bool(VerificationDifferencesDialog& dialog)> confirmDifferences;
    // The question before a record's verification is dropped; true closes. Tests answer it.
    std::function<bool(const QString& text)> askToLeave;

    // EntryVerifier
    bool AnswerLeft(QWidget* box) override;
    bool EndOfRecord() override;
    bool MayClose() override;

  private:
    struct Answer {
        EntryNumberBox* box = nullptr;
        std::string field;  // the catalogue's FieldName
        entry::FieldValue stored;
        std::optional<verify::ThirdKeyingRule> rule;
        std::optional<double> settledValue;  // the box's value once settled
        std::optional<verify::SettledDifference> difference;
    };

    bool MoveToAvailable();
    void ReadAnswers();
    void ShowPosition();
    // Judges the keying in the box; true when it is asked for again.
    bool Judge(Answer& answer);
    void ShowAskedAgain();
    Answer* Find(const QWidget* box);

    EntryWindow& entry_;
    RecordListView& list_;
    SQLite::Database& db_;
    std::vector<double> codes_;
    std::size_t index_ = 0;
    int saved_ = 0;
    bool started_ = false;
    entry::EntryCatalogue catalogue_;
    check::FieldHints hints_;
    std::vector<Answer> answers_;
};

}  // namespace tallwick::ui
