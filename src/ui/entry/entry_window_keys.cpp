// The entry window's keyboard movement between fields and pages, and the page notes.
#include "entry/entry_window.h"

#include "entry/rtf_notes.h"
#include "store/program_folder.h"

#include <QFile>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>

#include <algorithm>

namespace tallwick::ui {

bool EntryWindow::CanTakeFocus(const QWidget* widget) const {
    return widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) != 0;
}

bool EntryWindow::FocusFirstField() {
    for (QWidget* widget : form_.tabOrder[static_cast<std::size_t>(form_.pages->currentIndex())]) {
        if (CanTakeFocus(widget)) {
            widget->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

bool EntryWindow::FocusNextField() {
    const int page = form_.pages->currentIndex();
    const auto& order = form_.tabOrder[static_cast<std::size_t>(page)];
    const auto at = std::find(order.begin(), order.end(), focusWidget());
    if (at != order.end()) {
        for (auto it = at + 1; it != order.end(); ++it) {
            if (CanTakeFocus(*it)) {
                (*it)->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    // On to the next page that has a field to type in; a page whose fields the level or the
    // state has disabled is passed over, and after the last such page the record is saved.
    for (int next = page + 1; next < form_.pages->count(); ++next) {
        const auto& nextOrder = form_.tabOrder[static_cast<std::size_t>(next)];
        if (std::none_of(nextOrder.begin(), nextOrder.end(),
                         [this](const QWidget* widget) { return CanTakeFocus(widget); }))
            continue;
        form_.pages->setCurrentIndex(next);
        return true;
    }
    Save();
    return false;
}

void EntryWindow::FocusPreviousField() {
    const int page = form_.pages->currentIndex();
    const auto& order = form_.tabOrder[static_cast<std::size_t>(page)];
    const auto at = std::find(order.begin(), order.end(), focusWidget());
    if (at != order.end()) {
        for (auto it = std::make_reverse_iterator(at); it != order.rend(); ++it) {
            if (CanTakeFocus(*it)) {
                (*it)->setFocus(Qt::TabFocusReason);
                return;
            }
        }
    }
    const int target = page == 0 ? form_.pages->count() - 1 : page - 1;
    form_.pages->setCurrentIndex(target);
    if (form_.pages->currentIndex() != target) return;  // refused
    const auto& targetOrder = form_.tabOrder[static_cast<std::size_t>(target)];
    for (auto it = targetOrder.rbegin(); it != targetOrder.rend(); ++it) {
        if (CanTakeFocus(*it)) {
            (*it)->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

// The wheel arrives here as Up and Down presses (WheelToKeys), so it moves between fields too.
bool EntryWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                FocusNextField();
                return true;
            case Qt::Key_Up:
                FocusPreviousField();
                return true;
            default:
                return false;
        }
    }
    if (event->type() == QEvent::FocusOut && widget != nullptr) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Losing the focus to a message box or a menu is not leaving the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            FieldExit(widget);
    }
    return QDialog::eventFilter(watched, event);
}

void EntryWindow::LoadNotes(int page) {
    notes_->clear();
    const QString name =
        QStringLiteral("notes/TableNotesQD-%1.rtf").arg(page, 2, 10, QLatin1Char('0'));
    QFile file(DeliveredFile(programFolder_.toStdString(), name.toStdString()));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray content = file.readAll();
    const auto html = entry::RtfToRichText(
        std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
    if (html)
        notes_->setHtml(QString::fromStdString(*html));
    else
        notes_->setPlainText(QString::fromUtf8(content));
}

void EntryWindow::FocusLater(QWidget* widget) {
    // Called while the focus is leaving: the change under way would take it back at once.
    QTimer::singleShot(0, widget, [widget] { widget->setFocus(Qt::OtherFocusReason); });
}

}  // namespace tallwick::ui
