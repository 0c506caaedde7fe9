#include "summary/summary_workbook.h"

#include "common/user_error.h"
#include "sheet/workbook.h"
#include "summary/grouping_statements.h"
#include "summary/groupings.h"
#include "summary/summary_queries.h"

#include <SQLiteCpp/Statement.h>

#include <optional>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace tallwick::summary {
namespace {

constexpr int kFirstGroupRow = 10;
constexpr int kTotalRow = 8;

const char* Label(Grouping grouping) {
    switch (grouping) {
        case Grouping::Level:
            return "工会层次";
        case Grouping::State:
            return "填报状态";
        case Grouping::Custom:
            break;
    }
    return "分    组";
}

// The label goes below whatever heading text column A already holds.
void PlaceLabel(sheet::Worksheet& target, Grouping grouping) {
    const int row = !target.ReadText(3, 1).empty() ? 4 : !target.ReadText(2, 1).empty() ? 3 : 2;
    target.WriteText(row, 1, Label(grouping));
}

void WriteValue(sheet::Worksheet& target, int column, const SQLite::Column& value) {
    if (value.isInteger() || value.isFloat()) {
        target.WriteNumber(kFirstGroupRow, column, value.getDouble());
    } else {
        target.WriteText(kFirstGroupRow, column,
                         value.isNull() ? std::string() : value.getString());
    }
}

// Writes the group rows of one sheet: each row goes into row 10 and pushes the rows written
// before it down, and every cell written advances the progress.
class SheetFiller {
  public:
    SheetFiller(sheet::Worksheet target, SummaryProgressState& state,
                const SummaryProgress& progress)
        : target_(target), state_(state), progress_(progress) {}

    void Begin(std::uint64_t cells) {
        state_.cellsDone = 0;
        state_.cellsTotal = cells;
        Report();
    }

    // Column 0 is the group's name, column 1 its code or position, then the aggregates.
    void WriteRow(std::size_t position, SQLite::Statement& row) {
        if (position > 1) target_.InsertRowAbove(kFirstGroupRow);
        WriteValue(target_, 1, row.getColumn(0));
        for (int k = 2; k < row.getColumnCount(); ++k) {
            WriteValue(target_, k, row.getColumn(k));
            ++state_.cellsDone;
            Report();
        }
    }

    sheet::Worksheet& Target() { return target_; }

  private:
    void Report() {
        if (progress_) progress_(state_);
    }

    sheet::Worksheet target_;
    SummaryProgressState& state_;
    const SummaryProgress& progress_;
};

std::uint64_t CountRows(SQLite::Database& db, const char* table) {
    SQLite::Statement count(db, std::string("select count(*) from ") + table);
    count.executeStep();
    return static_cast<std::uint64_t>(count.getColumn(0).getInt64());
}

double WholeAverage(SQLite::Database& db, const char* statement) {
    SQLite::Statement query(db, statement);
    return query.executeStep() && !query.getColumn(0).isNull() ? query.getColumn(0).getDouble() : 0;
}

// The sums of every dt_data sheet by level or state, computed in one pass over the records into
// a temporary table: reading 100,000 wide rows once instead of once per sheet.
class CombinedSums {
  public:
    CombinedSums(SQLite::Database& db, Grouping grouping,
                 const std::array<bool, kWorkbookSheets>& sheets)
        : db_(db),
          column_(grouping == Grouping::Level ? "c904" : "c907"),
          codeTable_(grouping == Grouping::Level ? "CT_LevelCode" : "ct_state") {
        std::string aggregates;
        for (int number = 2; number <= 26; ++number) {
            if (!sheets[static_cast<std::size_t>(number - 1)]) continue;
            aggregates += "," + SheetNumber(number).aggregates;
        }
        db_.exec("DROP TABLE IF EXISTS temp.summary_sums");
        if (aggregates.empty()) return;
        db_.exec("CREATE TEMP TABLE summary_sums AS SELECT " + column_ + aggregates +
                 " FROM dt_data WHERE c901>0 GROUP BY " + column_);
        ready_ = true;
    }
    ~CombinedSums() {
        try {
            db_.exec("DROP TABLE IF EXISTS temp.summary_sums");
        } catch (...) {
        }
    }
    CombinedSums(const CombinedSums&) = delete;
    CombinedSums& operator=(const CombinedSums&) = delete;

    // The statement of one sheet in the shape of LevelStatement / StateStatement; empty for the
    // sheet that also reads dt_data1.
    std::string SheetStatement(int number) const {
        if (!ready_ || number == 27) return {};
        std::string columns;
        for (const std::string& alias : SheetNumber(number).aliases)
            columns += ",sum_table." + alias;
        return "select code.name,sum_table." + column_ + columns + " from " + codeTable_ +
               " code left join temp.summary_sums sum_table on code.id = sum_table." + column_ +
               " order by code.sequence desc";
    }

