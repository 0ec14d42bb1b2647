// Which shell items the file list window takes as pictures: those whose extension, upper-cased,
// is ".JPG". Only the name is looked at; the file is not opened, so a folder named x.jpg passes and
// an unreadable file is only found out when it is previewed or processed.
#pragma once

#include <string>

#include "imaging/PictureExtension.h"

namespace stampwise {

// True when PathExtension(path), upper-cased, equals ".JPG" (photo.jpg, photo.Jpg; not photo.jpeg).
bool IsAcceptedPicture(const std::string& path);

}  // namespace stampwise
