#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/note_file.h"
#include "tools/cli/note_rewrite.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::cli {

// What edit does to the distances, in this order.
struct DistanceEdit {
    std::int64_t shift = 0;
    std::optional<double> scale;  // rounded half to even, as the reader rounds
    // Notes outside from..to (both kept) are left out; rebase then subtracts
    // from.
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    bool rebase = false;
    bool sort = false;  // by distance, equal ones in file order
};

// The notes kept, in the order they are to stand, with their new distances;
// or the first note whose distance would leave the 32-bit range.
std::variant<std::vector<MovedNote>, NoteFileFault> EditDistances(const NoteFileContents& contents,
                                                                  const DistanceEdit& edit);

struct Lead {
    double seconds = 0.0;
    bool keepUnreachable = false;
};

// Each note moved to where the car stood `lead.seconds` before it first
// reached the note's distance on the lap (a replay of the stand-in
// simulator). A note the lap does not reach, or reaches too soon after its
// start, is a fault naming it, or with keepUnreachable stays where it is and
// gets a line in `warnings`.
std::variant<std::vector<MovedNote>, NoteFileFault> LeadDistances(const NoteFileContents& contents,
                                                                  const std::vector<sim::ReplayPoint>& lap,
                                                                  const Lead& lead, std::vector<std::string>& warnings);

}  // namespace kerbcall::cli
