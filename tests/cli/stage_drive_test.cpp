// The drive through a stage: which notes fire when, and how long each call
// is heard, with sound lengths given rather than decoded.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tools/cli/stage_drive.h"

namespace {

using kerbcall::PaceNote;
using kerbcall::cli::Call;

struct ExpectedCall {
    int note;
    double firesAt;
    std::optional<double> heardFor;
    std::optional<int> cutOffBy;
};

struct DriveCase {
    const char* name;
    std::vector<PaceNote> notes;
    kerbcall::cli::DriveMotion motion;
    std::optional<double> soundLength;  // of every note's sound
    std::vector<ExpectedCall> calls;
    std::vector<int> neverFired;
};

std::vector<DriveCase> Cases() {
    const std::vector<PaceNote> closeNotes = {{"left4.mp3", 100}, {"tightens.mp3", 130}};
    return {
        // 90 is the window's open edge: the sample after it fires.
        {"NextCallCutsOff",
         closeNotes,
         kerbcall::cli::ConstantSpeedDrive(closeNotes, 40.0, 0.0),
         1.0,
         {{0, 2.251, 0.75, 1}, {1, 3.001, 1.0, std::nullopt}},
         {}},
        {"UnknownLengths",
         closeNotes,
         kerbcall::cli::ConstantSpeedDrive(closeNotes, 40.0, 0.0),
         std::nullopt,
         {{0, 2.251, std::nullopt, std::nullopt}, {1, 3.001, std::nullopt, std::nullopt}},
         {}},
        {"SilentSoundIsNotCutOff",
         closeNotes,
         kerbcall::cli::ConstantSpeedDrive(closeNotes, 40.0, 0.0),
         0.0,
         {{0, 2.251, 0.0, std::nullopt}, {1, 3.001, 0.0, std::nullopt}},
         {}},
        {"StartPastANote",
         {{"a.mp3", 50}, {"b.mp3", 300}},
         kerbcall::cli::ConstantSpeedDrive(std::vector<PaceNote>{{"a.mp3", 50}, {"b.mp3", 300}}, 100.0, 100.0),
         0.5,
         {{1, 1.901, 0.5, std::nullopt}},
         {0}},
        // Out, a stop inside the far window, and back: straight lines between
        // the lap's points.
        {"LapThereAndBack",
         {{"far.mp3", 100}, {"near.mp3", 50}},
         kerbcall::cli::LapDrive({{0.0, 0.0F}, {1.0, 100.0F}, {3.0, 100.0F}, {4.0, 0.0F}}, "along lap"),
         0.3,
         {{1, 0.401, 0.3, std::nullopt}, {0, 0.901, 0.3, std::nullopt}, {1, 3.401, 0.3, std::nullopt}},
         {}},
    };
}

TEST(StageDrive, CallsAndHowLongTheyAreHeard) {
    for (const DriveCase& drive : Cases()) {
        const auto result = kerbcall::cli::Drive(drive.notes, drive.motion, [&](int) { return drive.soundLength; });
        ASSERT_EQ(result.calls.size(), drive.calls.size()) << drive.name;
        for (std::size_t i = 0; i < drive.calls.size(); ++i) {
            const Call& call = result.calls[i];
            const ExpectedCall& expected = drive.calls[i];
            EXPECT_EQ(call.note, expected.note) << drive.name << " call " << i;
            EXPECT_NEAR(call.firesAt, expected.firesAt, 1e-6) << drive.name << " call " << i;
            EXPECT_EQ(call.heardFor.has_value(), expected.heardFor.has_value()) << drive.name << " call " << i;
            if (call.heardFor && expected.heardFor) {
                EXPECT_NEAR(*call.heardFor, *expected.heardFor, 1e-6) << drive.name << " call " << i;
            }
            EXPECT_EQ(call.cutOffBy, expected.cutOffBy) << drive.name << " call " << i;
        }
        EXPECT_EQ(result.neverFired, drive.neverFired) << drive.name;
    }
}

}  // namespace
