#pragma once

#include <QAction>
#include <QObject>

namespace tallwick::ui {

// Every command of the main window, with its caption; the group bar, the menus and the list's
// pop-up menu all offer these same objects, so a caption or an enable state is one thing.
struct MainActions {
    explicit MainActions(QObject* owner);

    QAction* addNew;
    QAction* modify;
    QAction* remove;  // actDelete
    QAction* check;
    QAction* conditionSearch;
    QAction* sum;
    QAction* group;
    QAction* saveList;
    QAction* print;
    QAction* fastImport;
    QAction* backup;
    QAction* exportOffline;  // actExport
    QAction* exportNetwork;  // "上报到网络版"
    QAction* compress;
    QAction* restore;  // "恢复备份": a safety copy or backup replaces the working database
    QAction* importHistory;  // "导入记录"
    QAction* options;
    QAction* recordGrid;
    QAction* locate;
    QAction* search;
    QAction* checkSelected;
    QAction* about;
    QAction* quit;  // "退出"
};

}  // namespace tallwick::ui
