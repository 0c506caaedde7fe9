// The entry window driven by a dependent verification pass: the record's cover shown, its
// answers blank to be keyed again, and the boxes the pass asks for once more.
#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/entry_verifier.h"
#include "entry/entry_window.h"
#include "widgets/code_popup.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

namespace tallwick::ui {

void EntryWindow::BeginVerifying(RecordListView& list, EntryVerifier& verifier) {
    verifier_ = &verifier;
    setWindowTitle(QStringLiteral("基层以上单位数据 - 校验录入"));
    SetCoverReadOnly(true);
    hold_->setVisible(false);
    Begin(false, list);
}

void EntryWindow::LoadForVerifying() {
    if (verifier_) LoadRecord();
}

void EntryWindow::EndVerifying() {
    verifier_ = nullptr;
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    SetCoverReadOnly(false);
    hold_->setVisible(true);
    verificationHint_->clear();
    verificationHint_->hide();
    for (EntryNumberBox* box : form_.surveyFields) box->setStyleSheet(QString());
}

void EntryWindow::BlankForVerifying() {
    for (EntryNumberBox* box : form_.surveyFields) {
        box->setStyleSheet(QString());
        box->clear();
    }
    baseline_ = FieldTexts();
    navBar_->setVisible(false);
    verificationHint_->clear();
    verificationHint_->hide();
    // The end of the record is reached with the save key whatever was keyed.
    save_->setEnabled(true);
    // The cover is not keyed again: the first page with an answer to key is where keying starts.
    for (int page = 1; page < form_.pages->count(); ++page) {
        const auto& order = form_.tabOrder[static_cast<std::size_t>(page)];
        if (std::none_of(order.begin(), order.end(),
                         [this](const QWidget* widget) { return CanTakeFocus(widget); }))
            continue;
        ShowPage(page);
        FocusFirstField();
        return;
    }
}

void EntryWindow::SetCoverReadOnly(bool readOnly) {
    for (QLineEdit* box :
         std::initializer_list<QLineEdit*>{form_.code, form_.unionName, form_.region, form_.level,
                                           form_.state, form_.filler, form_.telephone})
        box->setReadOnly(readOnly);
    for (CodePickerBox* picker : {form_.regionName, form_.levelName, form_.stateName})
        picker->setEnabled(!readOnly);
}

bool EntryWindow::IsSurveyBox(const QWidget* widget) const {
    return std::find(form_.surveyFields.begin(), form_.surveyFields.end(), widget) !=
           form_.surveyFields.end();
}

std::optional<int> EntryWindow::JudgeForSave() {
    if (!ValidateCoverPage()) return std::nullopt;
    if (form_.state->value() <= 2) rules_->CheckAllPages();
    return errorList_->HasNoMessages() ? 1 : 2;
}

void EntryWindow::ReturnToBox(QWidget* box) {
    QTimer::singleShot(0, box, [this, box] {
        returningToBox_ = true;
        for (int page = 0; page < form_.pages->count(); ++page) {
            const auto& order = form_.tabOrder[static_cast<std::size_t>(page)];
            if (std::find(order.begin(), order.end(), box) == order.end()) continue;
            if (form_.pages->currentIndex() != page) ShowPage(page);
            break;
        }
        box->setFocus(Qt::OtherFocusReason);
        returningToBox_ = false;
    });
}

}  // namespace tallwick::ui
