// The data folder's lock: one holder at a time, and readers that take it only when opening
// changes the file.
#include "store/data_folder_lock.h"

#include "cipher/file_envelope.h"
#include "common/user_error.h"
#include "store/password.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace tallwick {
namespace {
using namespace std::chrono_literals;

TEST(DataFolderLock, HasOneHolderAtATime) {
    const test::TempFolder folder;
    std::optional<DataFolderLock> first(DataFolderLock::Acquire(folder.Path(), 0ms));
    try {
        DataFolderLock::Acquire(folder.Path(), 100ms);
        ADD_FAILURE() << "a second holder";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), kDataFolderBusy);
    }
    first.reset();
    EXPECT_NO_THROW(DataFolderLock::Acquire(folder.Path(), 0ms));
}

TEST(DataFolderLock, AReaderWaitsOnlyWhenOpeningChangesTheFile) {
    test::DeliveredDatabaseCopy copy;
    copy.CloseDb();
    const auto held = DataFolderLock::Acquire(copy.Folder());
    EXPECT_NO_THROW(OpenWorkingDatabaseToRead(copy.Folder()));

    cipher::SealFile(copy.FilePath(), copy.FilePath(), DerivePassword());
    try {
        OpenWorkingDatabaseToRead(copy.Folder());
        ADD_FAILURE() << "opened a protected file under another's lock";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), kDataFolderBusy);
    }
    EXPECT_TRUE(cipher::IsSealedFile(copy.FilePath()));
}

}  // namespace
}  // namespace tallwick
