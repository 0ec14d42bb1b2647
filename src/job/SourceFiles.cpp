// Building the list of source pictures. A folder is searched for "*.jpg" in any letter case; only
// entries that are not folders count, so a folder named like a picture is never a source. A
// directory listing has no meaningful order on Linux, so the names are sorted as a file manager
// shows them.
#include "job/SourceFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "imaging/PictureExtension.h"

namespace stampwise {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool NaturalNameLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Compare the digit runs by value: skip leading zeros, then the longer run is larger,
            // then the first differing digit decides.
            std::size_t ai = i;
            std::size_t bj = j;
            while (ai < a.size() && a[ai] == '0') ++ai;
            while (bj < b.size() && b[bj] == '0') ++bj;
            std::size_t aEnd = ai;
            std::size_t bEnd = bj;
            while (aEnd < a.size() && IsDigit(a[aEnd])) ++aEnd;
            while (bEnd < b.size() && IsDigit(b[bEnd])) ++bEnd;
            if (aEnd - ai != bEnd - bj) return aEnd - ai < bEnd - bj;
            for (std::size_t k = 0; k < aEnd - ai; ++k) {
                if (a[ai + k] != b[bj + k]) return a[ai + k] < b[bj + k];
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        const char ca = FoldCase(a[i]);
        const char cb = FoldCase(b[j]);
        if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    // Equal under folding and digit values (Img01 and img1): byte order keeps the sort total.
    return a < b;
}

std::vector<std::string> FindFolderPictures(const std::string& folder, std::error_code* failure) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ignored;
    std::error_code& error = failure != nullptr ? *failure : ignored;
    error.clear();
    // No folder chosen is no pictures: searching the working directory instead would list files
    // that the joined paths ("/" + name) then fail to name, or name a stranger at the root.
    if (folder.empty()) return {};
    fs::directory_iterator it(folder, error);
    if (error) return {};
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const std::string name = it->path().filename().string();
        if (!HasJpgExtension(name)) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalNameLess);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) paths.push_back(folder + "/" + name);
    return paths;
}

SourceFilesResult ReadSourceFiles(JobState& job, const std::string& folder,
                                  const std::vector<std::string>& listEntries) {
    SourceFilesResult result;
    if (job.SourceKind == keyword::kFolder) {
        std::vector<std::string> found = FindFolderPictures(folder);
        if (found.empty()) {
            result.Notice = kNoJpgInFolderText;
        } else {
            job.SourceFiles = std::move(found);
            job.SourceFilesKind = keyword::kFolder;
            job.SourceFilesFolder = folder;
            result.Ok = true;
        }
    }
    if (job.SourceKind == keyword::kFiles) {
        if (listEntries.empty()) {
            result.Notice = kNoFilesChosenText;
        } else {
            job.SourceFiles = listEntries;
            job.SourceFilesKind = keyword::kFiles;
            job.SourceFilesFolder.clear();
            result.Ok = true;
        }
    }
    return result;
}

}  // namespace stampwise
