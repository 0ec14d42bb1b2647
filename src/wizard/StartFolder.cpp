#include "wizard/StartFolder.h"

#include <filesystem>
#include <system_error>

namespace stampwise {

std::string ChooseStartFolder(const std::string& picturesFolder, const std::string& homeFolder) {
    std::error_code error;
    if (!picturesFolder.empty() && std::filesystem::is_directory(picturesFolder, error)) {
        return picturesFolder;
    }
    return homeFolder;
}

}  // namespace stampwise
