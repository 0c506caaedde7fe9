#include "widgets/code_box.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tallwick::ui {

QLineEdit* NewCodeBox(int maxLength, const QString& objectName) {
    auto* box = new QLineEdit;
    if (!objectName.isEmpty()) box->setObjectName(objectName);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setMaxLength(maxLength);
    return box;
}

}  // namespace tallwick::ui
