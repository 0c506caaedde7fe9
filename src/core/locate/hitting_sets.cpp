#include "locate/hitting_sets.h"

#include <algorithm>
#include <limits>

namespace tallwick::locate {
namespace {

// Weights are sums of a few small numbers; anything closer counts as a tie.
constexpr double kTie = 1e-9;

}  // namespace

HittingSets::HittingSets(std::vector<double> weights, FieldSet mandatory)
    : weights_(std::move(weights)), mandatory_(mandatory) {}

void HittingSets::AddConflict(const std::vector<int>& fields) {
    FieldSet set;
    for (const int field : fields) set.set(static_cast<std::size_t>(field));
    if (set.none()) emptyConflict_ = true;
    conflicts_.push_back(set);
}

double HittingSets::Cost(const FieldSet& set) const {
    double cost = 0;
    for (std::size_t f = 0; f < set.size(); ++f) {
        if (set.test(f)) cost += weights_[f];
    }
    return cost;
}

// Branch and bound: take the unmet conflict with the fewest open fields and try each of them in
// turn, excluding the ones tried before so that no set comes twice. The bound adds the lightest
// open field of each unmet conflict that shares no field with the ones already counted.
struct HittingSets::Search {
    Search(const HittingSets& of, std::size_t most, bool collect)
        : sets(of), limit(most), enumerate(collect) {}

    const HittingSets& sets;
    std::size_t limit;
    bool enumerate;  // false: find the least cost; true: collect sets of exactly `best`
    double best = std::numeric_limits<double>::infinity();
    std::vector<FieldSet> found;

    double Lightest(const FieldSet& open) const {
        double lightest = std::numeric_limits<double>::infinity();
        for (std::size_t f = open._Find_first(); f < open.size(); f = open._Find_next(f)) {
            lightest = std::min(lightest, sets.weights_[f]);
        }
        return lightest;
    }

    void Run(const FieldSet& chosen, FieldSet excluded, double cost) {
        if (enumerate && found.size() >= limit) return;
        std::vector<FieldSet> unmet;
        const FieldSet* narrowest = nullptr;
        std::size_t narrowestCount = 0;
        for (const FieldSet& conflict : sets.conflicts_) {
            if ((conflict & chosen).any()) continue;
            unmet.push_back(conflict & ~excluded);
            const std::size_t count = unmet.back().count();
            if (count == 0) return;
            if (!narrowest || count < narrowestCount) {
                narrowestCount = count;
                narrowest = &conflict;
            }
        }
        if (!narrowest) {
            if (!enumerate) {
                if (cost < best - kTie) {
                    best = cost;
                    found.assign(1, chosen);
                }
            } else if (cost <= best + kTie) {
                found.push_back(chosen);
            }
            return;
        }
        double bound = cost;
        FieldSet counted;
        for (const FieldSet& open : unmet) {
            if ((open & counted).any()) continue;
            counted |= open;
            bound += Lightest(open);
        }
        if (enumerate ? bound > best + kTie : bound >= best - kTie) return;

        const FieldSet open = *narrowest & ~excluded;
        for (std::size_t f = open._Find_first(); f < open.size(); f = open._Find_next(f)) {
            FieldSet next = chosen;
            next.set(f);
            Run(next, excluded, cost + sets.weights_[f]);
            excluded.set(f);
        }
    }
};

std::vector<FieldSet> HittingSets::Cheapest(std::size_t limit) const {
    if (emptyConflict_ || limit == 0) return {};
    Search least(*this, 1, false);
    least.Run(mandatory_, FieldSet{}, Cost(mandatory_));
    if (least.found.empty() || limit == 1) return least.found;
    Search ties(*this, limit, true);
    ties.best = least.best;
    ties.Run(mandatory_, FieldSet{}, Cost(mandatory_));
    return ties.found;
}

}  // namespace tallwick::locate
