// Where the folder window opens: the folder a new user most likely keeps photos in, selected, so
// the common case needs one click. The window asks the desktop for the candidates; this only
// chooses between them.
#pragma once

#include <string>

namespace stampwise {

// picturesFolder when it is an existing folder, else homeFolder (a Pictures folder named in the
// desktop's settings but never made is no place to open at).
std::string ChooseStartFolder(const std::string& picturesFolder, const std::string& homeFolder);

}  // namespace stampwise
