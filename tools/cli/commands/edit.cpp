// kerbcall-cli edit: shifts, scales, cuts and sorts a note file's distances.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>

#include "tools/cli/commands/commands.h"
#include "tools/cli/notes/note_rewrite.h"

namespace kerbcall::cli {

namespace {

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

// A shift wider than this takes every distance out of the 32-bit range.
constexpr std::int64_t kWidestShift = std::int64_t{std::numeric_limits<std::uint32_t>::max()};

bool FitsDistance(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

// The notes kept, in the order they are to stand, with their new distances;
// or the first note whose distance would leave the 32-bit range.
std::variant<std::vector<MovedNote>, NoteFileFault> EditDistances(const NoteFileContents& contents,
                                                                  const DistanceEdit& edit) {
    std::vector<MovedNote> kept;
    for (std::size_t note = 0; note < contents.notes.size(); ++note) {
        std::int64_t distance = contents.notes[note].triggerDistance + edit.shift;
        if (!FitsDistance(distance)) {
            return DistanceOutOfRange(contents, note, static_cast<double>(distance));
        }
        if (edit.scale) {
            std::int32_t scaled = 0;
            const double product = static_cast<double>(distance) * *edit.scale;
            if (!RoundToDistance(product, scaled)) {
                return DistanceOutOfRange(contents, note, product);
            }
            distance = scaled;
        }
        if ((edit.from && distance < *edit.from) || (edit.to && distance > *edit.to)) {
            continue;
        }
        if (edit.rebase && edit.from) {
            // Told in doubles first: a --from far below the distances would wrap.
            if (const double rebased = static_cast<double>(distance) - static_cast<double>(*edit.from);
                !(rebased <= std::numeric_limits<std::int32_t>::max())) {
                return DistanceOutOfRange(contents, note, rebased);
            }
            distance -= *edit.from;
        }
        kept.push_back({note, static_cast<std::int32_t>(distance)});
    }
    if (edit.sort) {
        std::ranges::stable_sort(kept, {}, &MovedNote::distance);
    }
    return kept;
}

}  // namespace

void AddEditCommand(CommandLine& commandLine) {
    struct Options {
        RewriteTarget target;
        DistanceEdit edit;
        double scale = 1.0;
        CLI::Option* scaleOption = nullptr;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "edit", "Shift, scale, cut out and sort a note file's distances, in that order; comments stay as written",
        [options] {
            if (options->edit.shift < -kWidestShift || options->edit.shift > kWidestShift) {
                std::cerr << "kerbcall-cli edit: --shift must lie from -" << kWidestShift << " to " << kWidestShift
                          << "; a wider shift takes every distance beyond the 32-bit range\n";
                return kExitUsage;
            }
            if (options->scaleOption->count() != 0) {
                if (!std::isfinite(options->scale) || options->scale <= 0.0) {
                    std::cerr << "kerbcall-cli edit: --scale must be a number above 0\n";
                    return kExitUsage;
                }
                options->edit.scale = options->scale;
            }
            if (options->edit.from && *options->edit.from > *options->edit.to) {
                std::cerr << "kerbcall-cli edit: --from must not lie beyond --to\n";
                return kExitUsage;
            }
            return RewriteNotes("edit", options->target, {}, [&](const NoteFileContents& contents) {
                return EditDistances(contents, options->edit);
            });
        });
    AddRewriteOptions(command, options->target);
    command.add_option("--shift", options->edit.shift, "add D to every distance");
    options->scaleOption = command.add_option("--scale", options->scale, "multiply every distance by F");
    CLI::Option* from = command.add_option("--from", options->edit.from, "keep the notes from distance A ...");
    CLI::Option* to = command.add_option("--to", options->edit.to, "... up to distance B");
    from->needs(to);
    to->needs(from);
    command.add_flag("--rebase", options->edit.rebase, "subtract A from the distances kept")->needs(from);
    command.add_flag("--sort", options->edit.sort, "order the notes by distance");
}

}  // namespace kerbcall::cli
