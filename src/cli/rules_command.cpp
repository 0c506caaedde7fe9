// tallwick-cli rules --analyse
// What the delivered logic rules allow, for each class of units whose level rules enable the
// same answers: whether every rule can hold at once, rules that can never fail within the
// answers' limits, and rules that follow from the others.
#include "command.h"

#include "entry/code_tables.h"
#include "locate/error_localiser.h"
#include "locate/rule_analysis.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli rules --analyse\n";

// Answers up to this size stand for "any answers" where rules are weighed together: every rule
// compares with constants far below. "Never fails" is judged up to the answers' limits.
constexpr double kAnalysisBound = 10000;

std::string Numbers(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : "、") + std::to_string(number);
    return text.empty() ? "无" : text;
}

}  // namespace

int RunRules(const CommandContext& context) {
    if (context.args.size() != 1 ||
        (context.args[0] != "--analyse" && context.args[0] != "--analyze")) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto catalogue = locate::LocateCatalogue::Read(connection.Db());
    const auto levelCodes = entry::LoadCodeList(connection.Db(), "CT_LevelCode");
    std::vector<int> levels;
    for (const entry::CodeItem& item : levelCodes) levels.push_back(item.code);

    const auto rules = locate::LocateRules::Delivered();
    const auto analyses = locate::AnalyseRules(catalogue, rules.formulas, levels, kAnalysisBound);
    for (const locate::LevelClassAnalysis& analysis : analyses) {
        std::string names;
        for (const int level : analysis.levels) {
            names += (names.empty() ? "" : "、") + std::to_string(level) + " " +
                     entry::CodeName(levelCodes, level);
        }
        context.out << "层次 " << names << "：填报 " << analysis.answeredFields << " 个指标\n";
        if (analysis.consistent) {
            context.out << "  全部规则可以同时成立\n";
        } else if (!analysis.conflicting.empty()) {
            context.out << "  全部规则不能同时成立，互相矛盾的规则："
                        << Numbers(analysis.conflicting) << '\n';
        } else {
            context.out << "  未能判断全部规则能否同时成立\n";
        }
        context.out << "  本层次不填报其指标或不适用、因而总是成立的规则："
                    << Numbers(analysis.levelDecided) << '\n';
        context.out << "  在取值范围内不会不成立的其他规则：" << Numbers(analysis.neverFail)
                    << '\n';
        context.out << "  可由其他规则推出的规则：" << Numbers(analysis.implied) << '\n';
        if (!analysis.undecided.empty())
            context.out << "  未能判断的规则：" << Numbers(analysis.undecided) << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
