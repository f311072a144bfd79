// A file search that finds nothing leaves no search to close.
#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

TEST(FileSearchTest, NothingFoundClosesNothing) {
    platform::win32::Win32Files files;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(files.FileExists(TestProgramFolder() + "\\no such note file.ini"));
    // The search's own answer stands: no close of an invalid handle followed.
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace kerbcall::win32_tests
