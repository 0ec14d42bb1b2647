// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends (also after a failure).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stampwise::testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Absolute, without a trailing "/".
    const std::string& Path() const { return path_; }
    // Path() + "/" + relative.
    std::string File(const std::string& relative) const { return path_ + "/" + relative; }
    // Makes a folder (and its parents) inside this one and returns its path.
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

}  // namespace stampwise::testsupport
