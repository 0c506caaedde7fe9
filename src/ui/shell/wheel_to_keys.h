#pragma once

#include <QObject>

namespace tallwick::ui {

// Installed on the application: every wheel notch becomes an Up (away from the user) or Down
// key press for the focused widget, so lists move one row and the entry form one field.
class WheelToKeys : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tallwick::ui
