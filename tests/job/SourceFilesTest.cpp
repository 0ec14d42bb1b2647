#include "job/SourceFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::TempFolder;

JobState FolderJob() {
    JobState job;
    job.SourceKind = keyword::kFolder;
    return job;
}

JobState FilesJob() {
    JobState job;
    job.SourceKind = keyword::kFiles;
    return job;
}

TEST(ReadSourceFiles, FolderListsEveryLetterCaseOfJpgInNameOrder) {
    TempFolder dir;
    dir.WriteFile("B.JPG", "x");
    dir.WriteFile("a.jpg", "x");
    dir.WriteFile("c.Jpg", "x");
    dir.WriteFile("d.jpeg", "x");
    dir.WriteFile("e.png", "x");
    dir.WriteFile("jpg", "x");
    JobState job = FolderJob();
    const SourceFilesResult result = ReadSourceFiles(job, dir.String(), {});
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(job.SourceFiles, (std::vector<std::string>{dir.String() + "/a.jpg", dir.String() + "/B.JPG",
                                                         dir.String() + "/c.Jpg"}));
}

TEST(ReadSourceFiles, FolderPathIsJoinedWithoutNormalising) {
    TempFolder dir;
    dir.WriteFile("a.jpg", "x");
    JobState job = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(job, dir.String() + "/", {}).Ok);
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{dir.String() + "//a.jpg"});
}

TEST(ReadSourceFiles, HiddenPicturesAreListed) {
    TempFolder dir;
    dir.WriteFile(".hidden.jpg", "x");
    JobState job = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(job, dir.String(), {}).Ok);
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{dir.String() + "/.hidden.jpg"});
}

TEST(ReadSourceFiles, FoldersNamedLikePicturesAreSkippedWhereverTheyStand) {
    TempFolder dir;
    dir.MakeFolder("0.jpg");
    dir.WriteFile("m.jpg", "x");
    dir.MakeFolder("z.jpg");
    JobState job = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(job, dir.String(), {}).Ok);
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{dir.String() + "/m.jpg"});
}

TEST(ReadSourceFiles, FolderWithOnlyAPictureNamedFolderGivesTheNotice) {
    TempFolder dir;
    dir.MakeFolder("x.jpg");
    JobState job = FolderJob();
    job.SourceFiles = {"/earlier/one.jpg"};
    const SourceFilesResult result = ReadSourceFiles(job, dir.String(), {});
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Notice, "В каталоге нет файлов с расширением jpg!");
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{"/earlier/one.jpg"});
}

TEST(ReadSourceFiles, MissingFolderGivesTheNoticeAndKeepsTheList) {
    TempFolder dir;
    JobState job = FolderJob();
    job.SourceFiles = {"/a.jpg", "/b.jpg"};
    const SourceFilesResult result = ReadSourceFiles(job, dir / "nowhere", {});
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Notice, kNoJpgInFolderText);
    EXPECT_EQ(job.SourceFiles, (std::vector<std::string>{"/a.jpg", "/b.jpg"}));
}

TEST(ReadSourceFiles, SecondCallWithFewerFilesLeavesOnlyTheNewOnes) {
    TempFolder first;
    first.WriteFile("1.jpg", "x");
    first.WriteFile("2.jpg", "x");
    first.WriteFile("3.jpg", "x");
    TempFolder second;
    second.WriteFile("only.jpg", "x");
    JobState job = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(job, first.String(), {}).Ok);
    ASSERT_EQ(job.SourceFiles.size(), 3u);
    ASSERT_TRUE(ReadSourceFiles(job, second.String(), {}).Ok);
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{second.String() + "/only.jpg"});
}

TEST(ReadSourceFiles, FileListKeepsOrderAndDuplicates) {
    JobState job = FilesJob();
    const std::vector<std::string> entries = {"/p/b.jpg", "/p/a.jpg", "/p/b.jpg"};
    ASSERT_TRUE(ReadSourceFiles(job, "", entries).Ok);
    EXPECT_EQ(job.SourceFiles, entries);
}

TEST(ReadSourceFiles, EmptyFileListGivesTheNoticeAndKeepsTheList) {
    JobState job = FilesJob();
    job.SourceFiles = {"/kept.jpg"};
    const SourceFilesResult result = ReadSourceFiles(job, "/some/folder", {});
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Notice, "Не выбраны файлы для преобразования!");
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{"/kept.jpg"});
}

TEST(ReadSourceFiles, BranchDependsOnSourceKindAlone) {
    TempFolder dir;
    dir.WriteFile("folder.jpg", "x");
    const std::vector<std::string> entries = {"/list/entry.jpg"};

    JobState files = FilesJob();
    ASSERT_TRUE(ReadSourceFiles(files, dir.String(), entries).Ok);
    EXPECT_EQ(files.SourceFiles, entries);

    JobState folder = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(folder, dir.String(), entries).Ok);
    EXPECT_EQ(folder.SourceFiles, std::vector<std::string>{dir.String() + "/folder.jpg"});

    JobState unknown;
    unknown.SourceKind = "Folder";  // keywords are compared exactly
    unknown.SourceFiles = {"/kept.jpg"};
    EXPECT_FALSE(ReadSourceFiles(unknown, dir.String(), entries).Ok);
    EXPECT_EQ(unknown.SourceFiles, std::vector<std::string>{"/kept.jpg"});
}

TEST(ReadSourceFiles, TheListKeepsTheSourceItWasConfirmedFrom) {
    TempFolder dir;
    dir.WriteFile("a.jpg", "x");
    JobState job = FolderJob();
    ASSERT_TRUE(ReadSourceFiles(job, dir.String(), {}).Ok);
    EXPECT_EQ(job.SourceFilesKind, "folder");
    EXPECT_EQ(job.SourceFilesFolder, dir.String());

    job.SourceKind = keyword::kFiles;
    ASSERT_TRUE(ReadSourceFiles(job, dir.String(), {"/list/b.jpg"}).Ok);
    EXPECT_EQ(job.SourceFilesKind, "files");
    EXPECT_EQ(job.SourceFilesFolder, "");

    // A folder without pictures confirms nothing: the list and its source stay.
    job.SourceKind = keyword::kFolder;
    EXPECT_FALSE(ReadSourceFiles(job, dir / "nowhere", {}).Ok);
    EXPECT_EQ(job.SourceFilesKind, "files");
}

TEST(NaturalNameLess, OrdersAsAFileManagerShowsNames) {
    std::vector<std::string> names = {"img10.jpg", "IMG2.jpg", "img1.jpg", "b.jpg", "A.jpg", "img02.jpg"};
    std::sort(names.begin(), names.end(), NaturalNameLess);
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "b.jpg", "img1.jpg", "IMG2.jpg", "img02.jpg",
                                               "img10.jpg"}));
}

TEST(NaturalNameLess, IsAStrictOrderOnNamesThatFoldTogether) {
    EXPECT_TRUE(NaturalNameLess("A.jpg", "a.jpg") != NaturalNameLess("a.jpg", "A.jpg"));
    EXPECT_FALSE(NaturalNameLess("a.jpg", "a.jpg"));
    EXPECT_TRUE(NaturalNameLess("a", "a1"));
    EXPECT_FALSE(NaturalNameLess("a1", "a"));
}

}  // namespace
}  // namespace stampwise
