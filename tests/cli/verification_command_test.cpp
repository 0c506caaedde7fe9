#include "cli_run.h"

#include "test_support.h"
#include "verify/verification_marks.h"

#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

namespace tallwick::cli {
namespace {

TEST(CliVerification, RatesPerFirstKeyingAndOverall) {
    test::DeliveredDatabaseCopy copy;
    {
        SQLite::Database& db = copy.Db();
        SQLite::Transaction transaction(db);
        verify::AppendVerificationMark(db, {100000000001, "A", 200, 1, 1});
        verify::AppendVerificationMark(db, {100000000002, "A", 200, 0, 0});
        verify::AppendVerificationMark(db, {100000000003, "B", 100, 3, 0});
        transaction.commit();
        copy.CloseDb();
    }
    const CliRun run = RunCli(copy.Folder(), {"verification"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "A\t2\t400\t2\t1\t1\t5.00\t2.50\n"
              "B\t1\t100\t3\t3\t0\t30.00\t30.00\n"
              "*\t3\t500\t5\t4\t1\t10.00\t8.00\n");
    const CliRun json = RunCli(copy.Folder(), {"verification", "--json"});
    EXPECT_NE(json.out.find("{\"processor\": \"*\", \"records\": 3, \"answersKeyed\": 500, "
                            "\"differences\": 5, \"confirmed\": 4, \"withdrawn\": 1, "
                            "\"differencesPerThousand\": 10.00, \"errorsPerThousand\": 8.00}"),
              std::string::npos)
        << json.out;
}

}  // namespace
}  // namespace tallwick::cli
