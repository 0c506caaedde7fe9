
#include "cipher/aes_file.h"
#include "command.h"
#include "common/file_io.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {
namespace fs = std::filesystem;

TEST(CliEncrypt, EncryptsWithTheKeyTextAndReportsErrors) {
    test::TempFolder temp;
    const fs::path source = temp.Path() / "plain";
    WriteFileAtomically(source, {'a', 'b', 'c'});
    std::ostringstream out;
    std::ostringstream err;
    const auto run = [&](std::vector<std::string> args) {
        return RunEncrypt({std::move(args), temp.Path(), out, err});
    };

    ASSERT_EQ(run({source.string(), (temp.Path() / "cli").string(), "--key", "secret"}), 0)
        << err.str();
    cipher::EncryptFileWithTextKey(source, temp.Path() / "direct", "secret");
    EXPECT_EQ(ReadWholeFile(temp.Path() / "cli"), ReadWholeFile(temp.Path() / "direct"));

    EXPECT_EQ(run({(temp.Path() / "none").string(), (temp.Path() / "x").string(), "--key", "k"}),
              1);
    EXPECT_FALSE(fs::exists(temp.Path() / "x"));
    EXPECT_NE(err.str().find("none"), std::string::npos) << err.str();

    EXPECT_EQ(run({source.string(), "x", "k"}), 2);
    EXPECT_EQ(run({source.string(), "x", "--key"}), 2);
}

}  // namespace
}  // namespace tallwick::cli
