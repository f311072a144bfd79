// The Windows services against a running stand-in simulator, real files and sounds; the programs' resources.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using platform::win32::Win32Files;
using platform::win32::Win32Platform;

// Each build's distance found and read; failed reads leave zeros, and an ended simulator is no longer listed
// and its handle is closed.
TEST(Win32ProcessAccessTest, FindsTheSimulatorAndReadsEachBuildsDistance) {
    const std::tuple<const char*, std::uint64_t, float> cases[] = {
        {"--early --hold 123.5", kEarlyPositionAddress, 123.5F}, {"--hold -1", kLatePositionAddress, -1.0F}};
    for (const auto& [arguments, positionAddress, distance] : cases) {
        Win32Platform windows;
        RunningSimulator simulator(arguments);
        ProcessDiscovery discovery(windows.processes, windows.memory, windows.pump, windows.program);
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(false);
        EXPECT_EQ(discovery.simExecutableIndex, 1);
        EXPECT_EQ(discovery.simProcessId, simulator.ProcessId());
        PositionReader reader(windows.memory);
        reader.simProcess = discovery.simProcess;
        reader.DetectBuild();
        reader.SelectPositionAddress();
        reader.SamplePosition();
        EXPECT_EQ(reader.positionAddress, positionAddress);
        EXPECT_EQ(reader.currentPosition, distance);
        const auto reads = [&windows](platform::ProcessHandle from, std::uint64_t address) {
            std::array<std::byte, 4> buffer{};
            windows.memory.Read(from, address, buffer);
            return buffer != std::array<std::byte, 4>{};
        };
        // No handle, an address the simulator has not mapped, one beyond 4 GiB.
        EXPECT_FALSE(reads(0, positionAddress) || reads(discovery.simProcess, 0x10) ||
                     reads(discovery.simProcess, 0x1'0000'0000ULL));
        simulator.Stop();
        EXPECT_FALSE(reads(discovery.simProcess, positionAddress));
        DWORD flags = 0;
        EXPECT_TRUE(reader.SimulatorExited() &&
                    !GetHandleInformation(reinterpret_cast<HANDLE>(discovery.simProcess), &flags));
        auto snapshot = windows.processes.TakeSnapshot();
        ASSERT_NE(snapshot, nullptr);
        for (platform::ProcessEntry entry; snapshot->Next(entry);) {
            EXPECT_NE(entry.processId, discovery.simProcessId);
        }
    }
    // Process ids are multiples of 4: no process has this one.
    EXPECT_EQ(Win32Platform().memory.OpenForReading(0x7FFFFFF1), platform::ProcessHandle{0});
}

// Every command of a play and the close after it: code 0 for a real MP3 beside the test program, else nonzero.
TEST(MciTest, EveryCommandOfAPlayGetsTheSameAnswer) {
    const std::tuple<const char*, bool, const char*, std::size_t, bool> cases[] = {
        {"left3.mp3", false, "", 5, true},  // five commands with the close
        {"hairpin.mp3", true, "left", 4, true},
        {"deactivated.mp3", false, "Right", 4, true},
        {"no such note.mp3", false, "", 5, false},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\dev\\zero", false, "", 1, false}};  // not even opened
    for (const auto& [soundFile, loopSound, channel, commands, succeeds] : cases) {
        platform::win32::Win32Mci service;
        fakes::RecordingMci mci(service);
        platform::win32::Win32Files files;
        SoundPlayer player(mci, files, TestProgramFolder());
        player.PlaySound(soundFile, loopSound, channel);
        player.CloseSound();
        ASSERT_EQ(mci.sent.size(), commands);
        for (const auto& answered : mci.sent) {
            EXPECT_EQ(answered.code == 0, succeeds) << answered.command << " gave " << answered.code;
        }
        mci.sent.clear();
        player.CloseSound();
        EXPECT_NE(mci.sent.at(0).code, 0) << "closing with nothing open fails";
    }
}

TEST(Win32FilesTest, FindsAndReadsFilesButNotFoldersOrTooLargeOnesBesideTheProgram) {
    const std::string folder = TestProgramFolder() + "\\files test";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream(folder + "\\Monza.ini", std::ios::binary) << "left3.mp3,125\r\n";
    Win32Files files;
    const std::pair<const char*, bool> cases[] = {
        {"\\Monza.ini", true}, {"\\MONZA.INI", true}, {"", true},         {"\\", false},
        {"\\Spa.ini", false},  {"\\*.ini", true},     {"\\*.mp3", false}, {"\\no folder\\Monza.ini", false},
    };
    for (const auto& [path, exists] : cases) {
        EXPECT_EQ(files.FileExists(folder + path), exists) << path;
    }
    // A search that found nothing leaves its own error: no close of an invalid handle followed.
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(files.FileExists(folder + "\\Spa.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(files.ReadWholeFile(folder + "\\Monza.ini"), "left3.mp3,125\r\n");
    EXPECT_EQ(files.ReadWholeFile(folder), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile(folder + "\\Spa.ini"), std::nullopt);
    for (const std::size_t size : {Win32Files::kLargestFile, Win32Files::kLargestFile + 1}) {
        const std::string path = folder + "\\large.ini";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const LARGE_INTEGER end{.QuadPart = static_cast<LONGLONG>(size)};
        ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file) && CloseHandle(file));
        EXPECT_EQ(files.ReadWholeFile(path).has_value(), size == Win32Files::kLargestFile) << size;
        DeleteFileA(path.c_str());
    }
    // The program's folder is where it stands, with a backslash only at a drive's root.
    EXPECT_TRUE(files.FileExists(TestProgramFolder() + "\\kerbcall_win32_tests.exe"));
    using platform::win32::FolderOfExecutable;
    EXPECT_EQ(FolderOfExecutable("C:\\Games\\Kerbcall\\kerbcall.exe"), "C:\\Games\\Kerbcall");
    EXPECT_EQ(FolderOfExecutable("C:\\kerbcall.exe"), "C:\\");
    EXPECT_EQ(FolderOfExecutable("\\\\server\\share\\kerbcall.exe"), "\\\\server\\share");
}

TEST(Win32MessagePumpTest, HandlesEveryPendingMessageAndReturns) {
    HWND edit = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    for (const char typed : {'a', 'b', 'c'}) {
        PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(typed), 0);
    }
    platform::win32::Win32MessagePump().HandlePendingMessages();
    char text[8] = {};
    GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ(text, "abc");
    DestroyWindow(edit);
}

