#pragma once

#include <string>

namespace tallwick::exchange {

// The name as a file dialog returns it, without surrounding blanks; empty means "stop".
std::string TrimBlanks(const std::string& name);

// Appends `extension` (".dat", ".mdb") to a name of more than four characters that does not end
// in it (exact, case-sensitive): the rule of the open and save dialogs.
std::string WithExtension(const std::string& name, const std::string& extension);

// The package save dialog also extends names of four characters or fewer: "pkg" is "pkg.dat".
std::string WithPackageExtension(const std::string& name);

// Number of characters (code points) of UTF-8 text.
std::size_t CharacterCount(const std::string& text);

}  // namespace tallwick::exchange
