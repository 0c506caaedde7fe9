#pragma once

#include <string>

namespace tallwick {

// The one password of protected working databases, data packages and protected import files.
// It is never stored as such: it is derived from a seed by a fixed substitution.
std::string DerivePassword();

}  // namespace tallwick
