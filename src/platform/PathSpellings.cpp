// The probe looks a name up under another letter case: a disk that folds case finds the listed
// name under it, one that does not finds nothing (or, having both spellings, lists both). Only
// ASCII letters are swapped: a disk that folds case folds those first, and every photo's name has
// some (its extension).
#include "platform/PathSpellings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/CaseFolding.h"

namespace stampwise {

namespace {

namespace fs = std::filesystem;

// The batch's own hidden files come and go while another run probes: never a name to try.
constexpr std::string_view kOwnFilePrefix = ".stampwise-";

bool HasAsciiLetter(const std::string& name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::string SwapAsciiCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// 0 when something is at path, else the system's error number.
int LookUp(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? 0 : errno;
}

// For a folder that lists no name to try: a file of the probe's own, made under one spelling and
// looked up under another.
std::optional<bool> ProbeWithOwnFile(const std::string& folder) {
    thread_local std::mt19937_64 random(std::random_device{}());
    char name[40];
    std::snprintf(name, sizeof name, ".stampwise-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    const std::string probe = Join(folder, name);
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    ::close(fd);
    const int found = LookUp(Join(folder, SwapAsciiCase(name)));
    ::unlink(probe.c_str());
    if (found == 0) return false;
    if (found == ENOENT) return true;
    return std::nullopt;
}

}  // namespace

std::optional<bool> ProbeTellsCaseApart(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> seen;
    std::optional<bool> answer;
    bool isTried = false;  // a name was tried, and the folder's lookups failed
    while (!answer && !isTried) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        seen.push_back(name);
        if (!HasAsciiLetter(name) || name.starts_with(kOwnFilePrefix)) continue;
        const std::string variant = SwapAsciiCase(name);
        const int found = LookUp(Join(folder, variant));
        if (found == ENOENT) {
            // Unless the name itself went meanwhile, the other spelling is no name here.
            const int itself = LookUp(Join(folder, name));
            if (itself == 0) answer = true;
            isTried = itself != 0 && itself != ENOENT;
        } else if (found == 0) {
            // The same entry, unless the folder lists both spellings.
            bool isListed = std::find(seen.begin(), seen.end(), variant) != seen.end();
            while (!isListed && (entry = ::readdir(dir)) != nullptr) {
                isListed = variant == entry->d_name;
            }
            answer = isListed;
        } else {
            isTried = true;
        }
    }
    ::closedir(dir);
    if (answer || isTried) return answer;
    return ProbeWithOwnFile(folder);
}

PathSpellings::Spelling PathSpellings::Spell(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A link leads elsewhere, and ".", ".." or a trailing "/" name no entry of the folder: for
    // those the whole path is resolved. Any other name is spelled within its folder, whose key is
    // worked out once.
    struct stat info {};
    if (name.empty() || name == "." || name == ".." ||
        (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))) {
        return SpellWhole(path);
    }
    const std::string folderPath = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : path.substr(0, slash);
    std::optional<Spelling> folder;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto found = folders_.find(folderPath); found != folders_.end()) {
            folder = found->second;
        }
    }
    if (!folder) {
        folder = SpellWhole(folderPath);
        const std::lock_guard<std::mutex> lock(mutex_);
        folders_.emplace(folderPath, *folder);
    }
    return SpellIn(*folder, folderPath, name);
}

PathSpellings::Spelling PathSpellings::SpellWhole(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(fs::path(path), ec);
    if (ec) absolute = fs::path(path);
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    if (ec) canonical = absolute;
    canonical = canonical.lexically_normal();
    Spelling spelling;
    spelling.Key = canonical.root_path().string();
    std::string walked = spelling.Key;  // the same folder as the key so far, spelled as given
    for (const fs::path& part : canonical.relative_path()) {
        const std::string name = part.string();
        if (name.empty()) continue;  // after a trailing "/"
        spelling = SpellIn(spelling, walked.empty() ? "." : walked, name);
        walked = Join(walked, name);
    }
    return spelling;
}

PathSpellings::Spelling PathSpellings::SpellIn(const Spelling& folder,
                                               const std::string& folderPath,
                                               const std::string& name) {
    const bool isApart = TellsCaseApart(folderPath, folder.Key, !folder.IsInFoldingFolder);
    Spelling spelling;
    spelling.Key = Join(folder.Key, isApart ? name : FoldCase(name));
    spelling.IsCaseBlind = folder.IsCaseBlind || !isApart;
    spelling.IsInFoldingFolder = !isApart;
    return spelling;
}

bool PathSpellings::TellsCaseApart(const std::string& folderPath, const std::string& folderKey,
                                   bool isParentTellingApart) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto found = tellsApart_.find(folderKey); found != tellsApart_.end()) {
            return found->second;
        }
    }
    // Two threads may probe one folder at once; both find the same.
    const bool isApart = ProbeTellsCaseApart(folderPath).value_or(isParentTellingApart);
    const std::lock_guard<std::mutex> lock(mutex_);
    return tellsApart_.emplace(folderKey, isApart).first->second;
}

}  // namespace stampwise
