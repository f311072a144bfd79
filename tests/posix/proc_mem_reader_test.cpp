#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "platform/posix/proc_mem_reader.h"

namespace kerbcall::posix {
namespace {

std::uint64_t AddressOf(const void* data) { return reinterpret_cast<std::uintptr_t>(data); }

std::uint32_t OwnId() { return static_cast<std::uint32_t>(::getpid()); }

TEST(ProcMemReader, OpensARunningProcessAsItsId) {
    std::ostringstream hints;
    ProcMemReader memory(hints);
    EXPECT_EQ(memory.OpenForReading(OwnId()), OwnId());
    EXPECT_EQ(memory.OpenForReading(0), 0U);
    EXPECT_EQ(memory.OpenForReading(0x7FFFFFF0U), 0U);  // above any process id
    EXPECT_EQ(hints.str(), "");
    EXPECT_EQ(ReadAccessProblem(0x7FFFFFF0U), "process 2147483632 is not running");
}

std::size_t OpenFiles() {
    const std::filesystem::directory_iterator files("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

TEST(ProcMemReader, KeepsOneMemoryFileAProcessUntilItEnds) {
    const std::size_t before = OpenFiles();
    {
        ProcMemReader memory;
        for (int opening = 0; opening < 3; ++opening) {
            EXPECT_EQ(memory.OpenForReading(OwnId()), OwnId());
        }
        EXPECT_EQ(OpenFiles(), before + 2);  // its memory file and its folder
    }
    EXPECT_EQ(OpenFiles(), before);
}

TEST(ProcMemReader, ReadsTheBytesInMemoryOrder) {
    const std::array<unsigned char, 4> stored = {0x00, 0x00, 0xC8, 0x42};
    ProcMemReader memory;
    std::array<std::byte, 4> buffer{};
    memory.Read(memory.OpenForReading(OwnId()), AddressOf(stored.data()), buffer);
    EXPECT_EQ(std::memcmp(buffer.data(), stored.data(), 4), 0);
}

TEST(ProcMemReader, LeavesTheBytesItCouldNotReadAsTheyWere) {
    // Two pages, the second made unreadable: a read across the boundary
    // delivers the first half only.
    const long page = ::sysconf(_SC_PAGESIZE);
    auto* pages = static_cast<unsigned char*>(::mmap(nullptr, static_cast<std::size_t>(2 * page),
                                                     PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    std::memset(pages, 0xAB, static_cast<std::size_t>(page));
    ASSERT_EQ(::mprotect(pages + page, static_cast<std::size_t>(page), PROT_NONE), 0);

    ProcMemReader memory;
    const platform::ProcessHandle self = memory.OpenForReading(OwnId());
    const struct {
        const char* what;
        platform::ProcessHandle handle;
        std::uint64_t address;
        int delivered;
    } cases[] = {
        {"across into an unreadable page", self, AddressOf(pages + page - 2), 2},
        {"wholly unreadable", self, AddressOf(pages + page), 0},
        {"null address", self, 0, 0},
        {"no process", 0, AddressOf(pages), 0},
        {"a process that does not exist", 0x7FFFFFF0U, AddressOf(pages), 0},
    };
    for (const auto& c : cases) {
        std::array<std::byte, 4> buffer{};
        memory.Read(c.handle, c.address, buffer);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(buffer[static_cast<std::size_t>(i)],
                      std::byte{static_cast<unsigned char>(i < c.delivered ? 0xAB : 0)})
                << c.what << ", byte " << i;
        }
    }
    ::munmap(pages, static_cast<std::size_t>(2 * page));
}

TEST(ProcMemReader, ExplainsARefusedReadOnceOnTheHintStream) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // As an unprivileged user, the root-owned test process is out of reach.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(10);
        }
        std::ostringstream hints;
        ProcMemReader memory(hints);
        const bool refused = memory.OpenForReading(static_cast<std::uint32_t>(parent)) == 0 &&
                             memory.OpenForReading(static_cast<std::uint32_t>(parent)) == 0;
        const std::string text = hints.str();
        const bool oneLine = text.find('\n') == text.size() - 1;
        const bool saysHow = text.find("not permitted") != std::string::npos &&
                             text.find("run Kerbcall as the simulator's user") != std::string::npos;
        ::_exit(refused ? (oneLine ? (saysHow ? 0 : 13) : 12) : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: could not change user, 11: not refused, 12: not one line, 13: no advice";
}

}  // namespace
}  // namespace kerbcall::posix
