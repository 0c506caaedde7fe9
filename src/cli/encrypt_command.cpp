// tallwick-cli encrypt SRC DST --key TEXT: the AES-128 ECB file encryption of the network
// report, for any file; DST is replaced only when complete.

#include "cipher/aes_file.h"
#include "command.h"
#include "common/file_io.h"

#include <ostream>
#include <system_error>

namespace tallwick::cli {

int RunEncrypt(const CommandContext& context) {
    const auto& args = context.args;
    if (args.size() != 4 || args[2] != "--key") {
        context.err << "usage: tallwick-cli encrypt SRC DST --key TEXT\n";
        return 2;
    }
    const std::filesystem::path target = args[1];
    try {
        const auto temp = SiblingTempPath(target);
        try {
            cipher::EncryptFileWithTextKey(args[0], temp, args[3]);
            std::filesystem::rename(temp, target);
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw;
        }
    } catch (const std::system_error& error) {
        context.err << error.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tallwick::cli
