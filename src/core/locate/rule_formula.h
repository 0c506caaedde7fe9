#pragma once

// Logic rules as linear comparisons joined by and/or, the form a repair model is built from.
// A comparison reads "sum of coefficient × field + constant <relation> 0".

#include <functional>
#include <string_view>
#include <vector>

namespace tallwick::locate {

struct LinearTerm {
    int field = 0;  // a LocateFieldIndex
    double coefficient = 0;

    bool operator==(const LinearTerm&) const = default;
};

struct Linear {
    std::vector<LinearTerm> terms;  // one term per field, sorted by field
    double constant = 0;

    static Linear Field(std::string_view name);  // throws std::invalid_argument for no field
    static Linear Constant(double value);

    Linear& operator+=(const Linear& other);
    Linear& operator*=(double factor);
};

Linear operator+(Linear a, const Linear& b);
Linear operator-(Linear a, Linear b);
Linear operator+(Linear a, double b);
Linear operator-(Linear a, double b);

enum class Relation { LessEqual, Less, Equal, NotEqual, GreaterEqual, Greater };

struct Formula {
    enum class Kind { Compare, All, Any };
    Kind kind = Kind::Compare;
    Linear lhs;  // Compare: lhs <relation> 0
    Relation relation = Relation::LessEqual;
    std::vector<Formula> parts;  // All: every part holds; Any: some part holds
};

Formula operator<=(const Linear& a, const Linear& b);
Formula operator<(const Linear& a, const Linear& b);
Formula operator==(const Linear& a, const Linear& b);
Formula operator!=(const Linear& a, const Linear& b);
Formula operator>=(const Linear& a, const Linear& b);
Formula operator>(const Linear& a, const Linear& b);
Formula operator&&(Formula a, Formula b);
Formula operator||(Formula a, Formula b);

// A numbered rule that holds when `holds` does.
struct FormulaRule {
    int number = 0;
    Formula holds;
};

// The value of a field by its index.
using FieldValues = std::function<double(int field)>;

double Evaluate(const Linear& linear, const FieldValues& values);
bool Evaluate(const Formula& formula, const FieldValues& values);

// Calls visit once for each field the formula names, repeats included.
void ForEachField(const Formula& formula, const std::function<void(int field)>& visit);

}  // namespace tallwick::locate
