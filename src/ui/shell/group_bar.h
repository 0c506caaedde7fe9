#pragma once

#include <QList>
#include <QString>
#include <QToolBox>

class QAction;

namespace tallwick::ui {

// The resizable bar of collapsible command groups on the left of the main window: one group
// open at a time, each command a large icon with its caption under it.
class GroupBar : public QToolBox {
    Q_OBJECT
  public:
    explicit GroupBar(QWidget* parent = nullptr);
    void AddGroup(const QString& title, const QList<QAction*>& actions);
};

}  // namespace tallwick::ui
