#include "store/engine_error.h"

#include "common/failure_text.h"

namespace tallwick {

std::string EngineErrorText(const SQLite::Exception& error) {
    return FailureText(error);
}

std::string ErrorText(const std::exception& error) {
    return FailureText(error);
}

}  // namespace tallwick
