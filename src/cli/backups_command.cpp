// tallwick-cli backups: the safety copies of the data folder, newest first, one per line as
// PATH<TAB>TIME<TAB>OPERATION<TAB>RECORDS ("?" for a copy that cannot be read).
#include "command.h"

#include "store/safety_copy.h"

#include <ostream>

namespace tallwick::cli {

int RunBackups(const CommandContext& context) {
    if (!context.args.empty()) {
        context.err << "usage: tallwick-cli backups\n";
        return 2;
    }
    for (const SafetyCopy& copy : ListSafetyCopies(context.programFolder)) {
        context.out << copy.path.string() << '\t' << copy.time << '\t' << copy.operation << '\t'
                    << (copy.records ? std::to_string(*copy.records) : "?") << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