// A program's file, whether it shows windows and whether it has the icon.
class ResourcesTest : public testing::TestWithParam<std::tuple<const char*, bool, bool>> {};

// Read out of the program's file as Windows reads them.
TEST_P(ResourcesTest, TheManifestIconAndVersionDetailsAreBuiltIn) {
    const auto& [file, showsWindows, hasIcon] = GetParam();
    const std::string path = TestProgramFolder() + "\\" + file;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << path;
    const auto resource = [module](const char* name, WORD type) -> std::string_view {  // empty where there is none
        HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(type));
        return found == nullptr ? ""
                                : std::string_view{static_cast<const char*>(LockResource(LoadResource(module, found))),
                                                   SizeofResource(module, found)};
    };
    // The window settings come in one block, shown by the window tests; the rest no behaviour shows.
    const std::string_view manifest = resource(MAKEINTRESOURCEA(1), 24);
    for (const auto& [part, present] :
         {std::pair<std::string_view, bool>{R"(<requestedExecutionLevel level="asInvoker")", true},
          {R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)", true},  // Windows 7
          {R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)", true},  // Windows 10
          {">PerMonitorV2, System</dpiAwareness>", showsWindows},
          {">true</dpiAware>", showsWindows}}) {
        EXPECT_EQ(manifest.find(part) != std::string_view::npos, present) << part;
    }
    EXPECT_TRUE(manifest.ends_with("</assembly>\n"));

    // Windows picks each size out of the icon group and makes an icon of it.
    const std::string_view group = resource("KERBCALL", 14);
    EXPECT_EQ(!group.empty(), hasIcon);
    const auto bytes = [](std::string_view data) { return reinterpret_cast<PBYTE>(const_cast<char*>(data.data())); };
    for (const int size : hasIcon ? std::vector<int>{16, 32, 48, 256} : std::vector<int>{}) {
        const std::string_view image =
            resource(MAKEINTRESOURCEA(LookupIconIdFromDirectoryEx(bytes(group), TRUE, size, size, 0)), 3);
        HICON icon =
            CreateIconFromResourceEx(bytes(image), static_cast<DWORD>(image.size()), TRUE, 0x00030000, 0, 0, 0);
        ICONINFO info{};
        BITMAP colour{};
        EXPECT_TRUE(GetIconInfo(icon, &info) && GetObjectA(info.hbmColor, sizeof(colour), &colour)) << size;
        EXPECT_EQ(std::pair(colour.bmWidth, colour.bmBitsPixel), std::pair(LONG{size}, WORD{32}));
    }
    FreeLibrary(module);

    DWORD ignored = 0;
    std::vector<char> details(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(details.size()), details.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(details.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                  "." + std::to_string(HIWORD(fixed->dwFileVersionLS)),
              KERBCALL_VERSION);
    const std::tuple<const char*, std::string, bool> texts[] = {
        {"FileVersion", KERBCALL_VERSION, true}, {"ProductVersion", KERBCALL_VERSION, true},
        {"ProductName", "Kerbcall", true},       {"OriginalFilename", file, true},
        {"FileDescription", "Kerbcall", false},  {"LegalCopyright", "Copyright (C) ", false}};
    for (const auto& [name, expected, whole] : texts) {
        char* value = nullptr;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        const bool found = VerQueryValueA(details.data(), key.c_str(), reinterpret_cast<void**>(&value), &length);
        const std::string text = found && length > 0 ? value : "(none)";
        EXPECT_TRUE(whole ? text == expected : text.starts_with(expected)) << name << ": " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ResourcesTest,
                         testing::Values(std::tuple("kerbcall.exe", true, true),
                                         std::tuple("kerbcall-cli.exe", false, true),
                                         std::tuple("zrl.exe", false, false)));

}  // namespace
}  // namespace kerbcall::win32_tests
