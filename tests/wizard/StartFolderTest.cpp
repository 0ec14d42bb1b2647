#include "wizard/StartFolder.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::TempFolder;

TEST(ChooseStartFolder, PicturesWhenItExistsAsAFolderElseHome) {
    TempFolder home;
    const std::string pictures = home.MakeFolder("Изображения");
    const std::string aFile = home.WriteFile("Pictures", "not a folder");
    EXPECT_EQ(ChooseStartFolder(pictures, home.String()), pictures);
    EXPECT_EQ(ChooseStartFolder(home / "Missing", home.String()), home.String());
    EXPECT_EQ(ChooseStartFolder(aFile, home.String()), home.String());
    EXPECT_EQ(ChooseStartFolder("", home.String()), home.String());
}

}  // namespace
}  // namespace stampwise
