#include "list/delete_selected.h"

#include "store/record_deletion.h"
#include "widgets/question_dialog.h"

namespace tallwick::ui {

void DeleteSelectedRecords(const DeletableList& list, SQLite::Database& db, const Asker& ask) {
    if (list.rowCount() == 0) return;
    const std::vector<int> marked = list.markedRowsInMarkOrder();
    if (marked.size() <= 1) {
        if (ask(kDeleteQuestion, kAskYes | kAskNo) != kAnswerYes) return;
        DeleteRecords(db, {list.codeAt(list.currentRow())});
        list.requeryKeepingRow();
        return;
    }
    for (size_t i = 0; i < marked.size(); ++i) {
        if (list.moveTo) list.moveTo(marked[i]);
        const int answer = ask(kDeleteQuestion, kAskYesToAll | kAskNo);
        if (answer == kAnswerCancel) continue;
        if (answer != kAnswerYesToAll) return;
        std::vector<double> codes;
        for (size_t j = i; j < marked.size(); ++j) codes.push_back(list.codeAt(marked[j]));
        DeleteRecords(db, codes);
        list.requeryKeepingRow();
        return;
    }
}

}  // namespace tallwick::ui
