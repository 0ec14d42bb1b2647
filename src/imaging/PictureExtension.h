// The one rule for a picture's extension, by name only: the file is not opened, so a folder named
// x.jpg passes and an unreadable file is only found out when it is read. Letter case is folded in
// ASCII only, so a byte of a UTF-8 letter is never changed halfway through its sequence.
//
// ReadPictureFile (PictureFile.cpp) keeps its own reading of the extension through
// std::filesystem, which sees no extension in a name that begins with its only dot (".jpg").
#pragma once

#include <string>

namespace stampwise {

// The part of path from its last "." after the last "/", dot included; empty when the last
// component has no dot.
std::string PathExtension(const std::string& path);

// PathExtension(path) with a to z upper-cased (".Jpg" gives ".JPG").
std::string UpperCaseExtension(const std::string& path);

// True when UpperCaseExtension(path) is ".JPG" (photo.jpg, photo.Jpg; not photo.jpeg).
bool HasJpgExtension(const std::string& path);

}  // namespace stampwise
