#pragma once

#include <SQLiteCpp/Exception.h>

#include <string>

namespace tallwick {

// A failure of the database engine as the user reads it: what happened and what to do, in the
// system's language, followed by the engine's own words for support. Failures without a known
// cause keep the engine's text alone.
std::string EngineErrorText(const SQLite::Exception& error);

// The text of any failure for the user: the engine's as above, any other's as it stands.
std::string ErrorText(const std::exception& error);

}  // namespace tallwick
