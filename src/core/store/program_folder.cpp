#include "store/program_folder.h"

#include <cstdlib>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

fs::path ResolveProgramFolder(const std::optional<fs::path>& requested) {
    if (requested && !requested->empty()) return fs::absolute(*requested);
    if (const char* fromEnvironment = std::getenv(kDataDirVariable);
        fromEnvironment && *fromEnvironment) {
        return fs::absolute(fromEnvironment);
    }
    return ExecutableFolder();
}

}  // namespace tallwick
