#include "shell/journal_recovery.h"

#include "entry/edit_journal.h"
#include "entry/entry_window.h"
#include "entry/record_io.h"
#include "shell/main_window.h"
#include "widgets/message_box.h"

#include <QMessageBox>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Subject(const entry::EditJournal& journal) {
    if (journal.newRecord) {
        return journal.name.empty() ? QStringLiteral("新记录")
                                    : QStringLiteral("新记录（%1）").arg(Text(journal.name));
    }
    return QStringLiteral("编号为%1的记录（%2）")
        .arg(Text(entry::CodeText(journal.code)), Text(journal.name));
}

bool AskWithMessageBox(const QString& question, QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示信息"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

void OfferJournalRecovery(MainWindow& window, const std::function<bool(const QString&)>& ask) {
    const auto folder = window.Connection().CurrentDatabasePath().parent_path();
    const entry::JournalReading reading = entry::ReadEditJournal(folder);
    if (reading.status == entry::JournalStatus::kNone) return;
    if (reading.status == entry::JournalStatus::kDamaged) {
        entry::SetDamagedJournalAside(folder);
        ShowMessage(QStringLiteral("上次运行没有正常结束，留下的未保存修改已经损坏，无法恢复，"
                                   "已被忽略。"),
                    &window);
        return;
    }
    const entry::EditJournal& journal = reading.journal;
    const QString question = QStringLiteral(
                                 "上次运行没有正常结束，%1有尚未保存的修改（%2）。\n\n"
                                 "打开这条记录并恢复这些修改吗？\n选择“否”将放弃这些修改。")
                                 .arg(Subject(journal), Text(journal.time));
    const bool restore = ask ? ask(question) : AskWithMessageBox(question, &window);
    if (!restore) {
        entry::RemoveEditJournal(folder);
        return;
    }
    window.Entry().OpenRestoring(window.List(), journal);
}

}  // namespace tallwick::ui
