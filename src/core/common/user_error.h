#pragma once

#include <stdexcept>
#include <string>

namespace tallwick {

// An error whose text is shown to the user exactly as it stands: the GUI puts it in a message
// box, the CLI prints it on stderr. Carry the system's own wording, never a debugging text.
class UserError : public std::runtime_error {
  public:
    explicit UserError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tallwick
