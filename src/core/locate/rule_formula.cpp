#include "locate/rule_formula.h"

#include "locate/locate_fields.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tallwick::locate {

Linear Linear::Field(std::string_view name) {
    const int index = LocateFieldIndex(name);
    if (index < 0) throw std::invalid_argument("no rule field " + std::string(name));
    return Linear{{{index, 1}}, 0};
}

Linear Linear::Constant(double value) {
    return Linear{{}, value};
}

Linear& Linear::operator+=(const Linear& other) {
    for (const LinearTerm& term : other.terms) {
        const auto at =
            std::lower_bound(terms.begin(), terms.end(), term.field,
                             [](const LinearTerm& t, int field) { return t.field < field; });
        if (at != terms.end() && at->field == term.field) {
            at->coefficient += term.coefficient;
            if (at->coefficient == 0) terms.erase(at);
        } else {
            terms.insert(at, term);
        }
    }
    constant += other.constant;
    return *this;
}

Linear& Linear::operator*=(double factor) {
    for (LinearTerm& term : terms) term.coefficient *= factor;
    constant *= factor;
    return *this;
}

Linear operator+(Linear a, const Linear& b) {
    return a += b;
}

Linear operator-(Linear a, Linear b) {
    b *= -1;
    return a += b;
}

Linear operator+(Linear a, double b) {
    a.constant += b;
    return a;
}

Linear operator-(Linear a, double b) {
    a.constant -= b;
    return a;
}

namespace {

Formula Compare(const Linear& a, const Linear& b, Relation relation) {
    Formula formula;
    formula.lhs = a - b;
    formula.relation = relation;
    return formula;
}

Formula Join(Formula::Kind kind, Formula a, Formula b) {
    Formula joined;
    joined.kind = kind;
    for (Formula* part : {&a, &b}) {
        if (part->kind == kind) {
            for (Formula& inner : part->parts) joined.parts.push_back(std::move(inner));
        } else {
            joined.parts.push_back(std::move(*part));
        }
    }
    return joined;
}

}  // namespace

Formula operator<=(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::LessEqual);
}
Formula operator<(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::Less);
}
Formula operator==(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::Equal);
}
Formula operator!=(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::NotEqual);
}
Formula operator>=(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::GreaterEqual);
}
Formula operator>(const Linear& a, const Linear& b) {
    return Compare(a, b, Relation::Greater);
}
Formula operator&&(Formula a, Formula b) {
    return Join(Formula::Kind::All, std::move(a), std::move(b));
}
Formula operator||(Formula a, Formula b) {
    return Join(Formula::Kind::Any, std::move(a), std::move(b));
}

double Evaluate(const Linear& linear, const FieldValues& values) {
    double sum = linear.constant;
    for (const LinearTerm& term : linear.terms) sum += term.coefficient * values(term.field);
    return sum;
}

bool Evaluate(const Formula& formula, const FieldValues& values) {
    switch (formula.kind) {
        case Formula::Kind::All:
            return std::all_of(formula.parts.begin(), formula.parts.end(),
                               [&](const Formula& part) { return Evaluate(part, values); });
        case Formula::Kind::Any:
            return std::any_of(formula.parts.begin(), formula.parts.end(),
                               [&](const Formula& part) { return Evaluate(part, values); });
        case Formula::Kind::Compare:
            break;
    }
    const double value = Evaluate(formula.lhs, values);
    switch (formula.relation) {
        case Relation::LessEqual:
            return value <= 0;
        case Relation::Less:
            return value < 0;
        case Relation::Equal:
            return value == 0;
        case Relation::NotEqual:
            return value != 0;
        case Relation::GreaterEqual:
            return value >= 0;
        case Relation::Greater:
            return value > 0;
    }
    return false;
}

void ForEachField(const Formula& formula, const std::function<void(int field)>& visit) {
    if (formula.kind == Formula::Kind::Compare) {
        for (const LinearTerm& term : formula.lhs.terms) visit(term.field);
        return;
    }
    for (const Formula& part : formula.parts) ForEachField(part, visit);
}

}  // namespace tallwick::locate
