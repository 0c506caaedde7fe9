#include "shell/wheel_to_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace tallwick::ui {

bool WheelToKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
    const auto* wheel = static_cast<QWheelEvent*>(event);
    // Touchpads send many small deltas; only the vertical movement counts, one press per message.
    if (wheel->angleDelta().y() == 0 && wheel->angleDelta().x() != 0) return true;
    QWidget* target = QApplication::focusWidget();
    if (!target) target = qobject_cast<QWidget*>(watched);
    if (!target) return true;
    const int key = wheel->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    return true;
}

}  // namespace tallwick::ui
