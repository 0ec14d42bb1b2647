#include "wizard/TargetChoice.h"

#include <gtest/gtest.h>

namespace stampwise {
namespace {

TEST(DefaultNamesFor, EachOperationHasItsOwnNames) {
    EXPECT_EQ(DefaultNamesFor("resize"), (NameDefaults{"resized_", "_resized", "Resized"}));
    EXPECT_EQ(DefaultNamesFor("watermark"), (NameDefaults{"marked_", "_marked", "Marked"}));
}

TEST(DefaultNamesFor, AnUnknownOrMiscasedOperationHasNone) {
    EXPECT_FALSE(DefaultNamesFor("").has_value());
    EXPECT_FALSE(DefaultNamesFor("Resize").has_value());
}

TEST(IsSourceFolderChosen, RefusesTheFolderSourceByExactText) {
    EXPECT_TRUE(IsSourceFolderChosen("folder", "/home/u/Фото", "/home/u/Фото"));
    EXPECT_FALSE(IsSourceFolderChosen("folder", "/home/u/Фото", "/home/u/фото"));
    EXPECT_FALSE(IsSourceFolderChosen("folder", "/home/u/Photos", "/home/u/Photos/"));
    EXPECT_FALSE(IsSourceFolderChosen("folder", "/home/u/Photos", "/home/u/Photos/../Photos"));
}

TEST(IsSourceFolderChosen, AFileListSourceIsNeverCompared) {
    EXPECT_FALSE(IsSourceFolderChosen("files", "/home/u/Photos", "/home/u/Photos"));
    EXPECT_FALSE(IsSourceFolderChosen("", "/home/u/Photos", "/home/u/Photos"));
}

}  // namespace
}  // namespace stampwise
