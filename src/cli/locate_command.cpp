// tallwick-cli locate CODE
// For a stored record with logic errors, the answers that a smallest repair changes, one line
// each: field, current value, a value with which every rule holds; an answer the record's level
// does not ask for adds why it becomes 0.
#include "arguments.h"
#include "command.h"
#include "common/number_text.h"

#include "common/user_error.h"
#include "entry/record_io.h"
#include "locate/error_localiser.h"
#include "locate/locate_fields.h"
#include "locate/stored_record.h"
#include "locate/suggestion_text.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli locate CODE\n";

constexpr const char* kNotFound = "没有找到能通过全部逻辑关系检查的修改建议";

}  // namespace

int RunLocate(const CommandContext& context) {
    const auto code =
        context.args.size() == 1 ? ParseExactly<std::int64_t>(context.args[0]) : std::nullopt;
    if (!code) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto stored = locate::ReadStoredValues(connection.Db(), static_cast<double>(*code));
    if (!stored) {
        throw UserError("没有编号为 " + entry::CodeText(static_cast<double>(*code)) + " 的数据");
    }
    // Records that report no data are never checked, so they have no errors to locate.
    if (!stored->checked) return 0;

    const locate::ErrorLocaliser localiser(locate::LocateCatalogue::Read(connection.Db()),
                                           locate::LocateRules::Delivered());
    const locate::Localisation found = localiser.Locate(stored->values);
    switch (found.outcome) {
        case locate::Localisation::Outcome::NoErrors:
            return 0;
        case locate::Localisation::Outcome::NoRepair:
            throw UserError(locate::kNoRepairLine);
        case locate::Localisation::Outcome::NotFound:
            throw UserError(kNotFound);
        case locate::Localisation::Outcome::Suggested:
            break;
    }
    for (const locate::RepairChange& change : found.changes) {
        context.out << locate::LocateFields()[static_cast<std::size_t>(change.field)].name << '\t'
                    << NumberText(change.current) << '\t' << NumberText(change.repaired);
        if (change.unasked) context.out << '\t' << locate::kUnaskedNote;
        context.out << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
