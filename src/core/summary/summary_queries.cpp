#include "summary/summary_queries.h"

#include <cstdio>
#include <stdexcept>

namespace tallwick::summary {
namespace {

// Column kinds of a sheet. Every division is real and int() is the floor, so a stored answer
// outside its options still gives the figure the formulas define.
enum class Kind { Count, Sum, YesNo, ThreeWay, FourWay, WeightedD023, WeightedD045 };

struct Span {
    Kind kind;
    const char* first = "";
    const char* last = "";  // empty: just `first`
};

struct SheetSpec {
    int number;
    const char* title;
    std::vector<Span> spans;
};

std::string Field(char family, int number) {
    char name[8];
    std::snprintf(name, sizeof name, "%c%03d", family, number);
    return name;
}

void AddColumn(SummarySheet& sheet, const std::string& expression, const std::string& alias) {
    if (!sheet.selectList.empty()) sheet.selectList += ",";
    sheet.selectList += expression + " as " + alias;
    sheet.aliases.push_back(alias);
}

void AddField(SummarySheet& sheet, Kind kind, const std::string& x) {
    switch (kind) {
        case Kind::Count:
            AddColumn(sheet, "count(*)", "cnt");
            break;
        case Kind::Sum:
            AddColumn(sheet, "sum(" + x + ")", "sum_" + x);
            break;
        case Kind::YesNo:
            AddColumn(sheet, "sum(" + x + "*(2-" + x + "))", "sum_" + x + "_1");
            AddColumn(sheet, "sum(int(" + x + "/2.0) + (2-" + x + ")*(1-" + x + ")/2.0)",
                      "sum_" + x + "_2");
            break;
        case Kind::ThreeWay:
        case Kind::FourWay:
            AddColumn(sheet, "sum(int((5-" + x + ")/4.0)*" + x + ")", "sum_" + x + "_1");
            AddColumn(sheet, "sum((" + x + "-1)*(3-" + x + ")*(4-" + x + ")*" + x + "/4.0)",
                      "sum_" + x + "_2");
            AddColumn(sheet, "sum((" + x + "-1)*(" + x + "-2)*(4-" + x + ")*" + x + "/6.0)",
                      "sum_" + x + "_3");
            if (kind == Kind::FourWay)
                AddColumn(sheet, "sum(int(" + x + "/4.0))", "sum_" + x + "_4");
            break;
        case Kind::WeightedD023:
            AddColumn(sheet,
                      "iif(sum(iif(d023>0,d012,0))>0,sum(d023*d012)*1.0/sum(iif(d023>0,d012,0)),0)",
                      "sum_d023");
            break;
        case Kind::WeightedD045:
            AddColumn(sheet,
                      "iif(sum(iif(d045>0,x001,0))>0,sum(d045*x001)*1.0/sum(iif(d045>0,x001,0)),0)",
                      "sum_d045");
            break;
    }
}

SummarySheet Build(const SheetSpec& spec) {
    SummarySheet sheet{spec.number, spec.title, {}, {}, {}};
    for (const Span& span : spec.spans) {
        if (span.kind == Kind::Count || span.kind == Kind::WeightedD023 ||
            span.kind == Kind::WeightedD045) {
            AddField(sheet, span.kind, span.first);
            continue;
        }
        const char family = span.first[0];
        const int from = std::atoi(span.first + 1);
        const int to = *span.last ? std::atoi(span.last + 1) : from;
        for (int n = from; n <= to; ++n) AddField(sheet, span.kind, Field(family, n));
    }
    sheet.aggregates = sheet.selectList;
    sheet.selectList +=
        spec.number == 27
            ? " from dt_data1 inner join dt_data on dt_data1.c901=dt_data.c901 where dt_data.c901>0"
            : " from dt_data where c901>0";
    return sheet;
}

constexpr Kind C = Kind::Count, S = Kind::Sum, Y = Kind::YesNo, K3 = Kind::ThreeWay,
               K4 = Kind::FourWay;

const std::vector<SheetSpec>& Specs() {
    static const std::vector<SheetSpec> specs = {
        {2, "表一  工会组织建设及民主参与状况(1)", {{C}, {S, "z001", "z008"}}},
        {3,
         "表一  工会组织建设及民主参与状况(2)",
         {{Y, "z009"}, {K3, "z010"}, {S, "z011", "z014"}}},
        {4, "表一  工会组织建设及民主参与状况(3)", {{Y, "z015"}, {S, "z016", "z018"}}},
        {5,
         "表二  工会干部协管及教育培训工作(1)",
         {{S, "x001", "x003"}, {Y, "x004", "x007"}, {S, "x008", "x012"}}},
        {6, "表二  工会干部协管及教育培训工作(2)", {{S, "x013", "x018"}}},
        {7, "表三  工会权益保障及集体合同工作(1)", {{S, "b001", "b020"}}},
        {8, "表三  工会权益保障及集体合同工作(2)", {{S, "b021", "b029"}}},
        {9,
         "表三  工会权益保障及集体合同工作(3)",
         {{Y, "b030"}, {S, "b031", "b033"}, {Y, "b034"}, {S, "b035", "b042"}}},
        {10,
         "表三  工会权益保障及集体合同工作(4)",
         {{Y, "b043"}, {K4, "b044"}, {K4, "b045"}, {S, "b046"}}},
        {11,
         "表四  工会法律工作(1)",
         {{S, "f001", "f002"}, {Y, "f003"}, {S, "f004", "f006"}, {Y, "f007", "f008"}, {S, "f009"}}},
        {12, "表四  工会法律工作(2)", {{S, "f010", "f016"}, {Y, "f017"}, {S, "f018", "f020"}}},
        {13, "表五  工会劳动保护工作", {{Y, "l001"}, {S, "l002", "l008"}}},
        {14, "表六  工会经济技术工作(1)", {{S, "j001", "j014"}}},
        {15,
         "表六  工会经济技术工作(2)",
         {{S, "j015", "j019"}, {Y, "j020", "j021"}, {S, "j022", "j024"}}},
        {16, "表七  工会财务和经费审查工作(1)", {{Y, "s001", "s008"}}},
        {17, "表七  工会财务和经费审查工作(2)", {{S, "s009", "s014"}}},
        {18,
         "表七  工会财务和经费审查工作(3)",
         {{S, "s015", "s018"}, {Y, "s019", "s021"}, {S, "s022"}}},
        {19, "表八  工会宣传教育和职工文化体育工作", {{S, "w001", "w011"}}},
        {20, "表九  工会网络工作", {{S, "n001", "n004"}}},
        {21, "表十  工会国际交流工作", {{S, "g001", "g004"}}},
        {22, "附表1  工会干部队伍情况(1)", {{S, "d001", "d011"}}},
        {23, "附表1  工会干部队伍情况(2)", {{S, "d012", "d022"}}},
        {24, "附表1  工会干部队伍情况(3)", {{Kind::WeightedD023, "d023"}, {S, "d024", "d031"}}},
        {25,
         "附表1续  工会领导班子情况(1)",
         {{S, "d032", "d035"}, {Y, "d036"}, {S, "d037", "d044"}}},
        {26, "附表1续  工会领导班子情况(2)", {{Kind::WeightedD045, "d045"}, {S, "d046", "d055"}}},
        {27, "附表2  工会经费审查工作情况", {{S, "y001", "y012"}}},
    };
    return specs;
}

}  // namespace

const std::vector<SummarySheet>& SummarySheets() {
    static const std::vector<SummarySheet> sheets = [] {
        std::vector<SummarySheet> built;
        for (const SheetSpec& spec : Specs()) built.push_back(Build(spec));
        return built;
    }();
    return sheets;
}

const SummarySheet& SheetNumber(int number) {
    if (number < 2 || number > 27) throw std::out_of_range("summary sheets are numbered 2 to 27");
    return SummarySheets()[static_cast<size_t>(number - 2)];
}

}  // namespace tallwick::summary
