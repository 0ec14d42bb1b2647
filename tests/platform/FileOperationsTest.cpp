// The renames a save chooses between: one that never replaces, and the exchange of two files.
#include "platform/FileOperations.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using testing::ReadFileBytes;
using testing::TempFolder;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(FileOperations, RenameNoReplaceRefusesATakenNameAndExchangeSwapsTheFiles) {
    TempFolder folder;
    const std::string a = folder.WriteFile("a", "first");
    const std::string b = folder.WriteFile("b", "second");

    const int refused = RenameNoReplace(a, b);
    if (refused == EINVAL || refused == ENOSYS || refused == EOPNOTSUPP) {
        GTEST_SKIP() << "the temporary folder's file system cannot rename without replacing";
    }
    EXPECT_EQ(refused, EEXIST);
    EXPECT_EQ(ReadFileBytes(b), Bytes("second"));

    ASSERT_EQ(ExchangeFiles(a, b), 0);
    EXPECT_EQ(ReadFileBytes(a), Bytes("second"));
    EXPECT_EQ(ReadFileBytes(b), Bytes("first"));
    EXPECT_EQ(ExchangeFiles(a, folder.String() + "/missing"), ENOENT);
}

TEST(FileOperations, FolderWriteAccessSaysWhyAFolderCannotTakeFiles) {
    TempFolder folder;
    const std::string file = folder.WriteFile("file", "not a folder");
    const std::string locked = folder.MakeFolder("locked");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);

    EXPECT_EQ(FolderWriteAccess(folder.String()), 0);
    EXPECT_EQ(FolderWriteAccess(folder.String() + "/missing"), ENOENT);
    EXPECT_EQ(FolderWriteAccess(""), ENOENT);
    EXPECT_EQ(FolderWriteAccess(file), ENOTDIR);
    EXPECT_EQ(FolderWriteAccess(file + "/below"), ENOENT);
    // The superuser may write into a folder without the write bit.
    EXPECT_EQ(FolderWriteAccess(locked), ::geteuid() == 0 ? 0 : EACCES);
    ::chmod(locked.c_str(), 0755);
}

}  // namespace
}  // namespace stampwise
