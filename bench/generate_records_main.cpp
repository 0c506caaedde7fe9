// tallwick-generate FILE COUNT [SEED]: adds COUNT generated records to a copy of the survey
// database, for benchmarks and for trying the program on a large data set.
#include "record_generator.h"
#include "store/database.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: tallwick-generate FILE COUNT [SEED]\n";
        return 2;
    }
    try {
        auto db = tallwick::OpenExistingSqlite(argv[1]);
        const auto seed =
            argc > 3 ? static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 2018u;
        tallwick::bench::GenerateRecords(*db, std::strtoll(argv[2], nullptr, 10), seed);
    } catch (const std::exception& error) {
        std::cerr << "tallwick-generate: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
