#include "shell/group_bar.h"

#include <QAction>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace tallwick::ui {

GroupBar::GroupBar(QWidget* parent) : QToolBox(parent) {
    setMinimumWidth(96);
}

void GroupBar::AddGroup(const QString& title, const QList<QAction*>& actions) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 6, 2, 6);
    layout->setSpacing(6);
    for (QAction* action : actions) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    addItem(scroll, title);
}

}  // namespace tallwick::ui
