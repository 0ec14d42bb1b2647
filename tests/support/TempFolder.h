// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends (also after a failure).
#pragma once

#include <filesystem>
#include <string>

namespace stampwise::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Absolute, without a trailing "/".
    std::string String() const { return path_.string(); }

    // The full path of a name inside the folder (nothing is made).
    std::string operator/(const std::string& name) const { return String() + "/" + name; }

    // Writes a file (name relative to the folder) and returns its full path.
    std::string WriteFile(const std::string& name, const std::string& contents) const;
    // Makes a folder (and its parents) inside this one and returns its full path.
    std::string MakeFolder(const std::string& name) const;

private:
    std::filesystem::path path_;
};

}  // namespace stampwise::testing
