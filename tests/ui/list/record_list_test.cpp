// The record list through its real widgets: the model over a database copy, title-click sorting,
// row colours, marks, keys and re-reading.
#include "common/user_error.h"
#include "list/list_cell_style.h"
#include "list/list_sort.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tallwick::ui;

namespace {

constexpr double kFirstCode = 100000000001.0;

// Records with codes kFirstCode + 7 * i, inserted last first so that only the list's own order
// can put them in code order. Names run against the codes.
void InsertRecords(SQLite::Database& db, int count) {
    static const char* const kPlaces[] = {"北京市", "天津市", "河北省", "山西省", "辽宁省",
                                          "上海市", "江苏省", "浙江省", "安徽省", "福建省"};
    static const char* const kKinds[] = {"总工会", "教育工会", "机械冶金工会", "建设工会",
                                         "财贸轻纺烟草工会"};
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO dt_data (c901, c902, c903, c904, c905, c906, c907, "
                             "RecordState) VALUES (?, ?, ?, ?, ?, ?, 1, ?)");
    for (int i = count - 1; i >= 0; --i) {
        insert.bind(1, kFirstCode + 7.0 * i);
        insert.bind(2, std::string(kPlaces[(count - 1 - i) % 10]) + kKinds[i % 5] +
                           std::to_string(count - i));
        insert.bind(3, 110000 + 100 * (i % 17));
        insert.bind(4, 1 + i % 12);
        insert.bind(5, std::string("张") + (i % 2 ? "伟" : "敏"));
        insert.bind(6, "010-6" + std::to_string(1000000 + i));
        insert.bind(7, i % 3);
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

int ColumnOf(const RecordListModel& model, const std::string& showName) {
    const auto& columns = model.Columns();
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].fieldName == showName) return static_cast<int>(c);
    }
    return -1;
}

QString Title(const RecordListModel& model, int column) {
    return model.headerData(column, Qt::Horizontal).toString();
}

bool IsLime(const RecordListModel& model, int column) {
    const QVariant colour = model.headerData(column, Qt::Horizontal, Qt::ForegroundRole);
    return colour.isValid() && colour.value<QColor>() == kSortedTitleColour;
}

std::vector<double> Codes(const RecordListModel& model) {
    std::vector<double> codes;
    for (int row = 0; row < model.RowCount(); ++row) codes.push_back(model.CodeAt(row));
    return codes;
}

}  // namespace

class RecordListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy_;
    std::unique_ptr<RecordListModel> model_;
    std::unique_ptr<RecordListView> view_;
    std::unique_ptr<QAbstractItemModelTester> tester_;

    bool closed_ = false;  // the working database closed, as for compaction or a restore

    SQLite::Database& Db() { return copy_->Db(); }

    // The list as the main window opens it, on `records` records, shown at `size`.
    void Open(int records, QSize size = {900, 400}) {
        InsertRecords(Db(), records);
        model_->Reload();
        view_->resize(size);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }

    QPoint CellCentre(int row, int column) {
        return view_->visualRect(model_->index(row, column)).center();
    }

    void ClickTitle(int column) {
        QHeaderView* header = view_->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, modifiers,
                          CellCentre(row, ColumnOf(*model_, "c902")));
    }

    void DeleteRecord(double code) {
        SQLite::Statement remove(Db(), "DELETE FROM dt_data WHERE c901 = ?");
        remove.bind(1, code);
        remove.exec();
    }

  private slots:
    void init() {
        copy_ = std::make_unique<tallwick::test::DeliveredDatabaseCopy>(
            tallwick::test::WithoutLimitGuards{});  // made-up region and level codes
        closed_ = false;
        model_ = std::make_unique<RecordListModel>([this]() -> SQLite::Database& {
            if (closed_) throw tallwick::UserError("closed for compaction");
            return copy_->Db();
        });
        view_ = std::make_unique<RecordListView>(model_.get());
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model_.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup() {
        tester_.reset();
        view_.reset();
        model_.reset();
        copy_.reset();
    }

    void modelFollowsTheCatalogue() {
        Db().exec("UPDATE DT_FieldList SET Visible=0 WHERE FieldName='c905'");
        Db().exec("UPDATE DT_FieldList SET ShowName='nosuch', Visible=1 WHERE FieldName='c906'");
        Open(5);

        QCOMPARE(model_->columnCount(),
                 Db().execAndGet("SELECT count(*) FROM DT_FieldList").getInt());
        QCOMPARE(model_->RowCount(), 5);
        QCOMPARE(Codes(*model_), (std::vector<double>{kFirstCode, kFirstCode + 7, kFirstCode + 14,
                                                      kFirstCode + 21, kFirstCode + 28}));
        QCOMPARE(model_->RowOfCode(kFirstCode + 14), 2);
        QCOMPARE(model_->RowOfCode(1), -1);

        const int code = ColumnOf(*model_, "c901");
        const int name = ColumnOf(*model_, "c902");
        const int filler = ColumnOf(*model_, "c905");
        const int missing = ColumnOf(*model_, "nosuch");
        const int state = ColumnOf(*model_, "RecordState");
        const int hiddenSurvey = ColumnOf(*model_, "z001");
        QCOMPARE(model_->index(0, code).data().toString(), QStringLiteral("100000000001"));
        QCOMPARE(model_->index(0, name).data().toString(), QStringLiteral("辽宁省总工会5"));
        QCOMPARE(Title(*model_, name), QStringLiteral("本级工会名称"));
        QCOMPARE(model_->headerData(name, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QCOMPARE(model_->index(0, state).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(model_->index(0, name).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
        QCOMPARE(view_->columnWidth(name), 220);

        // Hidden columns exist for the view to hide, but none of their values are read.
        for (const int column : {filler, hiddenSurvey}) {
            QVERIFY(view_->isColumnHidden(column));
            QCOMPARE(model_->index(0, column).data().toString(), QString());
        }
        QVERIFY(!view_->isColumnHidden(missing));
        QCOMPARE(model_->index(0, missing).data().toString(), QString());
        QVERIFY(!(model_->index(0, name).flags() & Qt::ItemIsEditable));

        // A re-read keeps a width the user changed; rebuilding the columns restores the
        // catalogue's.
        view_->setColumnWidth(name, 150);
        model_->Requery();
        QCOMPARE(view_->columnWidth(name), 150);
        QVERIFY(view_->isColumnHidden(filler));
        model_->Reload();
        QCOMPARE(view_->columnWidth(name), 220);
        QCOMPARE(view_->CurrentRow(), 0);
    }

    void titleClicksCycleTheSortAndMoveTheMark() {
        Open(6);
        const int code = ColumnOf(*model_, "c901");
        const int name = ColumnOf(*model_, "c902");
        const QString codeTitle = Title(*model_, code);
        const QString nameTitle = Title(*model_, name);
        const double current = kFirstCode + 14;
        QVERIFY(view_->ReturnToCode(current));

        struct Step {
            bool descending;
            QString mark;
        };
        const Step steps[] = {
            {true, kDescendingMark}, {false, kAscendingMark}, {true, kDescendingMark}};
        for (const Step& step : steps) {
            ClickTitle(code);
            const auto codes = Codes(*model_);
            QVERIFY(step.descending ? std::is_sorted(codes.rbegin(), codes.rend())
                                    : std::is_sorted(codes.begin(), codes.end()));
            QCOMPARE(Title(*model_, code), codeTitle + step.mark);
            QVERIFY(IsLime(*model_, code));
            QCOMPARE(model_->CodeAt(view_->CurrentRow()), current);
        }

        // The mark moves; the state goes on from descending, so the names sort ascending.
        ClickTitle(name);
        QCOMPARE(Title(*model_, code), codeTitle);
        QVERIFY(!IsLime(*model_, code));
        QCOMPARE(Title(*model_, name), nameTitle + kAscendingMark);
        QVERIFY(IsLime(*model_, name));
        QCOMPARE(model_->SortState().state, int(ListSortState::kAscending));
        QCOMPARE(model_->SortState().markedColumn, name);
        QStringList names;
        for (int row = 0; row < model_->RowCount(); ++row) {
            names << model_->index(row, name).data().toString();
        }
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
        QCOMPARE(names, sorted);
        QCOMPARE(model_->CodeAt(view_->CurrentRow()), current);

        // A re-read keeps the order; a new record takes its place in it.
        ClickTitle(name);  // descending
        Db().exec("UPDATE dt_data SET c902='龙' WHERE c901=" + std::to_string(kFirstCode + 35));
        model_->Requery();
        QCOMPARE(model_->index(0, name).data().toString(), QStringLiteral("龙"));

        // Rebuilding the columns clears marks and colours and starts from ascending again.
        model_->Reload();
        QCOMPARE(Title(*model_, name), nameTitle);
        QVERIFY(!IsLime(*model_, name));
        QCOMPARE(model_->CodeAt(0), kFirstCode);
        ClickTitle(code);
        QCOMPARE(model_->CodeAt(0), kFirstCode + 35);
    }

    void rowsAlternateColoursAndSelectionIsHighlighted() {
        Open(4);
        view_->GoToRow(2);
        const QColor highlight = view_->palette().color(QPalette::Active, QPalette::Highlight);
        // The marks stay visible when the list loses the focus.
        QCOMPARE(view_->palette().color(QPalette::Inactive, QPalette::Highlight), highlight);

        const QImage shot = view_->viewport()->grab().toImage();
        const int column = ColumnOf(*model_, "c903");  // short values leave the right part bare
        const QColor expected[] = {QColor(249, 251, 231), QColor(219, 219, 241), highlight,
                                   QColor(219, 219, 241)};
        for (int row = 0; row < 4; ++row) {
            const QRect cell = view_->visualRect(model_->index(row, column));
            const QPoint at(cell.right() - 4, cell.center().y());
            QCOMPARE(shot.pixelColor(at * shot.devicePixelRatio()).name(), expected[row].name());
        }
    }

    void marksAreKeptInTheOrderTheyWereMade() {
        Open(6);
        ClickRow(3);
        ClickRow(0, Qt::ControlModifier);
        ClickRow(5, Qt::ControlModifier);
        QCOMPARE(view_->MarkedRowsInMarkOrder(), (std::vector<int>{3, 0, 5}));
        QCOMPARE(view_->SelectionOrCurrent(), (std::vector<int>{3, 0, 5}));

        ClickRow(0, Qt::ControlModifier);  // unmarks
        QCOMPARE(view_->MarkedRowsInMarkOrder(), (std::vector<int>{3, 5}));

        // The marks follow their records through a sort.
        ClickTitle(ColumnOf(*model_, "c901"));  // descending: row r becomes 5 - r
        QCOMPARE(view_->MarkedRowsInMarkOrder(), (std::vector<int>{2, 0}));

        // One mark or none: the current row is the selection.
        ClickRow(4);
        QCOMPARE(view_->SelectionOrCurrent(), (std::vector<int>{4}));
        ClickRow(4, Qt::ControlModifier);
        QCOMPARE(view_->MarkedRowsInMarkOrder(), std::vector<int>{});
        QCOMPARE(view_->SelectionOrCurrent(), (std::vector<int>{4}));

        ClickRow(1, Qt::ShiftModifier);
        QCOMPARE(view_->MarkedRowsInMarkOrder().size(), size_t(4));
    }

    void keysActOnReleaseAndDoubleClickModifies() {
        Open(3);
        QSignalSpy modify(view_.get(), &RecordListView::modifyRequested);
        QSignalSpy add(view_.get(), &RecordListView::addRequested);
        QSignalSpy remove(view_.get(), &RecordListView::deleteRequested);
        const auto counts = [&] {
            return QList<qsizetype>{modify.size(), add.size(), remove.size()};
        };

        struct Case {
            Qt::Key key;
            QList<qsizetype> after;
        };
        const Case cases[] = {{Qt::Key_Return, {1, 0, 0}},
                              {Qt::Key_Enter, {2, 0, 0}},
                              {Qt::Key_Insert, {2, 1, 0}},
                              {Qt::Key_Delete, {2, 1, 1}},
                              {Qt::Key_A, {2, 1, 1}}};
        for (const Case& c : cases) {
            const auto before = counts();
            QTest::keyPress(view_.get(), c.key);
            QCOMPARE(counts(), before);
            QTest::keyRelease(view_.get(), c.key);
            QCOMPARE(counts(), c.after);
        }

        // A release whose press went elsewhere (the Enter that closed a message box) does nothing.
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Insert, Qt::Key_Delete})
            QTest::keyRelease(view_.get(), key);
        QCOMPARE(counts(), (QList<qsizetype>{2, 1, 1}));

        // Holding a key down repeats its press, not the action.
        QTest::keyPress(view_.get(), Qt::Key_Delete);
        QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(view_.get(), &repeated);
        QCOMPARE(remove.size(), 1);

        QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, CellCentre(1, 0));
        QCOMPARE(modify.size(), 3);
        QCOMPARE(view_->CurrentRow(), 1);
    }

    void requeryReturnsToThePositionOrTheLastRow() {
        Open(5);
        view_->GoToRow(1);
        DeleteRecord(kFirstCode + 7);
        QCOMPARE(view_->RequeryKeepingRow(), 1);
        QCOMPARE(model_->CodeAt(view_->CurrentRow()), kFirstCode + 14);

        view_->GoToRow(3);
        DeleteRecord(kFirstCode + 28);
        QCOMPARE(view_->RequeryKeepingRow(), 2);
        QCOMPARE(view_->CurrentRow(), 2);
        QCOMPARE(view_->SelectionOrCurrent(), std::vector<int>{2});

        Db().exec("DELETE FROM dt_data");
        QCOMPARE(view_->RequeryKeepingRow(), -1);
        QCOMPARE(view_->SelectionOrCurrent(), std::vector<int>{});
        QVERIFY(!view_->ReturnToCode(kFirstCode));
    }

    void requeryKeepingRecordFollowsTheCode() {
        Open(5);
        view_->GoToRow(2);
        const double current = model_->CodeAt(2);
        Db().exec("INSERT INTO dt_data (c901) VALUES (100000000002), (100000000003)");
        QCOMPARE(view_->RequeryKeepingRecord(), 4);
        QCOMPARE(model_->CodeAt(view_->CurrentRow()), current);

        DeleteRecord(current);  // gone: the same position, as a plain re-read
        QCOMPARE(view_->RequeryKeepingRecord(), 4);
        QCOMPARE(model_->CodeAt(4), kFirstCode + 21);
    }

    // The column chooser's save re-reads the list; the user's sort, current row and marks stay,
    // whether the sorted column stays shown or not.
    void newColumnsKeepTheOrderTheCurrentRowAndTheMarks() {
        Open(6);
        const int name = ColumnOf(*model_, "c902");
        ClickTitle(name);  // descending by name, not code order
        ClickRow(1);
        ClickRow(4, Qt::ControlModifier);
        ClickRow(2, Qt::ControlModifier);
        const std::vector<double> order = Codes(*model_);
        const auto markedCodes = [&] {
            std::vector<double> codes;
            for (const int row : view_->MarkedRowsInMarkOrder())
                codes.push_back(model_->CodeAt(row));
            return codes;
        };
        const std::vector<double> marks = markedCodes();
        const double current = model_->CodeAt(view_->CurrentRow());
        const QString title = Title(*model_, name);
        QVERIFY(title.endsWith(kDescendingMark));

        for (const char* hidden : {"c905", "c902"}) {
            SQLite::Statement hide(Db(), "UPDATE DT_FieldList SET Visible = 0 WHERE FieldName = ?");
            hide.bind(1, hidden);
            hide.exec();
            view_->RebuildColumnsKeepingPlace();
            QVERIFY(view_->isColumnHidden(ColumnOf(*model_, hidden)));
            QCOMPARE(Codes(*model_), order);
            QCOMPARE(model_->CodeAt(view_->CurrentRow()), current);
            QCOMPARE(markedCodes(), marks);
        }
        // Shown again, sorted by again, and kept sorted with its mark through the next save.
        Db().exec("UPDATE DT_FieldList SET Visible = 1 WHERE FieldName = 'c902'");
        view_->RebuildColumnsKeepingPlace();
        QCOMPARE(Codes(*model_), order);
        ClickTitle(name);
        ClickTitle(name);
        QVERIFY(Title(*model_, name).endsWith(kAscendingMark));
        Db().exec("UPDATE DT_FieldList SET Visible = 0 WHERE FieldName = 'c906'");
        view_->RebuildColumnsKeepingPlace();
        QVERIFY(Title(*model_, name).endsWith(kAscendingMark));
        QVERIFY(IsLime(*model_, name));
        ClickTitle(name);  // the sort state goes on from where it was: descending
        QVERIFY(Title(*model_, name).endsWith(kDescendingMark));
        QCOMPARE(Codes(*model_), order);
    }

    // Rows are read as they are painted. While the file is closed (a message shown during
    // compaction paints the list behind it) rows not yet read show empty, and read rows stay.
    void rowsPaintedWhileTheDatabaseIsClosedStayEmptyUntilItIsBack() {
        Open(400, {600, 200});
        const int name = ColumnOf(*model_, "c902");
        const QString first = model_->index(0, name).data().toString();
        QVERIFY(!first.isEmpty());
        closed_ = true;
        view_->scrollToBottom();
        QVERIFY(!view_->grab().isNull());
        QCOMPARE(model_->index(399, name).data().toString(), QString());
        QCOMPARE(model_->index(0, name).data().toString(), first);
        closed_ = false;
        QCOMPARE(model_->index(399, name).data().toString(),
                 QStringLiteral("北京市财贸轻纺烟草工会1"));
    }

    // Not a check: a picture of the list to look at, saved beside the tests.
    void screenshot() {
        Open(300, {1100, 640});
        ClickTitle(ColumnOf(*model_, "c902"));
        view_->GoToRow(3);
        ClickRow(5, Qt::ControlModifier);
        const QString file =
            QDir(QCoreApplication::applicationDirPath()).filePath("../record_list.png");
        QVERIFY(view_->grab().save(file));
        qInfo("record list picture: %s", qPrintable(QDir::cleanPath(file)));
    }
};

QTEST_MAIN(RecordListTest)
#include "record_list_test.moc"
