// tallwick-generate [--keep-unasked] [--realistic [--slips N] [--truth FILE]] DBFILE COUNT [SEED]:
// adds COUNT generated records to a copy of the survey database, for benchmarks and for trying
// the program on a large data set. The answers a record's level does not ask for stay empty, as
// the entry window leaves them; --keep-unasked fills them too, as records imported from elsewhere
// may be. --realistic draws a population whose answers relate as real ones do, every record
// repaired until all rules hold, with N keying slips planted; --truth writes what was planted
// as tab-separated lines CODE, FIELD, KIND, MEANT, KEYED, NEIGHBOUR.
#include "locate/locate_fields.h"
#include "realistic_population.h"
#include "record_generator.h"
#include "store/database.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    using namespace tallwick::bench;
    GeneratorOptions options;
    bool realistic = false;
    int slips = 0;
    std::string truth;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--keep-unasked") {
            options.emptyUnasked = false;
        } else if (arg == "--realistic") {
            realistic = true;
        } else if (arg == "--slips" && i + 1 < argc) {
            slips = std::atoi(argv[++i]);
        } else if (arg == "--truth" && i + 1 < argc) {
            truth = argv[++i];
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() < 2) {
        std::cerr << "usage: tallwick-generate [--keep-unasked] [--realistic [--slips N] "
                     "[--truth FILE]] DBFILE COUNT [SEED]\n";
        return 2;
    }
    try {
        auto db = tallwick::OpenExistingSqlite(args[0]);
        const auto seed = args.size() > 2
                              ? static_cast<std::uint32_t>(std::strtoul(args[2], nullptr, 10))
                              : 2018u;
        const auto count = std::strtoll(args[1], nullptr, 10);
        if (!realistic) {
            GenerateRecords(*db, count, seed, options);
            return 0;
        }
        RealisticStats stats;
        const auto planted = GenerateRealisticRecords(*db, count, seed, slips, &stats);
        std::cerr << "repaired " << stats.repaired << ", drawn again " << stats.redrawn
                  << ", slips planted " << planted.size() << '\n';
        if (!truth.empty()) {
            std::ofstream out(truth);
            const auto fields = tallwick::locate::LocateFields();
            for (const PlantedSlip& slip : planted) {
                out << static_cast<long long>(slip.code) << '\t'
                    << fields[static_cast<std::size_t>(slip.field)].name << '\t'
                    << SlipName(slip.kind) << '\t' << slip.meant << '\t' << slip.keyed << '\t'
                    << (slip.neighbour >= 0 ? fields[static_cast<std::size_t>(slip.neighbour)].name
                                            : std::string_view("-"))
                    << '\n';
            }
            if (!out) throw std::runtime_error("cannot write " + truth);
        }
    } catch (const std::exception& error) {
        std::cerr << "tallwick-generate: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
