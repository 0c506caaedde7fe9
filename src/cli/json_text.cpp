#include "json_text.h"

#include "common/json_value.h"

namespace tallwick::cli {

std::string JsonString(std::string_view text) {
    return JsonQuoted(text);
}

}  // namespace tallwick::cli
