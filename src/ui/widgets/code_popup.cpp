#include "widgets/code_popup.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>

namespace tallwick::ui {

CodePickerBox::CodePickerBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    QAction* dropDown =
        addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    connect(dropDown, &QAction::triggered, this, &CodePickerBox::dropDownRequested);
}

void CodePickerBox::setCode(int code) {
    if (code == code_) return;
    code_ = code;
    emit codeChanged(code);
}

bool CodePickerBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CodePickerBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F4 ||
        (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        emit dropDownRequested();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QMenu* ShowCodeMenu(CodePickerBox* box, const TMenuItemDataArray& codes,
                    const std::function<void(int)>& chosen) {
    const QPoint corner(box->x() + box->width() - 10, box->y() + box->height() - 30);
    const QPoint at =
        box->parentWidget() != nullptr ? box->parentWidget()->mapToGlobal(corner) : corner;

    auto* menu =
        box->findChild<QMenu*>(QStringLiteral("CodePopupMenu"), Qt::FindDirectChildrenOnly);
    if (menu == nullptr) {
        menu = new QMenu(box);
        menu->setObjectName(QStringLiteral("CodePopupMenu"));
    }
    menu->clear();
    for (const TCode& item : codes) {
        // "&" would otherwise turn into a shortcut marker and vanish from the caption.
        QString caption = item.name;
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(caption);
        action->setCheckable(true);
        action->setChecked(item.code == box->code());
        action->setData(item.code);
        const int code = item.code;
        const QString name = item.name.trimmed();
        QObject::connect(action, &QAction::triggered, box, [box, code, name, chosen] {
            box->setText(name);
            box->setCode(code);
            if (chosen) chosen(code);
        });
    }
    menu->popup(at);
    return menu;
}

}  // namespace tallwick::ui
