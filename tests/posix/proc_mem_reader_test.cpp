#include "platform/posix/proc_mem_reader.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <filesystem>
#include <iterator>
#include <sstream>

namespace kerbcall::posix {
namespace {

std::uint32_t OwnId() { return static_cast<std::uint32_t>(::getpid()); }

std::size_t OpenFiles() {
    const std::filesystem::directory_iterator files("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

TEST(ProcMemReader, KeepsOneMemoryFileAProcessAndReadsWhatCanBeRead) {
    // Two pages, the second made unreadable: a read across the boundary
    // delivers the first half only.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    auto* pages = static_cast<unsigned char*>(
        ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    const std::array<unsigned char, 4> stored = {0x00, 0x01, 0xC8, 0x42};
    std::copy(stored.begin(), stored.end(), pages + page - 4);
    ASSERT_EQ(::mprotect(pages + page, page, PROT_NONE), 0);
    const auto at = [&](std::size_t offset) { return reinterpret_cast<std::uintptr_t>(pages + offset); };

    const std::size_t filesBefore = OpenFiles();
    {
        std::ostringstream hints;
        ProcMemReader memory(hints);
        for (int opening = 0; opening < 3; ++opening) {
            EXPECT_EQ(memory.OpenForReading(OwnId()), OwnId());
        }
        EXPECT_EQ(OpenFiles(), filesBefore + 2);  // its memory file and its folder
        EXPECT_EQ(memory.OpenForReading(0), 0U);
        EXPECT_EQ(memory.OpenForReading(0x7FFFFFF0U), 0U);
        const struct {
            platform::ProcessHandle handle;
            std::uint64_t address;
            std::array<unsigned char, 4> expected;
        } cases[] = {
            {OwnId(), at(page - 4), stored}, {OwnId(), at(page - 2), {0xC8, 0x42, 0, 0}},
            {OwnId(), at(page), {}},         {OwnId(), 0, {}},
            {0, at(page - 4), {}},           {0x7FFFFFF0U, at(page - 4), {}},
        };
        for (const auto& c : cases) {
            std::array<std::byte, 4> buffer{};
            memory.Read(c.handle, c.address, buffer);
            using Bytes = std::array<unsigned char, 4>;
            EXPECT_EQ(std::bit_cast<Bytes>(buffer), c.expected) << c.address;
        }
        EXPECT_EQ(hints.str(), "");
    }
    EXPECT_EQ(OpenFiles(), filesBefore);
    EXPECT_EQ(ReadAccessProblem(0x7FFFFFF0U), "process 2147483632 is not running");
    ::munmap(pages, 2 * page);
}

TEST(ProcMemReader, ExplainsARefusedReadOnceOnTheHintStream) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const auto parent = static_cast<std::uint32_t>(::getpid());
    const pid_t child = ::fork();
    if (child == 0) {
        // As an unprivileged user, the root-owned test process is out of reach.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(10);
        }
        std::ostringstream hints;
        ProcMemReader memory(hints);
        const bool refused = memory.OpenForReading(parent) == 0 && memory.OpenForReading(parent) == 0;
        const std::string text = hints.str();
        const bool oneLine = text.find('\n') == text.size() - 1;
        const bool saysHow = text.find("not permitted") != std::string::npos &&
                             text.find("run Kerbcall as the simulator's user") != std::string::npos;
        ::_exit(refused ? (oneLine ? (saysHow ? 0 : 13) : 12) : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: could not change user, 11: not refused, 12: not one line, 13: no advice";
}

}  // namespace
}  // namespace kerbcall::posix
