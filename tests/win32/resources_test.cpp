// The manifest, icon and version details built into the Windows programs,
// read back out of the files as Windows reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
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

std::string_view ResourceData(HMODULE module, HRSRC resource) {
    return {static_cast<const char*>(LockResource(LoadResource(module, resource))), SizeofResource(module, resource)};
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// An icon group's entry as it lies in the file.
#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitsPerPixel;
    DWORD bytes;
    WORD iconId;
};
#pragma pack(pop)

class ResourcesTest : public testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        path_ = TestProgramFolder() + "\\" + GetParam().file;
        module_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << path_;
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }

    std::string path_;
    HMODULE module_ = nullptr;
};

TEST_P(ResourcesTest, TheManifestAsksForTheUsersOwnRightsAndForDpiAwarenessWhereThereAreWindows) {
    HRSRC resource = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(resource, nullptr);
    const std::string_view manifest = ResourceData(module_, resource);
    const auto has = [&manifest](std::string_view text) { return manifest.find(text) != std::string_view::npos; };
    EXPECT_TRUE(has(R"(<requestedExecutionLevel level="asInvoker")"));
    for (const char* windows : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
        EXPECT_TRUE(has(windows)) << windows;
    }
    EXPECT_EQ(has(">PerMonitorV2, System</dpiAwareness>"), GetParam().showsWindows);
    EXPECT_EQ(has(">true</dpiAware>"), GetParam().showsWindows);
    EXPECT_EQ(has(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), GetParam().showsWindows);
    EXPECT_TRUE(manifest.ends_with("</assembly>\n"));
}

TEST_P(ResourcesTest, TheIconComesAt16_32_48And256Pixels) {
    int groups = 0;
    EnumResourceNamesA(module_, MAKEINTRESOURCEA(14), CountName, reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups, GetParam().hasIcon ? 1 : 0);
    if (!GetParam().hasIcon) {
        return;
    }
    HRSRC groupResource = FindResourceA(module_, "KERBCALL", MAKEINTRESOURCEA(14));
    ASSERT_NE(groupResource, nullptr);
    const std::string_view group = ResourceData(module_, groupResource);
    WORD count = 0;
    ASSERT_GE(group.size(), 6U);
    std::memcpy(&count, group.data() + 4, sizeof(count));
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));

    std::vector<int> sizes;
    for (WORD index = 0; index < count; ++index) {
        IconGroupEntry entry{};
        std::memcpy(&entry, group.data() + 6 + index * sizeof(IconGroupEntry), sizeof(entry));
        HRSRC imageResource = FindResourceA(module_, MAKEINTRESOURCEA(entry.iconId), MAKEINTRESOURCEA(3));
        ASSERT_NE(imageResource, nullptr);
        const std::string_view image = ResourceData(module_, imageResource);
        EXPECT_EQ(image.size(), entry.bytes);
        // Windows makes an icon of each image at the size the group gives it.
        const int size = entry.width == 0 ? 256 : entry.width;
        HICON icon =
            CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(image.data())),
                                     static_cast<DWORD>(image.size()), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        EXPECT_EQ(entry.bitsPerPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
        sizes.push_back(size);
    }
    std::ranges::sort(sizes);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
}

TEST_P(ResourcesTest, TheVersionDetailsNameKerbcallAndItsVersion) {
    DWORD ignored = 0;
    std::vector<char> details(GetFileVersionInfoSizeA(path_.c_str(), &ignored));
    ASSERT_FALSE(details.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, static_cast<DWORD>(details.size()), details.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(details.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDU);
    const std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, KERBCALL_VERSION);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const auto text = [&details](const std::string& name) {
        char* value = nullptr;
        UINT size = 0;
        const std::string key = "\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueA(details.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) || size == 0) {
            return std::string("(none)");
        }
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Kerbcall");
    EXPECT_EQ(text("FileVersion"), KERBCALL_VERSION);
    EXPECT_EQ(text("ProductVersion"), KERBCALL_VERSION);
    EXPECT_EQ(text("OriginalFilename"), GetParam().file);
    EXPECT_TRUE(text("FileDescription").starts_with("Kerbcall")) << text("FileDescription");
    EXPECT_TRUE(text("LegalCopyright").starts_with("Copyright (C) ")) << text("LegalCopyright");
}

INSTANTIATE_TEST_SUITE_P(Programs, ResourcesTest,
                         testing::Values(Program{"kerbcall.exe", true, true}, Program{"kerbcall-cli.exe", false, true},
                                         Program{"zrl.exe", false, false}));

}  // namespace
}  // namespace kerbcall::win32_tests
