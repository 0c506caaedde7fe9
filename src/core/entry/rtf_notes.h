#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallwick::entry {

// The notes of a form page are RTF files. This reads the subset they are written in (paragraphs,
// line breaks, bold, colour table and \cf, \uN and \'hh escapes; other destinations skipped) and
// returns Qt rich text (an HTML subset). nullopt when the text is not RTF or is malformed, so the
// caller shows the file as plain text instead.
std::optional<std::string> RtfToRichText(std::string_view rtf);

}  // namespace tallwick::entry
