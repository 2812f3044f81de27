#include "tty_class.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

std::vector<std::string> ttyClassPorts(const std::string& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        std::ifstream type(entry.path() / "type");
        std::string kind;
        bool bluetooth = entry.path().filename().string().rfind("rfcomm", 0) == 0;
        bool device = std::filesystem::is_symlink(entry.path() / "device");
        if ((!device && !bluetooth) || (type >> kind && kind == "0")) continue;
        names.push_back("/dev/" + entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
