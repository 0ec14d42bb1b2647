// The letter case a disk that does not tell case apart ignores when it looks a name up: Unicode
// simple case folding (one letter to one letter, as exFAT's and NTFS's up-case tables and ext4's
// case-folding folders treat names), for the scripts a photo's name is written in here: Latin
// (Basic, Latin-1, Extended-A), Greek and Cyrillic. Letters of other scripts stay as they are, and
// so does every byte that is not part of a well-formed UTF-8 sequence; no name is normalised.
#pragma once

#include <string>
#include <string_view>

namespace stampwise {

// The letter's folded form: small for a capital (also for a title-case or other variant form,
// such as final sigma), itself for any other code point.
char32_t FoldCase(char32_t letter);

// The UTF-8 text with every letter folded.
std::string FoldCase(std::string_view text);

}  // namespace stampwise
