// Output names of the four target modes, the one-level subfolder of the "subfolder" mode, and the
// test that keeps a result from replacing its own source.
//
// The texts the user typed are joined exactly as they stand: nothing is trimmed, no separator is
// added or removed, and the folder mode neither checks nor creates its folder (the save reports a
// missing one). Whether two paths name one file is left to the file system, never to the texts.
#include "batch/OutputNaming.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "job/JobState.h"

namespace stampwise {

namespace {

namespace fs = std::filesystem;

struct SplitPath {
    std::string Folder;  // up to and including the last "/", or empty
    std::string Name;
};

SplitPath Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Makes the folder when it is missing. Only the last level is made: a subfolder text that names a
// deeper path whose parents are missing is a folder that cannot be created.
bool EnsureFolder(const std::string& folder) {
    std::error_code ec;
    if (fs::is_directory(fs::path(folder), ec)) return true;
    ec.clear();
    fs::create_directory(fs::path(folder), ec);
    if (!ec) return true;
    // Another batch, or the same folder listed twice, may have made it meanwhile.
    ec.clear();
    return fs::is_directory(fs::path(folder), ec);
}

}  // namespace

std::string PlannedOutputPath(const std::string& source, const std::string& targetMode,
                              const TargetTexts& targets) {
    const SplitPath parts = Split(source);
    std::string output;
    if (targetMode == keyword::kFolder) {
        output = targets.Folder + "/" + parts.Name;
    }
    if (targetMode == keyword::kSubfolder) {
        output = parts.Folder + targets.Subfolder + "/" + parts.Name;
    }
    if (targetMode == keyword::kPrefix) {
        output = parts.Folder + targets.Prefix + parts.Name;
    }
    if (targetMode == keyword::kSuffix) {
        // Only the last extension counts, and it keeps its letter case: IMG.01.JPG gives
        // IMG.01_marked.JPG. A name without "." gets the suffix at its end.
        const std::size_t dot = parts.Name.rfind('.');
        const std::string stem = dot == std::string::npos ? parts.Name : parts.Name.substr(0, dot);
        const std::string extension = dot == std::string::npos ? std::string() : parts.Name.substr(dot);
        output = parts.Folder + stem + targets.Suffix + extension;
    }
    return output;
}

std::string MakeOutputFolder(const std::string& outputPath, const std::string& targetMode) {
    if (targetMode != keyword::kSubfolder) return "";
    // The name holds no "/", so the folder is exactly the source's folder and the subfolder text,
    // as typed: the message names it so.
    const std::string folder = Split(outputPath).Folder;
    const std::string made = folder.empty() ? folder : folder.substr(0, folder.size() - 1);
    return EnsureFolder(made) ? "" : kCannotCreateFolderText + made;
}

bool IsSameFile(const std::string& source, const std::string& output, PathSpellings& spellings) {
    return FileIdentity(source, spellings) == FileIdentity(output, spellings);
}

std::string FileIdentity(const std::string& path, PathSpellings& spellings) {
    // Hard links, symbolic links and every spelling of a folder come to the same file here. An
    // absolute path starts with "/", so the two kinds of key never meet.
    const PathSpellings::Spelling spelling = spellings.Spell(path);
    struct stat info {};
    if (!spelling.IsCaseBlind && ::stat(path.c_str(), &info) == 0) {
        return "file " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    }
    return spelling.Key;
}

}  // namespace stampwise
