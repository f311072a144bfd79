// The manifest, icon and version details built into the Windows programs,
// read back out of the files as Windows reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

struct Program {
    const char* file;
    bool showsWindows;
    bool hasIcon;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.file; }

class ResourcesTest : public testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        path_ = TestProgramFolder() + "\\" + GetParam().file;
        module_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << path_;
    }
    void TearDown() override { FreeLibrary(module_); }

    // Empty when the program has no such resource.
    std::string_view Resource(const char* name, WORD type) const {
        HRSRC resource = FindResourceA(module_, name, MAKEINTRESOURCEA(type));
        if (resource == nullptr) {
            return {};
        }
        return {static_cast<const char*>(LockResource(LoadResource(module_, resource))),
                SizeofResource(module_, resource)};
    }

    std::string path_;
    HMODULE module_ = nullptr;
};

TEST_P(ResourcesTest, TheManifestAsksForTheUsersOwnRightsAndForDpiAwarenessWhereThereAreWindows) {
    const std::string_view manifest = Resource(MAKEINTRESOURCEA(1), 24);
    const auto has = [&manifest](std::string_view text) { return manifest.find(text) != std::string_view::npos; };
    EXPECT_TRUE(has(R"(<requestedExecutionLevel level="asInvoker")"));
    EXPECT_TRUE(has(R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)"));  // Windows 7
    EXPECT_TRUE(has(R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)"));  // Windows 10
    EXPECT_EQ(has(">PerMonitorV2, System</dpiAwareness>"), GetParam().showsWindows);
    EXPECT_EQ(has(">true</dpiAware>"), GetParam().showsWindows);
    EXPECT_EQ(has(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), GetParam().showsWindows);
    EXPECT_TRUE(manifest.ends_with("</assembly>\n"));
}

// Windows picks each size out of the icon group and makes an icon of it.
TEST_P(ResourcesTest, TheIconComesAt16_32_48And256Pixels) {
    const std::string_view group = Resource("KERBCALL", 14);
    ASSERT_EQ(!group.empty(), GetParam().hasIcon);
    for (const int size : GetParam().hasIcon ? std::vector<int>{16, 32, 48, 256} : std::vector<int>{}) {
        auto* directory = reinterpret_cast<PBYTE>(const_cast<char*>(group.data()));
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        const std::string_view image = Resource(MAKEINTRESOURCEA(id), 3);
        HICON icon =
            CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(image.data())),
                                     static_cast<DWORD>(image.size()), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info)) << size;
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST_P(ResourcesTest, TheVersionDetailsNameKerbcallAndItsVersion) {
    DWORD ignored = 0;
    std::vector<char> details(GetFileVersionInfoSizeA(path_.c_str(), &ignored));
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, static_cast<DWORD>(details.size()), details.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(details.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                  "." + std::to_string(HIWORD(fixed->dwFileVersionLS)),
              KERBCALL_VERSION);

    const auto text = [&details, &length](const std::string& name) -> std::string {
        char* value = nullptr;
        const std::string key = "\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueA(details.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) {
            return "(none)";
        }
        return value;
    };
    EXPECT_EQ(text("FileVersion"), KERBCALL_VERSION);
    EXPECT_EQ(text("ProductVersion"), KERBCALL_VERSION);
    EXPECT_EQ(text("ProductName"), "Kerbcall");
    EXPECT_EQ(text("OriginalFilename"), GetParam().file);
    EXPECT_TRUE(text("FileDescription").starts_with("Kerbcall")) << text("FileDescription");
    EXPECT_TRUE(text("LegalCopyright").starts_with("Copyright (C) ")) << text("LegalCopyright");
}

INSTANTIATE_TEST_SUITE_P(Programs, ResourcesTest,
                         testing::Values(Program{"kerbcall.exe", true, true}, Program{"kerbcall-cli.exe", false, true},
                                         Program{"zrl.exe", false, false}));

}  // namespace
}  // namespace kerbcall::win32_tests
