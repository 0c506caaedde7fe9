// The query result list over a real database: its rows for stored-field and dt_data1 conditions,
// the count, sorting, deleting, both exports and the entry window walking the result.
#include "query/query_result_list.h"

#include "common/user_error.h"
#include "entry/entry_number_box.h"
#include "entry/entry_window.h"
#include "list/list_sort.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "sheet_python_reader.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/question_dialog.h"

#include <SQLiteCpp/Statement.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace tallwick::ui;

namespace {

constexpr double kFirstCode = 100000000001.0;

struct Row {
    const char* name;
    int z001;
    int y005;
};

// Codes kFirstCode + index.
constexpr Row kRows[] = {
    {"甲工会", 5, 0}, {"乙工会", 10, 3}, {"丙工会", 49, 0}, {"丁工会", 50, 7}, {"戊工会", 20, 1}};

}  // namespace

class QueryResultListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<EntryWindow> entry_;
    std::unique_ptr<QueryResultList> list_;
    QStringList messages_;
    QStringList questions_;

    SQLite::Database& Db() { return copy_->Db(); }
    int Count(const std::string& sql) { return Db().execAndGet(sql).getInt(); }

    std::vector<double> ListedCodes() {
        std::vector<double> codes;
        for (int row = 0; row < list_->model()->RowCount(); ++row)
            codes.push_back(list_->model()->CodeAt(row) - kFirstCode);
        return codes;
    }

    int ColumnOf(const char* fieldName) {
        const auto& columns = list_->model()->Columns();
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c].fieldName == fieldName) return static_cast<int>(c);
        return -1;
    }

  private slots:
    void init() {
        copy_ = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        SQLite::Statement record(Db(), "INSERT INTO dt_data (c901, c902, z001) VALUES (?, ?, ?)");
        SQLite::Statement second(Db(), "INSERT INTO dt_data1 (c901, y005) VALUES (?, ?)");
        for (int i = 0; i < 5; ++i) {
            record.bind(1, kFirstCode + i);
            record.bind(2, kRows[i].name);
            record.bind(3, kRows[i].z001);
            record.exec();
            record.reset();
            second.bind(1, kFirstCode + i);
            second.bind(2, kRows[i].y005);
            second.exec();
            second.reset();
        }
        registry_ = std::make_unique<Registry>(
            QString::fromStdString((copy_->Folder() / "settings.ini").string()));
        entry_ =
            std::make_unique<EntryWindow>([this]() -> SQLite::Database& { return Db(); },
                                          *registry_, QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
        list_ = std::make_unique<QueryResultList>([this]() -> SQLite::Database& { return Db(); },
                                                  *entry_, nullptr);
        messages_.clear();
        questions_.clear();
        Prompts().message = [this](const QString& text) { messages_ << text; };
        list_->ask = [this](const QString& text, int) {
            questions_ << text;
            return static_cast<int>(kAnswerYes);
        };
    }

    void cleanup() {
        list_.reset();
        entry_.reset();
        Prompts() = {};
    }

    void conditionsListTheirRecordsInCodeOrder() {
        struct Case {
            const char* condition;
            std::vector<double> codes;  // offsets from the first code
        };
        const Case cases[] = {
            {"where z001>=10 and z001<50", {1, 2, 4}},
            {"where y005>0", {1, 3, 4}},
            {"where z001>1000", {}},
        };
        for (const Case& c : cases) {
            list_->SetCondition(c.condition);
            QCOMPARE(ListedCodes(), c.codes);
            QCOMPARE(list_->countLabel()->text(), QString::number(c.codes.size()));
        }
        QCOMPARE(list_->windowTitle(), QStringLiteral("查询结果列表"));
        QCOMPARE(list_->size(), QSize(915, 412));
    }

    void firstColumnCarriesTheAscendingMarkInGreen() {
        list_->SetCondition("where z001>=10");
        RecordListModel& model = *list_->model();
        const int first = ColumnOf("c901");
        QCOMPARE(model.headerData(first, Qt::Horizontal).toString(),
                 QStringLiteral("本级工会统计编码▲"));
        QCOMPARE(model.headerData(first, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
                 kSortedTitleColour);
        // The first click on the marked column turns the order round.
        SortByColumn(model, first, model.SortState());
        QCOMPARE(ListedCodes(), (std::vector<double>{4, 3, 2, 1}));
        QCOMPARE(model.headerData(first, Qt::Horizontal).toString(),
                 QStringLiteral("本级工会统计编码▼"));
        list_->show();
        QVERIFY(list_->grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/query_result_list.png")));
    }

    void aConditionTheEngineRejectsFailsAndKeepsTheList() {
        list_->SetCondition("where z001>=10");
        try {
            list_->SetCondition("where nosuchfield>1");
            QFAIL("no error");
        } catch (const tallwick::UserError& error) {
            QVERIFY(QString::fromUtf8(error.what()).contains(QStringLiteral("nosuchfield")));
        }
        QCOMPARE(ListedCodes(), (std::vector<double>{1, 2, 3, 4}));
    }

    void anEmptyResultOpensAndDeletesNothing() {
        list_->SetCondition("where z001>1000");
        QCOMPARE(list_->countLabel()->text(), QStringLiteral("0"));
        list_->OpenCurrent();
        list_->DeleteSelected();
        QVERIFY(questions_.isEmpty());
        QVERIFY(!entry_->isVisible());
        list_->SaveAsWorkbook();
        list_->SaveAsDatabase();
        QCOMPARE(messages_,
                 (QStringList{QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"),
                              QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！")}));
    }

    void deletingRemovesTheRecordFromBothTablesAndRecounts() {
        list_->SetCondition("where y005>0");
        list_->grid()->GoToRow(1);  // code 3
        list_->DeleteSelected();
        QCOMPARE(questions_.size(), 1);
        QCOMPARE(ListedCodes(), (std::vector<double>{1, 4}));
        QCOMPARE(list_->countLabel()->text(), QStringLiteral("2"));
        QCOMPARE(Count("SELECT count(*) FROM dt_data WHERE c901=100000000004"), 0);
        QCOMPARE(Count("SELECT count(*) FROM dt_data1 WHERE c901=100000000004"), 0);
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 4);
    }

    void theWorkbookFollowsTheShownOrderWithoutSortMarks() {
        list_->SetCondition("where z001>=10 and z001<50");
        RecordListModel& model = *list_->model();
        const int name = ColumnOf("c902");
        SortByColumn(model, name, model.SortState());  // the first click sorts descending
        QVERIFY(model.headerData(name, Qt::Horizontal).toString().endsWith(QStringLiteral("▼")));

        tallwick::test::TempFolder folder;
        const QString chosen = QString::fromStdString((folder.Path() / "result").string());
        QString filter;
        list_->askFileName = [&](const QString& f, const QString&, const QString&) {
            filter = f;
            return chosen;
        };
        list_->SaveAsWorkbook();
        QCOMPARE(filter, QStringLiteral("Excel 文件(*.xlsx)"));
        const auto book = tallwick::test::ReadWithOpenpyxl(folder.Path() / "result.xlsx");
        const std::string sheet = "Tallwick查询结果";
        QCOMPARE(book.Cell(sheet, "A3"), std::string("本级工会统计编码"));
        QCOMPARE(book.Cell(sheet, "B3"), std::string("本级工会名称"));
        // Descending by code point: 戊 U+620A, 乙 U+4E59, 丙 U+4E19.
        QCOMPARE(book.Cell(sheet, "B5"), std::string("戊工会"));
        QCOMPARE(book.Cell(sheet, "B6"), std::string("乙工会"));
        QCOMPARE(book.Cell(sheet, "B7"), std::string("丙工会"));
        QCOMPARE(book.Cell(sheet, "B8"), std::string());
        QVERIFY(messages_.last().startsWith(QStringLiteral("Excel文件已经正确导出到：'")));
    }

    void theDatabaseFileHoldsTheDetailRowsOfBothTables() {
        list_->SetCondition("where y005>0");
        tallwick::test::TempFolder folder;
        list_->askFileName = [&](const QString& filter, const QString& suggested,
                                 const QString& extension) {
            if (filter != QStringLiteral("Access文件(*.mdb)") ||
                extension != QStringLiteral(".mdb") ||
                !suggested.startsWith(QStringLiteral("Tallwick查询结果-")))
                return QString();
            return QString::fromStdString((folder.Path() / "result").string());
        };
        list_->SaveAsDatabase();
        SQLite::Database out((folder.Path() / "result.mdb").string());
        QCOMPARE(
            out.execAndGet("SELECT group_concat(c902, ',') FROM \"Tallwick查询结果\"").getString(),
            std::string("乙工会,丁工会,戊工会"));
        QCOMPARE(out.execAndGet("SELECT sum(y005) FROM \"Tallwick查询结果1\"").getInt(), 11);
        QVERIFY(messages_.last().startsWith(QStringLiteral("Access文件已经正确导出到：'")));
    }

    void theEntryWindowWalksTheResult() {
        list_->SetCondition("where z001>=10 and z001<50");
        list_->grid()->GoToRow(1);
        QString position;
        QString name;
        QTimer::singleShot(0, entry_.get(), [this, &position, &name] {
            position = entry_->ItemNo()->text();
            name = entry_->findChild<QLineEdit*>(QStringLiteral("c902"))->text();
            entry_->Button(QStringLiteral("tbReturn"))->click();
        });
        list_->OpenCurrent();
        QCOMPARE(name, QStringLiteral("丙工会"));
        QCOMPARE(position, QStringLiteral("第2条/共3条"));
        QCOMPARE(list_->grid()->CurrentRow(), 1);
    }

    void aRecordSavedOutOfTheResultLeavesTheList() {
        Db().exec(
            "UPDATE dt_data SET c903=110101, c904=1, c905='张三', c906='010-12345678', c907=1 "
            "WHERE c901=100000000003");
        list_->SetCondition("where z001>=10 and z001<50");
        list_->grid()->GoToRow(1);  // code 3, z001 49
        bool saved = false;
        QTimer::singleShot(0, entry_.get(), [this, &saved] {
            qobject_cast<EntryNumberBox*>(entry_->Field(QStringLiteral("z001")))->setValue(5);
            saved = entry_->Save();
            entry_->Button(QStringLiteral("tbReturn"))->click();
        });
        list_->OpenCurrent();
        QVERIFY(saved);
        QCOMPARE(Count("SELECT z001 FROM dt_data WHERE c901=100000000003"), 5);
        QCOMPARE(ListedCodes(), (std::vector<double>{1, 4}));
        QCOMPARE(list_->countLabel()->text(), QStringLiteral("2"));
    }
};

QTEST_MAIN(QueryResultListTest)
#include "query_result_list_test.moc"
