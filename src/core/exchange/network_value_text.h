#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

// How the network-version report writes one stored value, by the field's QueryType.
namespace tallwick::exchange {

// QueryType 0 and 3: whole number, a half rounded to the even neighbour; "0" for -0.4.
void AppendWholeNumber(double value, std::string& out);

// QueryType 2: up to 15 significant digits without trailing zeros ("2.5", "3"); exponent form
// ("1E-6", "1.5E20") below 0.00001 in magnitude or with more than 15 digits before the point.
void AppendDecimal(double value, std::string& out);

// QueryType 1: ASCII commas become full-width "，"; only without a comma, every full-width
// hyphen "－" becomes "-". UTF-8 in and out.
void AppendText(std::string_view text, std::string& out);

// Dispatches on the QueryType; Null gives "0" for numbers and nothing for text, and a
// QueryType outside 0 to 3 gives nothing. The value must be protected (its database's mutex held).
void AppendValueText(sqlite3_value* value, int queryType, std::string& out);

}  // namespace tallwick::exchange
