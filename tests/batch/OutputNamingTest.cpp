#include "batch/OutputNaming.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace stampwise {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const TargetTexts kTargets{"/out", "Resized", "resized_", "_resized"};

std::string PathFor(const std::string& source, const std::string& mode,
                    const TargetTexts& targets = kTargets) {
    const std::string path = PlannedOutputPath(source, mode, targets);
    EXPECT_EQ(MakeOutputFolder(path, mode), "");
    return path;
}

bool IsSame(const std::string& source, const std::string& output) {
    PathSpellings spellings;
    return IsSameFile(source, output, spellings);
}

TEST(OutputPath, FolderModeJoinsTheTargetFolderAndTheName) {
    EXPECT_EQ(PathFor("/photos/img01.jpg", "folder"), "/out/img01.jpg");
}

TEST(OutputPath, FolderModeJoinsTextsAsTheyStand) {
    TargetTexts targets = kTargets;
    targets.Folder = "/out/";
    EXPECT_EQ(PathFor("/photos/img01.jpg", "folder", targets), "/out//img01.jpg");
}

TEST(OutputPath, PrefixGoesBeforeTheWholeName) {
    EXPECT_EQ(PathFor("/photos/Фото/img01.jpg", "prefix"), "/photos/Фото/resized_img01.jpg");
}

TEST(OutputPath, SuffixGoesBeforeTheLastExtensionKeepingItsCase) {
    EXPECT_EQ(PathFor("/photos/img01.jpg", "suffix"), "/photos/img01_resized.jpg");
    TargetTexts marked = kTargets;
    marked.Suffix = "_marked";
    EXPECT_EQ(PathFor("/photos/IMG.01.JPG", "suffix", marked), "/photos/IMG.01_marked.JPG");
}

TEST(OutputPath, NameWithoutDotGetsTheSuffixAtItsEnd) {
    // The dot of the folder's name is no extension of the file's.
    EXPECT_EQ(PathFor("/my.photos/picture", "suffix"), "/my.photos/picture_resized");
}

TEST(OutputPath, UnknownModeGivesNoPath) {
    EXPECT_EQ(PathFor("/photos/a.jpg", "Folder"), "");
}

TEST(OutputPath, SubfolderModeMakesTheSubfolderBesideTheSource) {
    TempFolder dir;
    const std::string source = dir.String() + "/img01.jpg";

    EXPECT_EQ(PathFor(source, "subfolder"), dir.String() + "/Resized/img01.jpg");
    EXPECT_TRUE(fs::is_directory(dir.String() + "/Resized"));
    // A second file finds it there.
    EXPECT_EQ(PathFor(dir.String() + "/img02.jpg", "subfolder"),
              dir.String() + "/Resized/img02.jpg");
}

TEST(OutputPath, SubfolderThatCannotBeMadeIsReported) {
    TempFolder dir;
    dir.WriteFile("Blocked", "a file where the folder should go");
    TargetTexts targets = kTargets;
    targets.Subfolder = "Blocked";

    const std::string path = PlannedOutputPath(dir.String() + "/a.jpg", "subfolder", targets);
    const std::string error = MakeOutputFolder(path, "subfolder");

    EXPECT_EQ(path, dir.String() + "/Blocked/a.jpg");
    EXPECT_EQ(error, "Невозможно создать каталог " + dir.String() + "/Blocked");
}

TEST(OutputPath, SubfolderIsMadeOneLevelOnly) {
    TempFolder dir;
    TargetTexts targets = kTargets;
    targets.Subfolder = "a/b";

    const std::string error =
        MakeOutputFolder(PlannedOutputPath(dir.String() + "/x.jpg", "subfolder", targets), "subfolder");

    EXPECT_EQ(error, "Невозможно создать каталог " + dir.String() + "/a/b");
    EXPECT_FALSE(fs::exists(dir.String() + "/a"));
}

TEST(OutputPath, OtherModesCreateNothing) {
    TempFolder dir;
    TargetTexts targets = kTargets;
    targets.Folder = dir.String() + "/missing";
    PathFor(dir.String() + "/a.jpg", "folder", targets);
    PathFor(dir.String() + "/a.jpg", "prefix", targets);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(IsSameFile, RecognisesTheSourceUnderOtherSpellings) {
    TempFolder dir;
    const std::string source = dir.WriteFile("a.jpg", "x");
    fs::create_directory_symlink(dir.Path(), dir.Path() / "link");

    EXPECT_TRUE(IsSame(source, source));
    EXPECT_TRUE(IsSame(source, dir.String() + "//a.jpg"));
    EXPECT_TRUE(IsSame(source, dir.String() + "/./a.jpg"));
    EXPECT_TRUE(IsSame(source, dir.String() + "/link/a.jpg"));
}

TEST(IsSameFile, HardLinkIsTheSameFile) {
    TempFolder dir;
    const std::string source = dir.WriteFile("a.jpg", "x");
    fs::create_hard_link(source, dir.Path() / "b.jpg");
    EXPECT_TRUE(IsSame(source, dir.String() + "/b.jpg"));
}

TEST(IsSameFile, DifferentFilesAreNot) {
    TempFolder dir;
    const std::string a = dir.WriteFile("a.jpg", "x");
    const std::string b = dir.WriteFile("b.jpg", "x");
    EXPECT_FALSE(IsSame(a, b));
    EXPECT_FALSE(IsSame(a, dir.String() + "/missing.jpg"));
    // A folder that tells letter case apart holds other files under other spellings.
    EXPECT_FALSE(IsSame(a, dir.String() + "/A.jpg"));
    EXPECT_FALSE(IsSame(dir.WriteFile("Фото.jpg", "x"), dir.String() + "/ФОТО.jpg"));
}

TEST(IsSameFile, PathsOfMissingFilesAreComparedNormalised) {
    TempFolder dir;
    const std::string missing = dir.String() + "/sub/missing.jpg";
    EXPECT_TRUE(IsSame(missing, dir.String() + "/sub/../sub/./missing.jpg"));
    EXPECT_FALSE(IsSame(missing, dir.String() + "/sub/other.jpg"));
}

}  // namespace
}  // namespace stampwise
