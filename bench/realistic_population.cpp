#include "realistic_population.h"

#include "locate/error_localiser.h"
#include "locate/locate_fields.h"
#include "review/size_measures.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace tallwick::bench {
namespace {

using locate::LocateFields;

// Share of each level among the reporting unions (township unions are the most), and the
// median number of full-time officials of a union at that level.
struct LevelShape {
    int level;
    double weight;
    double officials;
};
constexpr LevelShape kLevels[] = {
    {1, 1, 150}, {2, 4, 50}, {3, 15, 15}, {4, 1, 30},  {5, 4, 12}, {6, 8, 5},
    {7, 1, 40},  {8, 5, 12}, {9, 8, 6},   {10, 37, 3}, {11, 8, 3}, {12, 8, 3},
};
constexpr double kSizeSpread = 0.7;    // of log officials within a level
constexpr double kAnswerNoise = 0.35;  // of log answers around rate × size

// What every record draws from: per answer, its rate of the size measure (or, where the answer
// has none, the median of its own scale) and, for yes/no answers, the chance of a yes.
struct Population {
    locate::LocateCatalogue catalogue;
    std::vector<double> rates;
    std::vector<double> yes;

    Population(SQLite::Database& db, std::mt19937& random)
        : catalogue(locate::LocateCatalogue::Read(db)) {
        std::uniform_real_distribution<double> logRate(std::log(0.05), std::log(4.0));
        std::uniform_real_distribution<double> chance(0.2, 0.9);
        for (std::size_t f = 0; f < LocateFields().size(); ++f) {
            rates.push_back(std::exp(logRate(random)));
            yes.push_back(chance(random));
        }
    }
};

struct Drawn {
    check::RecordValues values;
    int level = 0;
};

Drawn DrawRecord(const Population& population, std::mt19937& random) {
    static const std::discrete_distribution<int> pickLevel = [] {
        std::vector<double> weights;
        for (const LevelShape& shape : kLevels) weights.push_back(shape.weight);
        return std::discrete_distribution<int>(weights.begin(), weights.end());
    }();
    std::discrete_distribution<int> levels = pickLevel;
    const LevelShape& shape = kLevels[levels(random)];
    std::normal_distribution<double> noise(0, 1);
    Drawn drawn;
    drawn.level = shape.level;
    check::RecordValues& values = drawn.values;
    values.c904 = shape.level;
    auto set = [&](const char* name, double value) {
        locate::SetFieldValue(values, locate::LocateFieldIndex(name), value);
    };
    const double officials =
        std::max(1.0, std::round(shape.officials * std::exp(kSizeSpread * noise(random))));
    set("z001", officials);
    set("x001",
        std::max(1.0, std::round((3 + std::log1p(officials)) * std::exp(0.2 * noise(random)))));
    set("d012", std::max(1.0, std::round(officials * 1.3 * std::exp(0.2 * noise(random)))));

    const auto fields = LocateFields();
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const int field = static_cast<int>(f);
        if (locate::IsCoverField(field) || !population.catalogue.Answered(field, shape.level))
            continue;
        if (fields[f].name == "z001" || fields[f].name == "x001" || fields[f].name == "d012")
            continue;
        const locate::AnswerLimits& limits = population.catalogue.Limits(field);
        double value = 0;
        if (limits.upper <= 2) {
            value = std::bernoulli_distribution(population.yes[f])(random) ? 1 : 2;
        } else if (limits.upper <= 4) {
            value = std::uniform_int_distribution<int>(1, static_cast<int>(limits.upper))(random);
        } else if (fields[f].name == "d023" || fields[f].name == "d045") {
            value = std::round(44 + 3 * noise(random));  // average ages
        } else {
            const int measure = review::SizeMeasureOf(field);
            const double base = measure >= 0
                                    ? population.rates[f] * locate::FieldValue(values, measure)
                                    : 20 * population.rates[f];
            // Whole answers round down, so what a small union has less than one of is 0.
            value = base * std::exp(kAnswerNoise * noise(random));
            value = limits.whole ? std::floor(value) : std::round(value * 100) / 100;
        }
        locate::SetFieldValue(values, field, std::min(value, limits.upper));
    }
    return drawn;
}

