// tallwick-cli review [--top N] [--json]: the records that pass the rules but are probably
// wrong, highest score first, one line each: CODE, SCORE, FIELD, VALUE, LOW and HIGH separated by
// tabs, where FIELD is the record's most doubtful answer and LOW–HIGH the range that unions of
// its level and size usually report. Answers confirmed in the window are left out.
#include "arguments.h"
#include "command.h"
#include "json_text.h"

#include "common/number_text.h"
#include "entry/record_io.h"
#include "locate/locate_catalogue.h"
#include "locate/locate_fields.h"
#include "review/plausibility_review.h"
#include "review/review_text.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <cstdio>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli review [--top N] [--json]\n";

std::string ScoreText(double score) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", score);
    return text;
}

struct Line {
    std::string code, score, field, value, low, high;
};

Line LineOf(const review::RankedRecord& record) {
    const review::Finding& top = record.top;
    return {entry::CodeText(record.code),
            ScoreText(top.score),
            std::string(locate::LocateFields()[static_cast<std::size_t>(top.field)].name),
            NumberText(top.value),
            NumberText(review::ShownLow(top.low)),
            NumberText(review::ShownHigh(top.high))};
}

}  // namespace

int RunReview(const CommandContext& context) {
    bool json = false;
    std::optional<std::size_t> top;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--top" && i + 1 < context.args.size() &&
                   (top = ParseExactly<std::size_t>(context.args[i + 1]))) {
            ++i;
        } else {
            context.err << kUsage;
            return 2;
        }
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto catalogue = locate::LocateCatalogue::Read(connection.Db());
    const review::ReviewResult result = review::RunReview(connection.Db(), catalogue);
    const std::size_t count = std::min(result.ranked.size(), top.value_or(result.ranked.size()));

    if (json) context.out << '[';
    for (std::size_t i = 0; i < count; ++i) {
        const review::RankedRecord& record = result.ranked[i];
        const Line line = LineOf(record);
        if (!json) {
            context.out << line.code << '\t' << line.score << '\t' << line.field << '\t'
                        << line.value << '\t' << line.low << '\t' << line.high << '\n';
            continue;
        }
        context.out << (i ? ",\n" : "\n") << "{\"code\": " << JsonString(line.code)
                    << ", \"name\": " << JsonString(result.rows.names[record.row])
                    << ", \"level\": " << record.level << ", \"score\": " << line.score
                    << ", \"field\": " << JsonString(line.field) << ", \"value\": " << line.value
                    << ", \"low\": " << line.low << ", \"high\": " << line.high << '}';
    }
    if (json) context.out << (count ? "\n]\n" : "]\n");
    return 0;
}

}  // namespace tallwick::cli
