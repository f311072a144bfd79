// The reader tells a simulator that has exited from one that runs but cannot
// be read, through every stage of a process's end.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/posix/proc_mem_reader.h"

namespace kerbcall::posix {
namespace {

const std::uint32_t kStored = 0x42C80000;

char StateOf(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = text.rfind(')');
    return nameEnd == std::string::npos || nameEnd + 2 >= text.size() ? '?' : text[nameEnd + 2];
}

TEST(ProcessExit, IsToldOnlyOnceTheProcessHasEnded) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    ProcMemReader memory;
    const platform::ProcessHandle process = memory.OpenForReading(static_cast<std::uint32_t>(child));
    ASSERT_NE(process, 0U);
    const auto address = reinterpret_cast<std::uintptr_t>(&kStored);
    std::array<std::byte, 4> buffer{};

    EXPECT_TRUE(memory.Read(process, address, buffer));
    EXPECT_FALSE(memory.HasExited(process));
    EXPECT_FALSE(memory.Read(process, 0, buffer)) << "an address it has not mapped";
    EXPECT_FALSE(memory.HasExited(process)) << "alive, though that read failed";
    EXPECT_FALSE(memory.HasExited(0));

    ::kill(child, SIGKILL);
    while (StateOf(child) != 'Z') {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(memory.Read(process, address, buffer)) << "a zombie";
    EXPECT_TRUE(memory.HasExited(process)) << "a zombie";

    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(memory.Read(process, address, buffer));
    EXPECT_TRUE(memory.HasExited(process)) << "reaped";
}

}  // namespace
}  // namespace kerbcall::posix
