#include "cli_run.h"

#include "locate/locate_fields.h"
#include "realistic_population.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

std::vector<std::vector<std::string>> Lines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) fields.push_back(cell);
        lines.push_back(fields);
    }
    return lines;
}

// Four hundred realistic records with a slip of each kind.
class CliReview : public ::testing::Test {
  protected:
    void SetUp() override {
        planted = bench::GenerateRealisticRecords(copy.Db(), 400, 7, 4);
        copy.CloseDb();
        for (const auto& slip : planted)
            if (slip.kind == bench::SlipKind::Times100) hundredfold = slip;
    }
    test::DeliveredDatabaseCopy copy;
    std::vector<bench::PlantedSlip> planted;
    bench::PlantedSlip hundredfold;
};

TEST_F(CliReview, PrintsTheTopRecordsHighestScoreFirst) {
    const CliRun run = RunCli(copy.Folder(), {"review", "--top", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines) ASSERT_EQ(line.size(), 6u);
    EXPECT_EQ(lines[0][0], std::to_string(static_cast<long long>(hundredfold.code)));
    EXPECT_EQ(lines[0][2],
              locate::LocateFields()[static_cast<std::size_t>(hundredfold.field)].name);
    EXPECT_EQ(std::stod(lines[0][3]), hundredfold.keyed);
    EXPECT_LE(std::stod(lines[0][4]), std::stod(lines[0][5]));
    EXPECT_LT(std::stod(lines[0][5]), hundredfold.keyed);
    EXPECT_GE(std::stod(lines[0][1]), std::stod(lines[1][1]));
    EXPECT_GE(std::stod(lines[1][1]), std::stod(lines[2][1]));

    const CliRun all = RunCli(copy.Folder(), {"review"});
    EXPECT_GT(Lines(all.out).size(), 3u);
    EXPECT_EQ(all.out.substr(0, run.out.size()), run.out);
}

TEST_F(CliReview, JsonCarriesTheSameRecords) {
    const CliRun run = RunCli(copy.Folder(), {"review", "--top", "2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.front(), '[');
    EXPECT_NE(run.out.find("\"code\": \"" +
                           std::to_string(static_cast<long long>(hundredfold.code)) + "\""),
              std::string::npos);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '{'), 2);
}

TEST_F(CliReview, RefusesWhatItDoesNotKnow) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"review", "--top"},
                                                 {"review", "--top", "x"},
                                                 {"review", "extra"}}) {
        const CliRun run = RunCli(copy.Folder(), args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: tallwick-cli review"), std::string::npos);
    }
}

}  // namespace
}  // namespace tallwick::cli
