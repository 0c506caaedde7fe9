#include "exchange/exchange_error.h"

#include "exchange/exchange_messages.h"

namespace tallwick::exchange {

void RefuseCopyOntoItself(const std::filesystem::path& source,
                          const std::filesystem::path& target) {
    std::error_code error;
    if (std::filesystem::equivalent(source, target, error) && !error)
        throw UserError(messages::kTargetIsWorkingDatabase);
}

}  // namespace tallwick::exchange
