#pragma once

// The rules of dt_logic, evaluated by the database engine on the values of the record being
// edited, before anything is written. The entry window supplies the values, the error list and
// the message boxes through the interfaces below; core opens no window.

#include "check/field_hints.h"
#include "check/logic_error.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tallwick::check {

// The values that the field names of a rule expression stand for: in the entry window, its
// input controls.
class ValueSource {
  public:
    virtual ~ValueSource() = default;

    // The current value of the control named `name` (ASCII case does not matter, as the window
    // finds its controls), or nullopt when there is no control of that name. An empty control
    // gives 0; that is the implementer's to do. A control that exists but is not a numeric input
    // control throws, which fails the rule that refers to it.
    virtual std::optional<double> Value(std::string_view name) const = 0;
};

// The error list window, as the rule table fills it.
class MessageList {
  public:
    virtual ~MessageList() = default;

    virtual void ClearMessages() = 0;                      // empties the list and hides the window
    virtual void AddMessage(const LogicError& error) = 0;  // appends; does not show the window
    virtual bool HasNoMessages() const = 0;
    virtual void ShowList() = 0;
};

// A message box for the user.
class UserNotifier {
  public:
    virtual ~UserNotifier() = default;

    virtual void ShowMessage(const std::string& text) = 0;
};

// `expression` with every field name replaced by its value rounded half to even, as a whole
// number in decimal. The words and, or, not (any case) stay. A name that `values` does not know is
// reported through `notifier` and left out, which as a rule breaks the statement later.
std::string SubstituteControls(std::string_view expression, const ValueSource& values,
                               UserNotifier& notifier);

// True when `expression` holds for `values`: the engine evaluates "select <substituted> as rt"
// and the rule holds when rt is the engine's true, 1. Any other value is false. A NULL rt (SQLite
// gives NULL for a division by zero where other engines raise an error) and an invalid statement
// throw, so the caller treats the rule as failed to evaluate rather than as passed.
bool EvaluateExpression(SQLite::Database& db, std::string_view expression,
                        const ValueSource& values, UserNotifier& notifier);

// The rules of the entry window's pages. The field hints for the explanations are read once, on
// construction; the rules themselves are read anew on every check.
class RuleTable {
  public:
    static constexpr int kFirstPage = 1;
    static constexpr int kLastPage = 14;

    // Every argument must outlive the table.
    RuleTable(SQLite::Database& db, const ValueSource& values, MessageList& list,
              UserNotifier& notifier);

    // Adds an error for every rule of `page` whose expression is true, in the order of the rules'
    // ids, and shows the list when it then holds errors. A page outside 1..14 (such as the cover
    // page, 0) does nothing, not even clearing. A rule that cannot be evaluated shows its
    // expression and ends the page; the errors found before it stay.
    void CheckPageRules(int page, bool clearFirst);

    // Every page in turn, after clearing the list.
    void CheckAllPages();

  private:
    void CheckRows(int page);

    SQLite::Database& db_;
    const ValueSource& values_;
    MessageList& list_;
    UserNotifier& notifier_;
    FieldHints hints_;
    SQLite::Statement pageRules_;
};

// The values of one stored record (its dt_data and dt_data1 rows, paired by c901), so a stored
// record can go through the rule table as if it were on screen. Text columns are not numeric
// controls and throw when asked for; a NULL is an empty control and gives 0.
class StoredRecordValues : public ValueSource {
  public:
    StoredRecordValues(SQLite::Database& db, double code);

    // Moves to the record with c901 = `code`; throws when there is none.
    void Read(double code);

    std::optional<double> Value(std::string_view name) const override;

  private:
    struct Column {
        bool numeric;
        double value;
    };

    SQLite::Statement query_;
    std::map<std::string, Column, std::less<>> columns_;  // by lower-case column name
};

}  // namespace tallwick::check
