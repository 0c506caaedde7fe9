// The grouping list and the item editor: their rules, messages, enabling and the stored order.
#include "summary/group_item_dialog.h"
#include "summary/group_list_dialog.h"
#include "summary/groupings.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tallwick::ui;
namespace summary = tallwick::summary;

class GroupingsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    QStringList messages;
    QStringList questions;
    bool answer = true;

    SQLite::Database& Db() { return copy->Db(); }

    std::int64_t Grouping(const std::string& name, const std::vector<std::string>& titles = {}) {
        const auto id = summary::AddGrouping(Db(), name);
        std::int64_t low = 100;
        for (const auto& title : titles) {
            summary::GroupItemRow item;
            item.title = title;
            item.low = low;
            item.high = low + 100;
            low += 100;
            summary::AddGroupItem(Db(), id, item);
        }
        return id;
    }

    std::function<bool(const QString&)> Answering() {
        return [this](const QString& text) {
            questions << text;
            return answer;
        };
    }

    static void Fill(GroupItemDialog& dialog, const QString& name, const QString& low,
                     const QString& high) {
        dialog.nameBox()->setText(name);
        dialog.lowBox()->setText(low);
        dialog.highBox()->setText(high);
    }

    static QStringList Column(const QTableWidget* grid, int column) {
        QStringList texts;
        for (int row = 0; row < grid->rowCount(); ++row) texts << grid->item(row, column)->text();
        return texts;
    }

    std::string OrderOf(std::int64_t id) { return summary::FindGrouping(Db(), id)->orderStr; }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        messages.clear();
        questions.clear();
        answer = true;
        Prompts().message = [this](const QString& text) { messages << text; };
    }
    void cleanup() { Prompts() = {}; }

    void addingAGroupingOpensTheEditorForIt() {
        GroupListDialog dialog(Db(), copy->Folder());
        QVERIFY(!dialog.removeButton()->isEnabled());
        QVERIFY(!dialog.modifyButton()->isEnabled());
        QStringList edited;
        dialog.editGrouping = [&](std::int64_t id, const QString& name) {
            edited << name;
            QCOMPARE(OrderOf(id), std::string("id ASC"));
        };
        dialog.askName = [] { return std::optional<QString>(QStringLiteral("按规模")); };
        dialog.AddGrouping();
        QCOMPARE(edited, QStringList{QStringLiteral("按规模")});
        QCOMPARE(dialog.grid()->rowCount(), 1);
        QVERIFY(dialog.removeButton()->isEnabled());
        QVERIFY(dialog.modifyButton()->isEnabled());

        dialog.askName = [] { return std::nullopt; };
        dialog.AddGrouping();
        QCOMPARE(edited.size(), 1);
        QCOMPARE(dialog.grid()->rowCount(), 1);
    }

    void deletingAGroupingAsksOnceAndTakesItsItems() {
        Grouping("kept", {"c"});
        const auto gone = Grouping("gone", {"a", "b"});
        GroupListDialog dialog(Db(), copy->Folder());
        dialog.confirmDelete = Answering();
        dialog.grid()->setCurrentCell(1, 0);

        answer = false;
        dialog.RemoveGrouping();
        QCOMPARE(dialog.grid()->rowCount(), 2);

        answer = true;
        dialog.RemoveGrouping();
        QCOMPARE(questions, QStringList(2, QStringLiteral("数据将被彻底删除，确认么？")));
        QCOMPARE(Column(dialog.grid(), 0), QStringList{QStringLiteral("kept")});
        QVERIFY(summary::ListGroupItems(Db(), gone).empty());
        QCOMPARE(Db().execAndGet("SELECT count(*) FROM DT_GroupItem").getInt(), 1);

        dialog.grid()->setCurrentCell(0, 0);
        dialog.RemoveGrouping();
        QVERIFY(!dialog.removeButton()->isEnabled());
        QVERIFY(!dialog.modifyButton()->isEnabled());
    }

    void exportedGroupingsComeBackThroughImport() {
        Grouping("按规模", {"小", "大"});
        TProgressBarForm progress;
        GroupListDialog dialog(Db(), copy->Folder(), &progress);
        const QString file = QDir(QString::fromStdString(copy->Folder().string()))
                                 .filePath(QStringLiteral("groups.mdb"));
        dialog.askExportFile = [&] { return file; };
        dialog.askImportFile = [&] { return file; };
        // While a transfer runs: the progress window counts the tables, no button can be pressed.
        QStringList seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!progress.isVisible()) return;
            bool pressable = false;
            for (const QPushButton* button : dialog.findChildren<QPushButton*>())
                pressable = pressable || button->isEnabled();
            seen << QStringLiteral("%1 tables, %2")
                        .arg(progress.Total())
                        .arg(pressable ? QStringLiteral("buttons enabled")
                                       : QStringLiteral("buttons disabled"));
        });
        watch.start(0);
        dialog.ExportGroupings();
        QCOMPARE(messages, QStringList{QStringLiteral("数据已经被正确导出到：'") + file +
                                       QStringLiteral("'！")});
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen, QStringList(seen.size(), QStringLiteral("2 tables, buttons disabled")));
        QVERIFY(!progress.isVisible());
        QVERIFY(dialog.modifyButton()->isEnabled());
        seen.clear();

        Db().exec("DELETE FROM ct_group");
        dialog.Reload();
        QVERIFY(!dialog.modifyButton()->isEnabled());
        messages.clear();
        dialog.ImportGroupings();
        QCOMPARE(messages, QStringList{QStringLiteral("数据分组导入操作完成！")});
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen, QStringList(seen.size(), QStringLiteral("2 tables, buttons disabled")));
        QCOMPARE(Column(dialog.grid(), 0), QStringList{QStringLiteral("按规模")});
        QVERIFY(dialog.modifyButton()->isEnabled());

        messages.clear();
        dialog.askImportFile = [] { return QStringLiteral("/nonexistent/groups.mdb"); };
        dialog.ImportGroupings();
        QCOMPARE(messages, QStringList{QStringLiteral("您选择的文件并不存在，请选择其它文件。")});
    }

    void saveFollowsTheGroupNameAndRenames() {
        const auto id = Grouping("旧名");
        int refreshed = 0;
        GroupItemDialog dialog(Db(), id, QStringLiteral("旧名"), [&] { ++refreshed; });
        QVERIFY(!dialog.saveButton()->isEnabled());
        dialog.groupNameBox()->setText(QString());
        QVERIFY(!dialog.saveButton()->isEnabled());
        dialog.groupNameBox()->setText(QStringLiteral("O'新名"));
        QVERIFY(dialog.saveButton()->isEnabled());
        dialog.saveButton()->click();
        QCOMPARE(summary::FindGrouping(Db(), id)->name, std::string("O'新名"));
        QCOMPARE(refreshed, 1);
    }

    void newItemsUseTheDefaultSymbolsAndKeepTheirOrder() {
        const auto id = Grouping("g");
        GroupItemDialog dialog(Db(), id, QStringLiteral("g"), {});
        QCOMPARE(dialog.lowSymbolBox()->currentText(), QStringLiteral(">="));
        QCOMPARE(dialog.highSymbolBox()->currentText(), QStringLiteral("<"));
        QVERIFY(!dialog.addButton()->isEnabled());
        Fill(dialog, QStringLiteral("乙"), QStringLiteral("300"), QStringLiteral("400"));
        QVERIFY(dialog.addButton()->isEnabled());
        QVERIFY(!dialog.modifyButton()->isEnabled());  // nothing to change yet
        dialog.addButton()->click();
        Fill(dialog, QStringLiteral("甲"), QStringLiteral("100"), QStringLiteral("200"));
        dialog.addButton()->click();
        QCOMPARE(Column(dialog.grid(), 0),
                 (QStringList{QStringLiteral("乙"), QStringLiteral("甲")}));
        QCOMPARE(Column(dialog.grid(), 1),
                 (QStringList{QStringLiteral(">=300"), QStringLiteral(">=100")}));
        QCOMPARE(Column(dialog.grid(), 2),
                 (QStringList{QStringLiteral("<400"), QStringLiteral("<200")}));
        QVERIFY(dialog.modifyButton()->isEnabled());
        QVERIFY(dialog.removeButton()->isEnabled());
        QVERIFY(messages.isEmpty());
    }

    void refusedItemsShowWhyAndStoreNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lowSymbol");
        QTest::addColumn<QString>("highSymbol");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("message");
        const QString noName = QStringLiteral("必须输入本组数据的名称！");
        const QString bounds = QStringLiteral("上限必须大于下限！");
        QTest::newRow("no name") << ""
                                 << ">="
                                 << "<"
                                 << "1"
                                 << "2" << noName;
        QTest::newRow("equal, >= <") << "a"
                                     << ">="
                                     << "<"
                                     << "5"
                                     << "5" << bounds;
        QTest::newRow("equal, > <=") << "a"
                                     << ">"
                                     << "<="
                                     << "5"
                                     << "5" << bounds;
        QTest::newRow("equal, >= <=") << "a"
                                      << ">="
                                      << "<="
                                      << "5"
                                      << "5" << bounds;
        QTest::newRow("reversed") << "a"
                                  << ">"
                                  << "<"
                                  << "6"
                                  << "5" << bounds;
        QTest::newRow("both empty") << "a"
                                    << ">="
                                    << "<"
                                    << ""
                                    << "" << bounds;
    }
    void refusedItemsShowWhyAndStoreNothing() {
        QFETCH(QString, name);
        QFETCH(QString, lowSymbol);
        QFETCH(QString, highSymbol);
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, message);
        const auto id = Grouping("g", {"kept"});
        GroupItemDialog dialog(Db(), id, QStringLiteral("g"), {});
        Fill(dialog, name, low, high);
        dialog.lowSymbolBox()->setCurrentText(lowSymbol);
        dialog.highSymbolBox()->setCurrentText(highSymbol);
        QVERIFY(!dialog.addButton()->isEnabled());
        QVERIFY(!dialog.modifyButton()->isEnabled());
        dialog.AddItem();
        dialog.grid()->setCurrentCell(0, 0);
        Fill(dialog, name, low, high);
        dialog.ModifyItem();
        QCOMPARE(messages, QStringList(2, message));
        QCOMPARE(Column(dialog.grid(), 0), QStringList{QStringLiteral("kept")});
        QCOMPARE(Column(dialog.grid(), 2), QStringList{QStringLiteral("<200")});
    }

    void choosingARowLoadsItAndModifyChangesIt() {
        const auto id = Grouping("g", {"a", "b"});
        Db().exec("UPDATE DT_GroupItem SET LowSymbol = '>', HighSymbol = '<=' WHERE Title = 'b'");
        GroupItemDialog dialog(Db(), id, QStringLiteral("g"), {});
        QVERIFY(dialog.modifyButton()->isEnabled());
        dialog.grid()->setFocus();
        dialog.grid()->setCurrentCell(0, 0);
        QTest::keyClick(dialog.grid(), Qt::Key_Down);
        QCOMPARE(dialog.nameBox()->text(), QStringLiteral("b"));
        QCOMPARE(dialog.lowSymbolBox()->currentText(), QStringLiteral(">"));
        QCOMPARE(dialog.lowBox()->text(), QStringLiteral("200"));
        QCOMPARE(dialog.highSymbolBox()->currentText(), QStringLiteral("<="));
        QCOMPARE(dialog.highBox()->text(), QStringLiteral("300"));

        dialog.highBox()->setText(QStringLiteral("350"));
        dialog.modifyButton()->click();
        QCOMPARE(Column(dialog.grid(), 2),
                 (QStringList{QStringLiteral("<200"), QStringLiteral("<=350")}));
        QCOMPARE(dialog.grid()->currentRow(), 1);
    }

    void deleteKeyAsksAndRemovesTheCurrentItem() {
        const auto id = Grouping("g", {"a", "b"});
        GroupItemDialog dialog(Db(), id, QStringLiteral("g"), {});
        dialog.confirmDelete = Answering();
        dialog.grid()->setCurrentCell(0, 0);
        answer = false;
        QTest::keyClick(dialog.grid(), Qt::Key_Delete);
        QCOMPARE(dialog.grid()->rowCount(), 2);
        answer = true;
        QTest::keyClick(dialog.grid(), Qt::Key_Delete);
        QCOMPARE(questions, QStringList(2, QStringLiteral("数据将被彻底删除，确认么？")));
        QCOMPARE(Column(dialog.grid(), 0), QStringList{QStringLiteral("b")});
        dialog.RemoveItem();
        QCOMPARE(dialog.grid()->rowCount(), 0);
        QVERIFY(!dialog.removeButton()->isEnabled());
    }

    void columnTitleClicksSortAndStoreTheOrder() {
        const auto id = Grouping("g", {"a", "b", "c"});
        GroupItemDialog dialog(Db(), id, QStringLiteral("g"), {});
        QHeaderView* header = dialog.grid()->horizontalHeader();
        const auto title = [&](int column) {
            return dialog.grid()->horizontalHeaderItem(column)->text();
        };
        emit header->sectionClicked(1);
        QCOMPARE(title(1), QStringLiteral("编号下限▼"));
        QCOMPARE(OrderOf(id), std::string("LowValue DESC"));
        QCOMPARE(Column(dialog.grid(), 0),
                 (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
        emit header->sectionClicked(1);
        QCOMPARE(title(1), QStringLiteral("编号下限▲"));
        QCOMPARE(OrderOf(id), std::string("LowValue ASC"));
        QCOMPARE(Column(dialog.grid(), 0),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));

        emit header->sectionClicked(0);
        QCOMPARE(title(1), QStringLiteral("编号下限"));
        QVERIFY(!dialog.grid()->horizontalHeaderItem(1)->data(Qt::ForegroundRole).isValid());
        QCOMPARE(title(0), QStringLiteral("数据项目名称▼"));
        QCOMPARE(OrderOf(id), std::string("title DESC"));
    }

    void screenshots() {
        const auto id = Grouping("按单位编号", {"一段", "二段", "三段"});
        Grouping("按规模");
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        GroupListDialog list(Db(), copy->Folder());
        list.show();
        QVERIFY(list.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/group_list.png")));
        GroupItemDialog editor(Db(), id, QStringLiteral("按单位编号"), {});
        editor.show();
        emit editor.grid()->horizontalHeader()->sectionClicked(1);
        editor.grid()->setCurrentCell(1, 0);
        QVERIFY(
            editor.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/group_items.png")));
    }
};

QTEST_MAIN(GroupingsDialogTest)
#include "groupings_dialog_test.moc"
