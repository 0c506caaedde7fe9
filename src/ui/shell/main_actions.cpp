#include "shell/main_actions.h"

#include "widgets/drawn_icon.h"

namespace tallwick::ui {
namespace {

// An empty glyph makes a text-only command (the top-level menu items).
QAction* Make(QObject* owner, const char* name, const QString& caption, const QString& glyph = {},
              const QColor& colour = {}) {
    auto* action = glyph.isEmpty() ? new QAction(caption, owner)
                                   : new QAction(DrawnIcon(glyph, colour), caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

MainActions::MainActions(QObject* owner)
    : addNew(Make(owner, "actAddNew", QStringLiteral("添加新记录"), QStringLiteral("增"),
                  QColor(46, 139, 87))),
      modify(Make(owner, "actModify", QStringLiteral("修改选中的记录"), QStringLiteral("改"),
                  QColor(30, 110, 180))),
      remove(Make(owner, "actDelete", QStringLiteral("删除记录"), QStringLiteral("删"),
                  QColor(190, 60, 50))),
      check(Make(owner, "actCheck", QStringLiteral("检查数据的逻辑"), QStringLiteral("查"),
                 QColor(200, 130, 20))),
      conditionSearch(Make(owner, "actConditionSearch", QStringLiteral("指标查询"),
                           QStringLiteral("询"), QColor(90, 90, 170))),
      sum(Make(owner, "actSum", QStringLiteral("数据汇总"), QStringLiteral("汇"),
               QColor(20, 140, 140))),
      group(Make(owner, "actGroup", QStringLiteral("数据分组"), QStringLiteral("组"),
                 QColor(120, 80, 160))),
      saveList(Make(owner, "actSaveList", QStringLiteral("导出数据列表"), QStringLiteral("表"),
                    QColor(60, 130, 60))),
      print(Make(owner, "actPrint", QStringLiteral("打印选中记录的年报表"), QStringLiteral("印"),
                 QColor(100, 100, 100))),
      fastImport(Make(owner, "actFastImport", QStringLiteral("数据导入"), QStringLiteral("入"),
                      QColor(40, 120, 170))),
      backup(Make(owner, "actBackup", QStringLiteral("数据备份"), QStringLiteral("备"),
                  QColor(150, 110, 40))),
      exportOffline(Make(owner, "actExport", QStringLiteral("上报到离线版"), QStringLiteral("离"),
                         QColor(170, 70, 110))),
      exportNetwork(Make(owner, "actExportNetwork", QStringLiteral("上报到网络版"),
                         QStringLiteral("网"), QColor(50, 100, 190))),
      compress(Make(owner, "actCompress", QStringLiteral("压缩数据库文件"), QStringLiteral("压"),
                    QColor(110, 110, 60))),
      restore(Make(owner, "actRestore", QStringLiteral("恢复备份"), QStringLiteral("恢"),
                   QColor(60, 110, 90))),
      importHistory(Make(owner, "actImportHistory", QStringLiteral("导入记录"),
                         QStringLiteral("录"), QColor(40, 120, 170))),
      options(Make(owner, "actOptions", QStringLiteral("参数设置"), QStringLiteral("设"),
                   QColor(80, 120, 140))),
      recordGrid(Make(owner, "actRecordGrid", QStringLiteral("自定义列表显示"),
                      QStringLiteral("列"), QColor(140, 90, 60))),
      locate(Make(owner, "actLocate", QStringLiteral("按条件查找定位数据"), QStringLiteral("定"),
                  QColor(70, 70, 150))),
      search(Make(owner, "actSearch", QStringLiteral("按编号范围查找数据"), QStringLiteral("号"),
                  QColor(70, 120, 150))),
      checkSelected(Make(owner, "actCheckSelected", QStringLiteral("检查选中数据的逻辑"),
                         QStringLiteral("验"), QColor(200, 130, 20))),
      about(Make(owner, "actAbout", QStringLiteral("关于"))),
      quit(Make(owner, "actExit", QStringLiteral("退出"))) {}

}  // namespace tallwick::ui