// The rules and, per answer, the rules that name it.
struct RuleIndex {
    locate::LocateRules rules = locate::LocateRules::Delivered();
    std::vector<std::vector<std::size_t>> byField;

    RuleIndex() : byField(static_cast<std::size_t>(locate::kLocateFieldCount)) {
        for (std::size_t r = 0; r < rules.formulas.size(); ++r) {
            locate::ForEachField(rules.formulas[r].holds, [&](int field) {
                auto& list = byField[static_cast<std::size_t>(field)];
                if (list.empty() || list.back() != r) list.push_back(r);
            });
        }
    }

    bool Holds(std::size_t rule, const check::RecordValues& values) const {
        return locate::Evaluate(rules.formulas[rule].holds,
                                [&](int field) { return locate::FieldValue(values, field); });
    }
};

// Builds the record up answer by answer from an empty form, taking each drawn answer, together
// with the answers it is tied to by a rule it would break, only where no more rules fail than
// before: the drawn relations stay, and what the rules forbid stays empty. Sums that must add up
// (parts of a total) are split in proportion to the drawn parts first.
check::RecordValues Assemble(const check::RecordValues& drawn, const RuleIndex& index) {
    // A total, then its parts.
    static constexpr const char* kTotals[][7] = {
        {"z001", "z003", "z004", "z005", "z006", nullptr},
        {"d012", "d014", "d015", "d016", "d017", "d018", "d019"},
        {"d012", "d024", "d025", "d026", "d027", "d028", nullptr},
    };
    check::RecordValues wanted = drawn;
    for (const auto& group : kTotals) {
        const int total = locate::LocateFieldIndex(group[0]);
        std::vector<int> parts;
        for (const char* const* name = group + 1; name != std::end(group) && *name; ++name)
            parts.push_back(locate::LocateFieldIndex(*name));
        double drawnSum = 0;
        for (const int part : parts) drawnSum += locate::FieldValue(wanted, part);
        const double target = locate::FieldValue(wanted, total);
        double given = 0;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const double share = drawnSum > 0 ? locate::FieldValue(wanted, parts[i]) / drawnSum
                                              : (i == 0 ? 1.0 : 0.0);
            const double value =
                i + 1 == parts.size() ? target - given : std::floor(target * share);
            locate::SetFieldValue(wanted, parts[i], value);
            given += value;
        }
    }

    check::RecordValues values;
    values.c901 = drawn.c901;
    values.c904 = drawn.c904;
    auto failing = [&](const std::vector<int>& fields) {
        std::vector<std::size_t> rules;
        for (const int field : fields)
            for (const std::size_t rule : index.byField[static_cast<std::size_t>(field)])
                if (std::find(rules.begin(), rules.end(), rule) == rules.end())
                    rules.push_back(rule);
        std::size_t count = 0;
        for (const std::size_t rule : rules) count += index.Holds(rule, values) ? 0 : 1;
        return count;
    };
    auto tryMove = [&](const std::vector<int>& fields) {
        const check::RecordValues before = values;
        const std::size_t failedBefore = failing(fields);
        for (const int field : fields)
            locate::SetFieldValue(values, field, locate::FieldValue(wanted, field));
        if (failing(fields) <= failedBefore) return true;
        values = before;
        return false;
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (int field = 0; field < locate::kLocateFieldCount; ++field) {
            if (locate::IsCoverField(field) ||
                locate::FieldValue(values, field) == locate::FieldValue(wanted, field))
                continue;
            if (tryMove({field})) continue;
            // With every answer that a rule it breaks names, as the union would fill them.
            std::vector<int> tied{field};
            for (const std::size_t rule : index.byField[static_cast<std::size_t>(field)])
                locate::ForEachField(index.rules.formulas[rule].holds, [&](int other) {
                    if (!locate::IsCoverField(other) &&
                        std::find(tied.begin(), tied.end(), other) == tied.end())
                        tied.push_back(other);
                });
            tryMove(tied);
        }
    }
    return values;
}

