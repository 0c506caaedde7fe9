#include "review/size_measures.h"

#include "locate/locate_fields.h"

#include <string_view>

namespace tallwick::review {
namespace {

// One size measure per entry page, chosen from the questions. The union's full-time officials
// (z001) are asked of every level and track how much a union does: training, placements,
// disputes, inspections, awards. The leadership (x001) scales the questions about leaders
// (表2, 附表1续); the staff of the union's offices (d012) scales the staffing appendix.
// 附表2 holds audit amounts in 10,000 yuan, which no count of the form scales.
struct PageMeasure {
    int page;
    std::string_view measure;  // "" where the page has none
};
constexpr PageMeasure kPageMeasures[] = {
    {1, "z001"},   // 表1 组织建设
    {2, "x001"},   // 表2 领导班子、培训
    {3, "z001"},   // 表3 权益保障
    {4, "z001"},   // 表3续 集体合同
    {5, "z001"},   // 表4 法律工作
    {6, "z001"},   // 表5 劳动保护
    {7, "z001"},   // 表6 经济技术
    {8, "z001"},   // 表7 财务、经审
    {9, "z001"},   // 表8 宣传教育、文体
    {10, "z001"},  // 表9、表10 网络、国际交流
    {11, "d012"},  // 附表1 机关干部队伍
    {12, "x001"},  // 附表1续 领导班子
    {13, ""},      // 附表2 审计金额
};

// Averages (ages in years) are judged on their own scale whatever their page.
constexpr std::string_view kOwnScale[] = {"d023", "d045"};

// Coded answers have small upper limits (2 for yes/no, up to 4 for the other codes); counts
// allow millions.
constexpr double kLargestCode = 4;

}  // namespace

int SizeMeasureOf(int field) {
    const std::string_view name = locate::LocateFields()[static_cast<std::size_t>(field)].name;
    for (const std::string_view own : kOwnScale)
        if (name == own) return -1;
    const int page = locate::EntryPageOf(field);
    for (const PageMeasure& entry : kPageMeasures) {
        if (entry.page != page) continue;
        if (entry.measure.empty() || entry.measure == name) return -1;
        return locate::LocateFieldIndex(entry.measure);
    }
    return -1;
}

bool Reviewed(int field, const locate::LocateCatalogue& catalogue) {
    return !locate::IsCoverField(field) && catalogue.Limits(field).upper > kLargestCode;
}

}  // namespace tallwick::review
