#include "tty_fake_sysfs.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

namespace {

struct FakeSysfs {
    std::string root;
    FakeSysfs() {
        char folder[] = "/tmp/brindlecast-sysfs-XXXXXX";
        if (mkdtemp(folder) == nullptr) return;
        std::string command = std::string("sh " BRINDLECAST_FAKE_SYSFS " ") + folder;
        if (std::system(command.c_str()) == 0) root = folder;
    }
    ~FakeSysfs() {
        std::error_code ignored;
        if (!root.empty()) std::filesystem::remove_all(root, ignored);
    }
};

}  // namespace

const std::string& fakeSysfsTree() {
    static FakeSysfs tree;
    return tree.root;
}