// Up to a few draws until the localiser finds a repair that lets every rule hold.
Drawn DrawConsistent(const Population& population, const RuleIndex& index,
                     const locate::ErrorLocaliser& localiser, std::mt19937& random,
                     std::atomic<std::int64_t>& repaired, std::atomic<std::int64_t>& redrawn) {
    constexpr int kMostDraws = 100;
    for (int draw = 0; draw < kMostDraws; ++draw) {
        Drawn drawn = DrawRecord(population, random);
        drawn.values = Assemble(drawn.values, index);
        if (localiser.Rules().allHold(drawn.values)) return drawn;
        const locate::Localisation found = localiser.Locate(drawn.values);
        if (found.outcome == locate::Localisation::Outcome::Suggested) {
            drawn.values = locate::Repaired(drawn.values, found.changes);
            ++repaired;
            return drawn;
        }
        ++redrawn;
    }
    throw std::runtime_error("no draw of a realistic record could be repaired");
}

double SwapDigits(double value, std::mt19937& random) {
    std::string digits = std::to_string(static_cast<long long>(value));
    for (int attempt = 0; attempt < 8 && digits.size() > 1; ++attempt) {
        const auto i = std::uniform_int_distribution<std::size_t>(0, digits.size() - 2)(random);
        if (digits[i] == digits[i + 1] || (i == 0 && digits[1] == '0')) continue;
        std::swap(digits[i], digits[i + 1]);
        return std::stod(digits);
    }
    return value;
}

// Plants a slip of `kind` into one answer of the record, where the rules still hold afterwards.
bool PlantSlip(check::RecordValues& values, int level, SlipKind kind,
               const locate::ErrorLocaliser& localiser, std::mt19937& random, PlantedSlip& slip) {
    const locate::LocateCatalogue& catalogue = localiser.Catalogue();
    std::vector<int> candidates;
    for (int field = 0; field < locate::kLocateFieldCount; ++field) {
        if (review::Reviewed(field, catalogue) && catalogue.Answered(field, level) &&
            catalogue.Limits(field).whole && locate::FieldValue(values, field) >= 3)
            candidates.push_back(field);
    }
    std::shuffle(candidates.begin(), candidates.end(), random);
    for (const int field : candidates) {
        check::RecordValues planted = values;
        const double meant = locate::FieldValue(values, field);
        double keyed = meant;
        int neighbour = -1;
        switch (kind) {
            case SlipKind::Times10:
                keyed = meant * 10;
                break;
            case SlipKind::Times100:
                keyed = meant * 100;
                break;
            case SlipKind::DigitSwap:
                keyed = SwapDigits(meant, random);
                break;
            case SlipKind::NeighbourBox:
                neighbour = field + 1;
                if (neighbour >= locate::kLocateFieldCount ||
                    locate::EntryPageOf(neighbour) != locate::EntryPageOf(field) ||
                    !catalogue.Answered(neighbour, level) ||
                    !catalogue.Limits(neighbour).Admits(meant) ||
                    locate::FieldValue(values, neighbour) == meant)
                    continue;
                keyed = 0;
                locate::SetFieldValue(planted, neighbour, meant);
                break;
        }
        if (keyed == meant && kind != SlipKind::NeighbourBox) continue;
        if (!catalogue.Limits(field).Admits(keyed)) continue;
        locate::SetFieldValue(planted, field, keyed);
        if (!localiser.Rules().allHold(planted)) continue;
        values = planted;
        slip.field = field;
        slip.kind = kind;
        slip.meant = meant;
        slip.keyed = keyed;
        slip.neighbour = neighbour;
        return true;
    }
    return false;
}

