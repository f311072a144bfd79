// "*" and "?" in a note file's name match as the Windows file search matches
// them; nothing else is a wildcard.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "platform/posix/posix_files.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

struct WildcardCase {
    const char* name;
    bool found;
};

void PrintTo(const WildcardCase& wildcard, std::ostream* out) { *out << '"' << wildcard.name << '"'; }

class WildcardsTest : public testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardsTest, MatchAsTheWindowsFileSearch) {
    const fs::path folder = fs::path(testing::TempDir()) / ("kerbcall-wildcards-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* name : {"stage[1]?.ini", "Monza.ini"}) {
        std::ofstream(folder / name) << "x";
    }
    EXPECT_EQ(PosixFiles().FileExists(folder.string() + "\\" + GetParam().name), GetParam().found);
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Names, WildcardsTest,
                         testing::Values(WildcardCase{"stage[1]?.ini", true}, WildcardCase{"STAGE[1]*", true},
                                         WildcardCase{"[M]onza.ini", false}, WildcardCase{"m?nza.INI", true},
                                         WildcardCase{"Mon*a*i", true}, WildcardCase{"M?onza.ini", false},
                                         WildcardCase{"*.mp3", false}));

}  // namespace
}  // namespace kerbcall::posix