  private:
    SQLite::Database& db_;
    std::string column_;
    std::string codeTable_;
    bool ready_ = false;
};

void FillByCode(SQLite::Database& db, SheetFiller& filler, int number, Grouping grouping,
                const CombinedSums& sums) {
    const bool level = grouping == Grouping::Level;
    const auto columns = static_cast<std::uint64_t>(SheetNumber(number).aliases.size());
    filler.Begin(CountRows(db, level ? "CT_LevelCode" : "ct_state") * columns);

    std::string statement = sums.SheetStatement(number);
    if (statement.empty()) statement = level ? LevelStatement(number) : StateStatement(number);
    SQLite::Statement query(db, statement);
    int rows = 0;
    while (query.executeStep()) filler.WriteRow(static_cast<std::size_t>(++rows), query);
    filler.Target().AutoFitColumn(1);
    filler.Target().AlignLeft(9, 1, 9 + rows, 1);

    if (number == 24)
        filler.Target().WriteNumber(kTotalRow, 2, WholeAverage(db, kWholeD023Average));
    if (number == 26)
        filler.Target().WriteNumber(kTotalRow, 2, WholeAverage(db, kWholeD045Average));
}

void FillByItems(SQLite::Database& db, SheetFiller& filler, int number, std::size_t itemCount,
                 const ItemSums& sums) {
    const auto columns = static_cast<std::uint64_t>(SheetNumber(number).aliases.size());
    filler.Begin(itemCount * columns);
    SQLite::Statement query(db, sums.SheetStatement(number));
    std::size_t position = 0;
    while (query.executeStep()) {
        filler.WriteRow(++position, query);
        filler.Target().AutoFitColumn(1);
        filler.Target().AlignLeft(9, 1, 10, 1);
    }
}

}  // namespace

SummaryOutcome WriteSummaryWorkbook(SQLite::Database& db, const std::filesystem::path& templatePath,
                                    const SummaryRequest& request,
                                    const std::filesystem::path& output,
                                    const SummaryProgress& progress) {
    const auto ticked =
        static_cast<int>(std::count(request.sheets.begin(), request.sheets.end(), true));
    if (ticked == 0) return SummaryOutcome::NothingTicked;
    if (ticked == 1 && request.sheets[0]) throw UserError(kOnlyCoverTicked);
    if (request.grouping == Grouping::Custom && !FindGrouping(db, request.groupId))
        throw UserError(kGroupingMissing);

    std::unique_ptr<sheet::Workbook> book;
    try {
        book = std::make_unique<sheet::Workbook>(sheet::Workbook::OpenTemplate(templatePath));
        if (book->SheetCount() != kWorkbookSheets) throw std::runtime_error("wrong sheet count");
    } catch (const std::exception&) {
        throw UserError(kTemplateOpenFailed);
    }

    std::vector<GroupItem> items;
    std::optional<ItemSums> itemSums;
    std::optional<CombinedSums> sums;
    if (request.grouping == Grouping::Custom) {
        items = ReadGroupItemsReversed(db, request.groupId);
        std::vector<int> numbers;
        for (int number = 2; number <= kWorkbookSheets; ++number)
            if (request.sheets[static_cast<std::size_t>(number - 1)]) numbers.push_back(number);
        itemSums.emplace(db, items, numbers);
    } else {
        sums.emplace(db, request.grouping, request.sheets);
    }

    SummaryProgressState state{0, ticked, 0, 0};
    if (progress) progress(state);
    for (int number = 1; number <= kWorkbookSheets; ++number) {
        if (!request.sheets[static_cast<std::size_t>(number - 1)]) continue;
        if (number > 1) {
            SheetFiller filler(book->Sheet(number), state, progress);
            PlaceLabel(filler.Target(), request.grouping);
            if (request.grouping == Grouping::Custom)
                FillByItems(db, filler, number, items.size(), *itemSums);
            else
                FillByCode(db, filler, number, request.grouping, *sums);
        }
        ++state.sheetsDone;
        if (progress) progress(state);
    }

    for (int number = kWorkbookSheets; number >= 1; --number) {
        if (!request.sheets[static_cast<std::size_t>(number - 1)]) book->DeleteSheet(number);
    }
    book->ActivateFirstSheet();
    book->Save(output);
    return SummaryOutcome::Written;
}

}  // namespace tallwick::summary
