// tallwick-cli encrypt SRC DST --key TEXT: the AES-128 ECB file encryption of the network
// report, for any file; DST is replaced only when complete.

#include "cipher/aes_file.h"
#include "command.h"

#include <ostream>
#include <system_error>

namespace tallwick::cli {

int RunEncrypt(const CommandContext& context) {
    const auto& args = context.args;
    if (args.size() != 4 || args[2] != "--key") {
        context.err << "usage: tallwick-cli encrypt SRC DST --key TEXT\n";
        return 2;
    }
    try {
        cipher::EncryptFileReplacing(args[0], args[1], args[3]);
    } catch (const std::system_error& error) {
        context.err << error.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tallwick::cli
