// tallwick-generate [--keep-unasked] FILE COUNT [SEED]: adds COUNT generated records to a copy of
// the survey database, for benchmarks and for trying the program on a large data set. The
// answers a record's level does not ask for stay empty, as the entry window leaves them;
// --keep-unasked fills them too, as records imported from elsewhere may be.
#include "record_generator.h"
#include "store/database.h"

#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    tallwick::bench::GeneratorOptions options;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--keep-unasked") {
            options.emptyUnasked = false;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() < 2) {
        std::cerr << "usage: tallwick-generate [--keep-unasked] FILE COUNT [SEED]\n";
        return 2;
    }
    try {
        auto db = tallwick::OpenExistingSqlite(args[0]);
        const auto seed = args.size() > 2
                              ? static_cast<std::uint32_t>(std::strtoul(args[2], nullptr, 10))
                              : 2018u;
        tallwick::bench::GenerateRecords(*db, std::strtoll(args[1], nullptr, 10), seed, options);
    } catch (const std::exception& error) {
        std::cerr << "tallwick-generate: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
