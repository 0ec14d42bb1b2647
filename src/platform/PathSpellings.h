// Whether a folder tells letter case apart, and the key by which a batch compares paths. On a disk
// that does not (exFAT, as cameras format their cards; ext4's case-folding folders) IMG.JPG and
// img.jpg name one file, and exfat-fuse even gives each spelling of a file or folder its own inode
// number, so neither the texts nor the inode numbers show that two paths lead to one file. A key
// spells every name that lies in such a folder folded (CaseFolding), the form in which the disk
// itself finds the name in the folder's listing: two paths get one key exactly when they lead to
// one stored spelling.
//
// Which folders fold is found out by a probe, never from the file system's name (FUSE mounts all
// look alike, and ext4 folds per folder): once per folder, cached for the life of the object, which
// a batch keeps for one run. A folder that cannot be probed (missing, unreadable, empty and not
// writable) is taken to behave as the folder it lies in. Thread-safe.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace stampwise {

// The probe itself, uncached: true when the folder tells IMG.JPG from img.jpg, false when it
// takes them for one name, nothing when it cannot be told. It looks up another letter case of a
// name the folder lists; only a folder without such a name gets a hidden probe file of its own for
// a moment (".stampwise-<16 hex digits>.tmp", removed at once).
std::optional<bool> ProbeTellsCaseApart(const std::string& folder);

class PathSpellings {
public:
    struct Spelling {
        // Absolute, with links, "." and ".." resolved as far as the path exists, and every name
        // that lies in a folder that does not tell case apart folded.
        std::string Key;
        // Some folder on the way does not tell case apart: the inode numbers the disk gives may
        // differ between spellings of one file, so only the key tells files apart.
        bool IsCaseBlind = false;
        // The folder that holds the last name does not tell case apart.
        bool IsInFoldingFolder = false;
    };

    Spelling Spell(const std::string& path);

private:
    Spelling SpellWhole(const std::string& path);
    Spelling SpellIn(const Spelling& folder, const std::string& folderPath,
                     const std::string& name);
    bool TellsCaseApart(const std::string& folderPath, const std::string& folderKey,
                        bool isParentTellingApart);

    std::mutex mutex_;
    std::unordered_map<std::string, bool> tellsApart_;  // by the folder's key
    std::unordered_map<std::string, Spelling> folders_;  // by the folder as given
};

}  // namespace stampwise
