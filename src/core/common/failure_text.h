#pragma once

#include <exception>
#include <filesystem>
#include <string>

namespace tallwick {

// What the user reads of a failure of the database engine or the file system: a sentence in the
// system's language that names the file or folder concerned and says what to do, followed by the
// system's own words in brackets for support. An engine failure concerns `databaseFile` (empty
// when not known); a file system failure names its own path. Only a damaged `workingDatabase`
// is worth restoring from a backup. Failures without a known cause keep their own text.
std::string FailureText(const std::exception& error, const std::filesystem::path& databaseFile = {},
                        const std::filesystem::path& workingDatabase = {});

}  // namespace tallwick
