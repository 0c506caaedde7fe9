#include "entry/verification_pass.h"

#include "common/ascii.h"
#include "common/failure_text.h"
#include "entry/entry_number_box.h"
#include "entry/entry_window.h"
#include "entry/verification_differences.h"
#include "list/record_list_view.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>

#include <exception>

namespace tallwick::ui {
namespace {

const QString kAskedAgainStyle =
    QStringLiteral("QLineEdit { background: #ffd8d8; border: 2px solid #d00000; color: #000000; }");

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

VerificationPass::VerificationPass(EntryWindow& entry, RecordListView& list, SQLite::Database& db,
                                   std::vector<double> codes)
    : entry_(entry),
      list_(list),
      db_(db),
      codes_(std::move(codes)),
      catalogue_(entry::EntryCatalogue::Read(db)),
      hints_(check::FieldHints::Load(db)) {
    confirmDifferences = [](VerificationDifferencesDialog& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
    askToLeave = [this](const QString& text) { return AskYesNo(text, &entry_); };
}

VerificationPass::~VerificationPass() {
    if (started_) Finish();
}

int VerificationPass::Run() {
    if (!Start()) return saved_;
    const auto ending = qScopeGuard([this] { Finish(); });
    entry_.exec();
    return saved_;
}

bool VerificationPass::Start() {
    if (!MoveToAvailable()) {
        ShowMessage(QStringLiteral("所选的记录已不在记录列表中，没有可以校验的记录。"), &entry_);
        return false;
    }
    started_ = true;
    entry_.BeginVerifying(list_, *this);
    ReadAnswers();
    return true;
}

void VerificationPass::Finish() {
    if (!started_) return;
    started_ = false;
    entry_.EndVerifying();
    entry_.EndSession();
}

bool VerificationPass::MoveToAvailable() {
    // A chosen record may have been deleted since it was chosen.
    for (; index_ < codes_.size(); ++index_) {
        if (list_.ReturnToCode(codes_[index_])) return true;
    }
    return false;
}

void VerificationPass::ReadAnswers() {
    answers_.clear();
    const entry::StoredRecord stored = entry::ReadRecord(db_, codes_[index_]);
    const auto& rows = catalogue_.Rows();
    const auto& boxes = entry_.Form().surveyFields;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* box = qobject_cast<EntryNumberBox*>(entry_.Field(Text(rows[i].fieldName)));
        if (box == nullptr || std::find(boxes.begin(), boxes.end(), box) == boxes.end()) continue;
        answers_.push_back({box, rows[i].fieldName, stored.ValueOf(catalogue_, i), {}, {}, {}});
    }
    ShowPosition();
}

void VerificationPass::ShowPosition() {
    entry_.ItemNo()->setText(
        QStringLiteral("校验录入 第%1条/共%2条").arg(index_ + 1).arg(codes_.size()));
    entry_.ItemNo()->show();
}

VerificationPass::Answer* VerificationPass::Find(const QWidget* box) {
    for (Answer& answer : answers_) {
        if (answer.box == box) return &answer;
    }
    return nullptr;
}

bool VerificationPass::AnswerLeft(QWidget* box) {
    Answer* answer = Find(box);
    return answer != nullptr && answer->box->isEnabled() && Judge(*answer);
}

bool VerificationPass::Judge(Answer& answer) {
    using Outcome = verify::ThirdKeyingRule::Outcome;
    // A red box left empty has not been keyed again: Enter alone must not settle it as 0.
    if (answer.rule && answer.rule->Pending() && answer.box->text().isEmpty()) return true;
    const double keyed = answer.box->value();
    if (!answer.rule || !answer.rule->Pending()) {
        // Passing a settled box again without changing it is no new keying.
        if (answer.settledValue && *answer.settledValue == keyed) return false;
        answer.rule.emplace(answer.stored);
        answer.difference.reset();
        answer.settledValue.reset();
    }
    const Outcome outcome = answer.rule->Key(keyed);
    if (outcome == Outcome::AskAgain) {
        answer.box->setStyleSheet(kAskedAgainStyle);
        answer.box->clear();
        ShowAskedAgain();
        return true;
    }
    answer.box->setStyleSheet(QString());
    if (outcome == Outcome::StoredStands) answer.box->setValue(entry::AsNumber(answer.stored));
    answer.settledValue = answer.box->value();
    if (outcome != Outcome::Agrees)
        answer.difference = verify::SettledDifference{answer.field, answer.stored,
                                                      answer.rule->Candidate(), outcome};
    ShowAskedAgain();
    return false;
}

void VerificationPass::ShowAskedAgain() {
    QLabel* hint = entry_.VerificationHint();
    const bool any = std::any_of(answers_.begin(), answers_.end(), [](const Answer& answer) {
        return answer.rule && answer.rule->Pending();
    });
    hint->setText(any ? QStringLiteral("红框中的答案与原数据不一致，请对照报表再录入一次")
                      : QString());
    hint->setVisible(any);
}

bool VerificationPass::EndOfRecord() {
    // The box being keyed has not been left, and a box never visited counts as keyed blank.
    Answer* firstAskedAgain = nullptr;
    std::uint64_t keyed = 0;
    const QWidget* focused = QApplication::focusWidget();
    for (Answer& answer : answers_) {
        if (!answer.box->isEnabled()) continue;
        ++keyed;
        const bool pending = answer.rule && answer.rule->Pending();
        if (pending ? answer.box == focused && !answer.box->text().isEmpty()
                    : answer.settledValue != answer.box->value())
            Judge(answer);
        if (!firstAskedAgain && answer.rule && answer.rule->Pending()) firstAskedAgain = &answer;
    }
    if (firstAskedAgain) {
        ShowMessage(QStringLiteral("有答案与原数据不一致，还没有再录入一次，这条记录不能保存。"),
                    &entry_);
        entry_.ReturnToBox(firstAskedAgain->box);
        return false;
    }
    const std::optional<int> state = entry_.JudgeForSave();
    if (!state) return false;

    verify::VerifiedRecord verified;
    verified.code = codes_[index_];
    verified.answersKeyed = keyed;
    for (const Answer& answer : answers_) {
        if (answer.box->isEnabled() && answer.difference)
            verified.differences.push_back(*answer.difference);
    }
    VerificationDifferencesDialog dialog(
        QStringLiteral("编号 %1 %2")
            .arg(Text(entry::CodeText(verified.code)), entry_.Form().unionName->text()),
        verified, *state, hints_, &entry_);
    if (!confirmDifferences(dialog)) return false;
    try {
        verify::SaveVerifiedRecord(db_, verified, *state);
    } catch (const std::exception& error) {
        const std::filesystem::path file = db_.getFilename();
        ShowMessage(QStringLiteral("保存过程中遇到错误：") + Text(FailureText(error, file, file)) +
                        QStringLiteral("数据没有被保存。"),
                    &entry_);
        return false;
    }
    ++saved_;
    ++index_;
    if (!MoveToAvailable()) {
        ShowMessage(QStringLiteral("校验录入结束，共校验了%1条记录。").arg(saved_), &entry_);
        entry_.accept();
        return true;
    }
    entry_.LoadForVerifying();
    ReadAnswers();
    return true;
}

bool VerificationPass::MayClose() {
    return askToLeave(QStringLiteral(
        "这条记录还没有校验完，退出后这条记录的校验录入不会保存。确定退出校验录入吗？"));
}

}  // namespace tallwick::ui
