#include "wizard/PictureTest.h"

namespace stampwise {

// No character outside ASCII upper-cases to J, P or G in any locale, so the ASCII folding of
// HasJpgExtension is the locale's upper-casing for this one extension.
bool IsAcceptedPicture(const std::string& path) { return HasJpgExtension(path); }

}  // namespace stampwise
