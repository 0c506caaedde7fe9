#pragma once

#include <QString>

class QLineEdit;

namespace tallwick::ui {

// A box for a unit code or a bound of a code range: digits only, at most maxLength of them.
// Every dialog that asks for a code builds it here, so they all accept the same input.
QLineEdit* NewCodeBox(int maxLength, const QString& objectName = {});

// The code range boxes of the deletion and check dialogs.
inline constexpr int kCodeRangeBoxLength = 14;

}  // namespace tallwick::ui