void Insert(SQLite::Database& db, const std::vector<Drawn>& records, double firstCode) {
    const auto fields = LocateFields();
    std::string main =
        "INSERT INTO dt_data (c900, c901, c902, c903, c904, c905, c906, c907, "
        "RecordState";
    std::string mainMarks = "?, ?, ?, ?, ?, ?, ?, ?, ?";
    std::string second = "INSERT INTO dt_data1 (c901";
    std::string secondMarks = "?";
    std::vector<int> mainFields, secondFields;
    for (int field = 0; field < static_cast<int>(fields.size()); ++field) {
        if (locate::IsCoverField(field)) continue;
        const std::string name(fields[static_cast<std::size_t>(field)].name);
        if (name[0] == 'y') {
            second += ", " + name;
            secondMarks += ", ?";
            secondFields.push_back(field);
        } else {
            main += ", " + name;
            mainMarks += ", ?";
            mainFields.push_back(field);
        }
    }
    SQLite::Statement insertMain(db, main + ") VALUES (" + mainMarks + ")");
    SQLite::Statement insertSecond(db, second + ") VALUES (" + secondMarks + ")");
    const locate::LocateCatalogue catalogue = locate::LocateCatalogue::Read(db);
    auto bindAnswer = [&](SQLite::Statement& statement, int index, const Drawn& record, int field) {
        if (!catalogue.Answered(field, record.level)) {
            statement.bind(index);
        } else if (fields[static_cast<std::size_t>(field)].real) {
            statement.bind(index, locate::FieldValue(record.values, field));
        } else {
            statement.bind(index,
                           static_cast<std::int64_t>(locate::FieldValue(record.values, field)));
        }
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Drawn& record = records[i];
        const double code = firstCode + static_cast<double>(i) * 7;
        int index = 1;
        insertMain.bind(index++, std::string(32, '0'));
        insertMain.bind(index++, code);
        insertMain.bind(index++, "测试工会" + std::to_string(i));
        insertMain.bind(index++, 110101);
        insertMain.bind(index++, record.level);
        insertMain.bind(index++, "填表人");
        insertMain.bind(index++, "010-12345678");
        insertMain.bind(index++, 1);
        insertMain.bind(index++, 1);
        for (const int field : mainFields) bindAnswer(insertMain, index++, record, field);
        insertMain.exec();
        insertMain.reset();
        insertSecond.bind(1, code);
        index = 2;
        for (const int field : secondFields) bindAnswer(insertSecond, index++, record, field);
        insertSecond.exec();
        insertSecond.reset();
    }
}

}  // namespace

const char* SlipName(SlipKind kind) {
    switch (kind) {
        case SlipKind::Times10:
            return "x10";
        case SlipKind::Times100:
            return "x100";
        case SlipKind::DigitSwap:
            return "digit swap";
        case SlipKind::NeighbourBox:
            return "neighbouring box";
    }
    return "";
}

std::vector<PlantedSlip> GenerateRealisticRecords(SQLite::Database& db, std::int64_t count,
                                                  std::uint32_t seed, int slips,
                                                  RealisticStats* stats, unsigned threads) {
    std::mt19937 random(seed);
    const Population population(db, random);
    const locate::ErrorLocaliser localiser(population.catalogue, locate::LocateRules::Delivered());
    const RuleIndex index;

    // Each record draws from a stream seeded by its number, so any number of threads gives the
    // same records.
    std::vector<Drawn> records(static_cast<std::size_t>(count));
    std::atomic<std::int64_t> next{0}, repaired{0}, redrawn{0};
    auto work = [&] {
        for (std::int64_t i = next++; i < count; i = next++) {
            std::mt19937 stream(seed * 2654435761u + static_cast<std::uint32_t>(i));
            records[static_cast<std::size_t>(i)] =
                DrawConsistent(population, index, localiser, stream, repaired, redrawn);
        }
    };
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (auto& worker : workers) worker.join();

    constexpr double kFirstCode = 100000000001.0;
    std::vector<PlantedSlip> planted;
    std::vector<std::size_t> order(records.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    constexpr SlipKind kKinds[] = {SlipKind::Times10, SlipKind::Times100, SlipKind::DigitSwap,
                                   SlipKind::NeighbourBox};
    for (std::size_t i = 0; i < order.size() && static_cast<int>(planted.size()) < slips; ++i) {
        Drawn& record = records[order[i]];
        PlantedSlip slip;
        slip.code = kFirstCode + static_cast<double>(order[i]) * 7;
        if (PlantSlip(record.values, record.level, kKinds[planted.size() % std::size(kKinds)],
                      localiser, random, slip))
            planted.push_back(slip);
    }

    SQLite::Transaction transaction(db);
    Insert(db, records, kFirstCode);
    transaction.commit();
    if (stats) *stats = {repaired.load(), redrawn.load()};
    return planted;
}

}  // namespace tallwick::bench
