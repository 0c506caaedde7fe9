// tallwick-mkpackage SURVEY.mdb OUTPUT
//
// Builds the package template (view.dll) from the survey database, so that the package tables
// always have the columns of the working database.
#include "exchange/package_template.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: tallwick-mkpackage SURVEY.mdb OUTPUT\n";
        return 2;
    }
    try {
        tallwick::exchange::BuildPackageTemplate(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "tallwick-mkpackage: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
