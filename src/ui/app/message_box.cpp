#include "message_box.h"

#include <QMessageBox>

namespace tallwick::ui {

void ShowMessage(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallwick"), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace tallwick::ui
