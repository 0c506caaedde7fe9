#pragma once

// The cheapest sets of answers that meet every conflict: each conflict is a set of answers of
// which any repair must change at least one, so the cheapest set meeting all of them bounds
// every repair from below.

#include "locate/locate_fields.h"

#include <bitset>
#include <cstddef>
#include <vector>

namespace tallwick::locate {

using FieldSet = std::bitset<kLocateFieldCount>;

class HittingSets {
  public:
    // weights: the cost of each field; mandatory: fields every set holds.
    HittingSets(std::vector<double> weights, FieldSet mandatory);

    // An empty conflict makes every repair impossible.
    void AddConflict(const std::vector<int>& fields);
    bool HasEmptyConflict() const { return emptyConflict_; }

    double Cost(const FieldSet& set) const;
    // Up to `limit` sets of the least cost, each meeting every conflict; the same ones in the
    // same order for the same conflicts. Empty when some conflict is empty.
    std::vector<FieldSet> Cheapest(std::size_t limit) const;

  private:
    struct Search;

    std::vector<double> weights_;
    FieldSet mandatory_;
    std::vector<FieldSet> conflicts_;
    bool emptyConflict_ = false;
};

}  // namespace tallwick::locate
