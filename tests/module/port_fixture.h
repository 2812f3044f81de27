// Module tests that need devices: pseudo-terminal pairs whose port ends are
// opened by the module through symlinks with names of the test's choosing.
#pragma once

#include "descriptor_count.h"
#include "module_fixture.h"
#include "pty_pair.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <string>

class PortTest : public ModuleTest {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brindlecast-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ModuleTest::SetUp();
    }
    void TearDown() override {
        ModuleTest::TearDown();  // unloading closes whatever the test left open
        for (PtyPair& pair : pairs) closePtyPair(&pair);
        for (const std::string& link : links) unlink(link.c_str());
        rmdir(folder.c_str());
    }

    // A new line; its port end is reachable as folder/name.
    PtyPair& line(const std::string& name) {
        pairs.emplace_back();
        EXPECT_TRUE(openPtyPair(&pairs.back()));
        std::string link = path(name);
        EXPECT_EQ(symlink(pairs.back().slavePath.c_str(), link.c_str()), 0) << link;
        links.push_back(link);
        return pairs.back();
    }
    // Another name for an existing line's port end.
    std::string alias(const PtyPair& pair, const std::string& name) {
        std::string link = path(name);
        EXPECT_EQ(symlink(pair.slavePath.c_str(), link.c_str()), 0) << link;
        links.push_back(link);
        return link;
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }

    // True when nobody holds the line's port end: the exclusive claim an
    // open port takes (flock) can be had.
    static bool free(const PtyPair& pair) {
        int fd = ::open(pair.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        bool claimed = flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return claimed;
    }

    std::string folder;
    std::deque<PtyPair> pairs;  // stable addresses for line()'s references
    std::deque<std::string> links;
};
