// White-box: the registry's links, built from its own sources against the
// test host, with pseudo-terminals as the devices.
#include "descriptor_count.h"
#include "pty_pair.h"
#include "registry/port_registry.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        thFailAllocation(0);
        thClearWarnings();
        resetPortRegistry();
        startDescriptors = countOpenDescriptors();
    }
    void TearDown() override {
        thRunInCall([] { closeAllPorts(); });
        for (PtyPair& pair : pairs) closePtyPair(&pair);
        EXPECT_EQ(thPersistentBlocks(), 0u);
    }

    // An open device to register: a pseudo-terminal's port end.
    HANDLE openDevice() {
        pairs.emplace_back();
        EXPECT_TRUE(openPtyPair(&pairs.back()));
        HANDLE device = CreateFileA(pairs.back().slavePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(device, INVALID_HANDLE_VALUE);
        return device;
    }
    // True when the device of pair i is free again (nobody holds it).
    bool released(size_t i) {
        HANDLE again = CreateFileA(pairs[i].slavePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (again == INVALID_HANDLE_VALUE) return false;
        CloseHandle(again);
        return true;
    }
    void registerIds(std::initializer_list<int32_t> ids) {
        for (int32_t id : ids) {
            HANDLE device = openDevice();
            ThCallResult result = thRunInCall([&] { EXPECT_EQ(registerPort(id, device), id); });
            ASSERT_FALSE(result.failed) << result.message;
        }
    }

    std::vector<PtyPair> pairs;
    int startDescriptors = 0;
};

TEST_F(RegistryTest, LinksNewestFirstAndUnlinksWithoutSpecialCases) {
    EXPECT_EQ(findPort(-1), nullptr) << "the anchor must never match";
    registerIds({10, 20});
    PortEntry* anchor = &portRegistry.anchor;
    PortEntry* twenty = anchor->next;
    ASSERT_NE(twenty, nullptr);
    PortEntry* ten = twenty->next;
    EXPECT_EQ(twenty->id, 20);
    EXPECT_EQ(twenty->prev, anchor);
    EXPECT_EQ(ten->id, 10);
    EXPECT_EQ(ten->prev, twenty);
    EXPECT_EQ(ten->next, nullptr);
    EXPECT_EQ(findPort(10), ten);
    EXPECT_EQ(findPort(-1), nullptr);

    CloseHandle(twenty->handle);
    thRunInCall([] { unlinkPort(20); });
    EXPECT_EQ(anchor->next, ten);
    EXPECT_EQ(ten->prev, anchor);
    EXPECT_EQ(findPort(20), nullptr);

    CloseHandle(ten->handle);
    thRunInCall([] { unlinkPort(10); });
    EXPECT_EQ(anchor->next, nullptr);
    EXPECT_EQ(thPersistentBlocks(), 0u);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

TEST_F(RegistryTest, UnlinksFromTheMiddle) {
    registerIds({1, 2, 3});
    PortEntry* middle = findPort(2);
    CloseHandle(middle->handle);
    thRunInCall([] { unlinkPort(2); });
    EXPECT_EQ(findPort(3)->next, findPort(1));
    EXPECT_EQ(findPort(1)->prev, findPort(3));
    EXPECT_TRUE(released(1));
}

TEST_F(RegistryTest, UnlinkingAnIdThatIsNotThereIsAnErrorWithoutIdentifier) {
    registerIds({7});
    ThCallResult result = thRunInCall([] { unlinkPort(8); });
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.identifier, "");
    EXPECT_EQ(result.message, "Unable to find node in list");
    EXPECT_NE(findPort(7), nullptr);
}

TEST_F(RegistryTest, AnEntryThatCannotBeAllocatedClosesItsDeviceAndChangesNothing) {
    registerIds({5});
    HANDLE device = openDevice();
    thFailAllocation(1);
    ThCallResult result = thRunInCall([&] { registerPort(6, device); });
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.identifier, "");
    EXPECT_EQ(result.message, "Out of memory in MEX-file");
    EXPECT_TRUE(released(1)) << "the device given to registerPort leaked";
    EXPECT_EQ(portRegistry.anchor.next, findPort(5));
    EXPECT_EQ(findPort(5)->next, nullptr);
    EXPECT_EQ(thPersistentBlocks(), 1u);
}

TEST_F(RegistryTest, ExitHookWarnsOnceAndClosesEveryDevice) {
    thRunInCall([] { onModuleExit(); });
    EXPECT_TRUE(thWarnings().empty()) << "nothing open, nothing to say";

    registerIds({30, 40});
    thRunInCall([] { onModuleExit(); });
    ASSERT_EQ(thWarnings().size(), 1u);
    EXPECT_EQ(thWarnings()[0],
              "Closing all open Serial Port. It is no longer possible to write to any previously "
              "open Serial Port.");
    EXPECT_EQ(portRegistry.anchor.next, nullptr);
    EXPECT_TRUE(released(0));
    EXPECT_TRUE(released(1));
    EXPECT_EQ(thPersistentBlocks(), 0u);
    for (PtyPair& pair : pairs) closePtyPair(&pair);
    pairs.clear();
    EXPECT_EQ(countOpenDescriptors(), startDescriptors);
}

}  // namespace
