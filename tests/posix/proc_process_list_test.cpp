#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/posix/proc_process_list.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

TEST(BareExecutableName, TakesTheWholeNameFromTheFirstArgumentOnlyWhenTheKernelCutIt) {
    const struct {
        std::string comm;
        std::string argv0;
        std::string expected;
    } cases[] = {
        {"zrl.exe", "C:\\Games\\ZRL\\zrl.exe", "zrl.exe"},
        {"bash", "/usr/bin/bash", "bash"},
        {"a-much-longer-s", "C:\\Games\\a-much-longer-simulator.exe", "a-much-longer-simulator.exe"},
        {"a-much-longer-s", "/opt/sim/a-much-longer-simulator.exe", "a-much-longer-simulator.exe"},
        {"a-much-longer-s", "Z:/mixed\\a-much-longer-simulator.exe", "a-much-longer-simulator.exe"},
        {"a-much-longer-s", "a-much-longer-simulator.exe", "a-much-longer-simulator.exe"},
        // A first argument the process rewrote to something else: keep comm.
        {"a-much-longer-s", "worker: idle", "a-much-longer-s"},
        {"a-much-longer-s", "", "a-much-longer-s"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BareExecutableName(c.comm, c.argv0), c.expected) << c.comm << " / " << c.argv0;
    }
}

// A process folder tree laid out as /proc lays it out.
class FakeProc : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("proc-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void AddProcess(const std::string& id, const std::string& stat, const std::string& cmdline = {}) {
        fs::create_directories(root_ / id);
        std::ofstream(root_ / id / "stat") << stat;
        if (!cmdline.empty()) {
            std::ofstream(root_ / id / "cmdline") << cmdline;
        }
    }

    std::map<std::uint32_t, std::string> Listed() {
        ProcFsProcessList list(root_.string());
        const auto snapshot = list.TakeSnapshot();
        std::map<std::uint32_t, std::string> listed;
        platform::ProcessEntry entry;
        while (snapshot->Next(entry)) {
            listed[entry.processId] = entry.exeName;
        }
        return listed;
    }

    fs::path root_;
};

TEST_F(FakeProc, ListsLiveProcessesAndLeavesOutZombiesVanishedAndNonProcessFolders) {
    AddProcess("1", "1 (init) S 0 1 1");
    AddProcess("42", "42 (zrl.exe) R 1 42 42");
    AddProcess("43", "43 (odd) name) S 1 43 43");
    AddProcess("44", "44 (gone) Z 1 44 44");
    AddProcess("45", "45 (a-much-longer-s) S 1", std::string("C:\\Sim\\a-much-longer-sim.exe\0--hold\0", 36));
    fs::create_directories(root_ / "46");  // vanished before its files were read
    AddProcess("self", "1 (self) S 0");
    AddProcess("0047x", "47 (bad) S 0");
    const std::map<std::uint32_t, std::string> expected = {
        {1, "init"}, {42, "zrl.exe"}, {43, "odd) name"}, {45, "a-much-longer-sim.exe"}};
    EXPECT_EQ(Listed(), expected);
}

TEST_F(FakeProc, NoSnapshotWhenTheFolderCannotBeListed) {
    ProcFsProcessList list((root_ / "missing").string());
    EXPECT_EQ(list.TakeSnapshot(), nullptr);
}

TEST(ProcFsProcessList, ListsThisProcessUnderItsName) {
    ProcFsProcessList list;
    const auto snapshot = list.TakeSnapshot();
    ASSERT_NE(snapshot, nullptr);
    platform::ProcessEntry entry;
    int count = 0;
    std::string ownName;
    while (snapshot->Next(entry)) {
        ++count;
        if (entry.processId == static_cast<std::uint32_t>(::getpid())) {
            ownName = entry.exeName;
        }
    }
    EXPECT_GT(count, 1);
    EXPECT_EQ(ownName, fs::read_symlink("/proc/self/exe").filename().string());
}

}  // namespace
}  // namespace kerbcall::posix
