#pragma once

#include <SQLiteCpp/Exception.h>

#include <string>

namespace tallwick {

// A failure of the database engine as the user reads it (see FailureText), where the file it
// concerns is not known here.
std::string EngineErrorText(const SQLite::Exception& error);

// The text of any failure for the user: the engine's and the file system's as above, any other's
// as it stands.
std::string ErrorText(const std::exception& error);

}  // namespace tallwick
