// The entry window's side of what to type: asking for it after a check, the searching line,
// applying a suggested value, and the error list kept off the box it points at and out of the
// keyboard's way.
#include "entry/entry_window.h"

#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/error_list_aside.h"
#include "locate/locate_fields.h"

#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>

#include <stdexcept>

namespace tallwick::ui {
namespace {

QRect OnScreen(const QWidget* widget) {
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

}  // namespace

void EntryWindow::ScheduleSuggestion() {
    // After the list is on screen and the save has finished: the solver never delays either.
    if (suggestionScheduled_ || suggestions_ == nullptr) return;
    suggestionScheduled_ = true;
    searching_->start();
    QTimer::singleShot(0, this, [this] {
        suggestionScheduled_ = false;
        RequestSuggestion();
    });
}

void EntryWindow::RequestSuggestion() {
    if (suggestions_ == nullptr || errorList_->HasNoMessages()) return;
    check::RecordValues values;
    for (int f = 0; f < locate::kLocateFieldCount; ++f) {
        const auto name = locate::LocateFields()[static_cast<std::size_t>(f)].name;
        if (name == "c901") continue;  // a text box; no rule reads the code
        try {
            if (const auto value = Value(name)) locate::SetFieldValue(values, f, *value);
        } catch (const std::invalid_argument&) {
        }
    }
    requestedTicket_ = errorList_->Generation();
    suggestions_->Request(values, requestedTicket_);
}

void EntryWindow::ApplySuggestion(int index) {
    const SuggestedAnswer* answer = errorList_->Answer(index);
    if (answer == nullptr) return;
    auto* box = qobject_cast<EntryNumberBox*>(Field(answer->field));
    if (box == nullptr) return;
    // Off the cover only with a valid cover, however the page is left.
    if (answer->page != currentPage_ && currentPage_ == 0 && !ValidateCoverPage()) return;
    const double value = answer->value;
    errorList_->MarkApplied(index);
    // A switch by the program: the page checks would replace the whole record's errors, and the
    // rest of the repair with them, by two pages' errors. The save checks every page.
    if (answer->page != currentPage_) ShowPage(answer->page);
    box->setValue(value);
    if (box->isEnabled()) box->setFocus(Qt::OtherFocusReason);
    KeepErrorListOff(box);
    ReturnToForm();
}

void EntryWindow::ApplyNextSuggestion() {
    if (errorList_->isVisible()) ApplySuggestion(errorList_->NextUnapplied());
}

void EntryWindow::KeepErrorListOff(const QWidget* box) {
    if (box->isVisible()) KeepErrorListOff(QList<QRect>{OnScreen(box)});
}

void EntryWindow::KeepErrorListOffListedBoxes() {
    // The boxes of the page on screen that the errors point at, the first error's first.
    QList<QRect> boxes;
    for (const ErrorListWindow::Target& target : errorList_->Targets()) {
        const QWidget* box = target.page == currentPage_ ? Field(target.field) : nullptr;
        if (box != nullptr && box->isVisible()) boxes.push_back(OnScreen(box));
    }
    KeepErrorListOff(boxes);
}

void EntryWindow::KeepErrorListOff(const QList<QRect>& boxes) {
    if (!errorList_->isVisible() || boxes.isEmpty()) return;
    const QRect window = frameGeometry();
    const QScreen* screen = this->screen();
    const QRect bounds = screen != nullptr ? screen->availableGeometry().united(window) : window;
    const QPoint aside = AsideOf(errorList_->frameGeometry(), boxes, bounds,
                                 {OnScreen(form_.pages->tabBar()), OnScreen(notes_)});
    if (aside != errorList_->frameGeometry().topLeft()) errorList_->MoveAside(aside);
}

void EntryWindow::ReturnToForm() {
    if (!isVisible()) return;
    activateWindow();
    if (QWidget* field = focusWidget(); field != nullptr && field != this)
        field->setFocus(Qt::OtherFocusReason);
    else
        FocusFirstField();
}

}  // namespace tallwick::ui
