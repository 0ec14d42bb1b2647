#include <gtest/gtest.h>

#include <string>

#include "wizard/PictureTest.h"

namespace stampwise {
namespace {

TEST(PathExtension, IsTheLastDotOfTheLastComponent) {
    EXPECT_EQ(PathExtension("/home/a/photo.jpg"), ".jpg");
    EXPECT_EQ(PathExtension("/home/a/IMG.01.JPG"), ".JPG");
    EXPECT_EQ(PathExtension("/home/a.b/photo"), "");
    EXPECT_EQ(PathExtension("/home/a/photo."), ".");
    EXPECT_EQ(PathExtension("photo.jpg"), ".jpg");
    EXPECT_EQ(PathExtension(""), "");
}

TEST(IsAcceptedPicture, TakesJpgInAnyLetterCase) {
    for (const std::string path : {"/p/photo.jpg", "/p/photo.JPG", "/p/photo.Jpg", "/p/x.jPg",
                                   "/p/.jpg", "/p/a.b.jpg"}) {
        EXPECT_TRUE(IsAcceptedPicture(path)) << path;
    }
}

TEST(IsAcceptedPicture, RefusesEveryOtherExtension) {
    for (const std::string path : {"/p/photo.jpeg", "/p/photo.png", "/p/photo", "/p/photo.jpg.png",
                                   "/p.jpg/photo", "/p/photo.jp", "/p/photo.jpgx", "/p/photo. jpg",
                                   ""}) {
        EXPECT_FALSE(IsAcceptedPicture(path)) << path;
    }
}

}  // namespace
}  // namespace stampwise
