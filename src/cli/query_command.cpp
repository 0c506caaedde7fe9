// tallwick-cli query (FIELD | --codes) OP NUMBER [and|or OP NUMBER] [-o OUT.xlsx] [--db OUT.mdb]
// tallwick-cli query --where CONDITION [-o OUT.xlsx] [--db OUT.mdb]
// The indicator query (a field and one or two comparisons joined by "and"), the code range
// search (c901, joined by "and" or "or") or a condition of the user's own on stored fields:
// prints the matching records and their count, and exports them as the result list's workbook
// or database file.
#include "command.h"
#include "common/local_time.h"
#include "terminal_progress.h"

#include "entry/record_io.h"
#include "query/code_search.h"
#include "query/column_kind.h"
#include "query/export_messages.h"
#include "query/indicator_condition.h"
#include "query/result_columns.h"
#include "query/result_database.h"
#include "query/result_queries.h"
#include "query/result_workbook.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/field_catalogue.h"

#include <SQLiteCpp/Statement.h>

#include <optional>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli query FIELD OP NUMBER [and OP NUMBER] [-o OUT.xlsx] [--db OUT.mdb]\n"
    "       tallwick-cli query --codes OP CODE [and|or OP CODE] [-o OUT.xlsx] [--db OUT.mdb]\n"
    "       tallwick-cli query --where CONDITION [-o OUT.xlsx] [--db OUT.mdb]\n"
    "       OP: = > < >= <=; CONDITION such as \"z001>=10 and z001<50\"\n";

struct QueryArguments {
    std::string condition;
    std::filesystem::path workbook;
    std::filesystem::path database;
};

std::optional<query::Comparison> ParseComparison(const std::string& text) {
    for (const auto comparison :
         {query::Comparison::Equal, query::Comparison::Greater, query::Comparison::Less,
          query::Comparison::GreaterOrEqual, query::Comparison::LessOrEqual})
        if (text == query::ComparisonText(comparison)) return comparison;
    return std::nullopt;
}

// Throws ConditionError (a UserError) for refused comparisons, as the dialogs report them.
std::optional<QueryArguments> ParseArguments(const std::vector<std::string>& args) {
    QueryArguments parsed;
    std::vector<std::string> terms;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool workbook = args[i] == "-o" || args[i] == "--xlsx";
        const bool database = args[i] == "--db" || args[i] == "--mdb";
        if ((workbook || database) && i + 1 < args.size()) {
            (workbook ? parsed.workbook : parsed.database) = args[i + 1];
            ++i;
        } else {
            terms.push_back(args[i]);
        }
    }
    if (terms.size() == 2 && terms[0] == "--where") {
        if (terms[1].find_first_not_of(' ') == std::string::npos) return std::nullopt;
        parsed.condition = "where " + terms[1];
        return parsed;
    }
    if (terms.size() != 3 && terms.size() != 6) return std::nullopt;
    const auto op1 = ParseComparison(terms[1]);
    const auto op2 = terms.size() == 6 ? ParseComparison(terms[4]) : query::Comparison::None;
    if (!op1 || !op2) return std::nullopt;
    const std::string number2 = terms.size() == 6 ? terms[5] : "";
    if (terms[0] == "--codes") {
        query::CodeRangeSearch search{*op1, terms[2], query::Connector::And, *op2, number2};
        if (terms.size() == 6) {
            if (terms[3] != "and" && terms[3] != "or") return std::nullopt;
            search.connector = terms[3] == "or" ? query::Connector::Or : query::Connector::And;
        }
        parsed.condition = query::BuildCodeRangeCondition(search);
    } else {
        if (terms.size() == 6 && terms[3] != "and") return std::nullopt;
        parsed.condition =
            query::BuildIndicatorCondition({terms[0], *op1, terms[2], *op2, number2});
    }
    return parsed;
}

// The result list's visible catalogue columns, titled as its grid shows them.
FieldDataArray VisibleColumns(SQLite::Database& db, const std::string& sql) {
    std::vector<query::ShownColumn> shown;
    for (const FieldData& column : ReadListColumns(db))
        if (column.visible) shown.push_back({column.fieldName, column.title});
    return query::ShownColumnsForExport(db, sql, shown);
}

}  // namespace

int RunQuery(const CommandContext& context) {
    const auto arguments = ParseArguments(context.args);
    if (!arguments) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    SQLite::Database& db = connection.Db();
    const query::ResultStatements statements = query::BuildResultStatements(arguments->condition);
    query::CheckResultStatements(db, statements);

    SQLite::Statement rows(db, statements.report);
    std::uint64_t count = 0;
    while (rows.executeStep()) {
        ++count;
        context.out << entry::CodeText(rows.getColumn("c901").getDouble()) << '\t'
                    << rows.getColumn("c902").getString() << '\n';
    }
    context.out << "符合条件的数据总数：" << count << '\n';

    if (!arguments->workbook.empty()) {
        TerminalProgress bar(context.err, context.progressOnTerminal);
        const auto path = query::ExportResultWorkbook(
            db, statements.report, VisibleColumns(db, statements.report),
            {query::kQueryResultTitle, FormatCurrentLocalTime("%Y/%m/%d"), arguments->workbook},
            [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
        bar.Finish();
        context.out << query::WorkbookExportedMessage(path) << '\n';
    }
    if (!arguments->database.empty()) {
        TerminalProgress bar(context.err, context.progressOnTerminal);
        const auto path = query::ExportResultDatabase(
            db, statements.detail, statements.detail1, query::kQueryResultTitle,
            arguments->database,
            [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
        bar.Finish();
        context.out << query::DatabaseExportedMessage(path) << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
