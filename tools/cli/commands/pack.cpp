// kerbcall-cli pack: makes a voice pack from a folder of recordings, each
// call cut to its voice, at one loudness, as an MP3 the player starts at once.
#include "tools/cli/commands/commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "tools/cli/json_text.h"
#include "tools/cli/output/output_rule.h"
#include "tools/cli/sound/voice_pack.h"

namespace kerbcall::cli {

namespace {

namespace fs = std::filesystem;

struct PackOptions {
    std::string in;
    std::string out;
    bool force = false;
    bool json = false;
};

struct PlannedCall {
    fs::path recording;
    fs::path call;
    std::string problem;  // why it is not made; empty when it is
};

struct PackResult {
    std::string recording;
    std::variant<CallFigures, std::string> made;
};

bool IsRecording(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wav" || extension == ".flac" || extension == ".ogg" || extension == ".mp3";
}

// To a thousandth of a second or a tenth of a dB.
double Milli(double seconds) { return std::round(seconds * 1000.0) / 1000.0; }
double Tenth(double decibels) { return std::round(decibels * 10.0) / 10.0; }

std::string Fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

Json FiguresJson(const CallFigures& figures) {
    Json warnings = Json::array();
    for (const std::string& warning : figures.warnings) {
        warnings.push_back(warning);
    }
    const auto after = figures.loudnessAfter ? Json(Tenth(*figures.loudnessAfter)) : Json(nullptr);
    return {{"durationBefore", Milli(figures.durationBefore)},
            {"durationAfter", Milli(figures.durationAfter)},
            {"silenceRemovedBefore", Milli(figures.silenceBefore)},
            {"silenceRemovedAfter", Milli(figures.silenceAfter)},
            {"loudnessBefore", Tenth(figures.loudnessBefore)},
            {"loudnessAfter", after},
            {"startsAfter", Milli(figures.startsAfter)},
            {"endsAfter", Milli(figures.endsAfter)},
            {"warnings", std::move(warnings)}};
}

std::string FiguresText(const CallFigures& figures) {
    std::string text = Fixed(figures.durationBefore, 2) + " s to " + Fixed(figures.durationAfter, 2) +
                       " s, silence removed " + Fixed(figures.silenceBefore, 3) + " s before the voice and " +
                       Fixed(figures.silenceAfter, 3) + " s after it, loudness " + Fixed(figures.loudnessBefore, 1);
    if (figures.loudnessAfter) {
        text += " to " + Fixed(*figures.loudnessAfter, 1);
    }
    return text + " LUFS, starts after " + std::to_string(std::lround(figures.startsAfter * 1000.0)) + " ms and ends " +
           std::to_string(std::lround(figures.endsAfter * 1000.0)) + " ms after its voice";
}

void Report(const PackOptions& options, const std::vector<PackResult>& results,
            const std::vector<std::string>& leftOut) {
    const auto made = std::count_if(results.begin(), results.end(),
                                    [](const PackResult& result) { return result.made.index() == 0; });
    if (options.json) {
        Json calls = Json::array();
        Json failed = Json::array();
        for (const PackResult& result : results) {
            if (const auto* figures = std::get_if<CallFigures>(&result.made)) {
                Json call = {{"recording", NameToUtf8(result.recording)}};
                call.update(FiguresJson(*figures));
                calls.push_back(std::move(call));
            } else {
                failed.push_back({{"recording", NameToUtf8(result.recording)},
                                  {"reason", NameToUtf8(std::get<std::string>(result.made))}});
            }
        }
        Json names = Json::array();
        for (const std::string& name : leftOut) {
            names.push_back(NameToUtf8(name));
        }
        std::cout << Json{{"loudness", kCallLoudness},
                          {"calls", std::move(calls)},
                          {"failed", std::move(failed)},
                          {"leftOut", std::move(names)}}
                         .dump()
                  << '\n';
        return;
    }
    for (const PackResult& result : results) {
        if (const auto* figures = std::get_if<CallFigures>(&result.made)) {
            std::cout << result.recording << ": " << FiguresText(*figures) << '\n';
            for (const std::string& warning : figures->warnings) {
                std::cerr << "warning: " << result.recording << ": " << warning << '\n';
            }
        } else {
            std::cerr << "kerbcall-cli pack: " << result.recording << ": " << std::get<std::string>(result.made)
                      << '\n';
        }
    }
    for (const std::string& name : leftOut) {
        std::cerr << "warning: " << name << " left out: not a .wav, .flac, .ogg or .mp3 file\n";
    }
    std::cout << "made " << made << " of " << results.size() << " calls in " << options.out << " at "
              << Fixed(kCallLoudness, 0) << " LUFS\n";
}

int Pack(const PackOptions& options) {
    const std::unique_ptr<SoundDecoder> decoder = MakeSoundDecoder();
    const std::unique_ptr<CallMaker> maker = decoder ? MakeCallMaker(*decoder) : nullptr;
    if (!maker) {
        std::cerr << "kerbcall-cli pack: not available in this build; make packs on Linux\n";
        return kExitUsage;
    }
    std::error_code error;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(options.in, error)) {
        if (std::error_code notFile; entry.is_regular_file(notFile)) {
            files.push_back(entry.path());
        }
    }
    if (error) {
        std::cerr << "kerbcall-cli pack: " << options.in << ": " << error.message() << '\n';
        return kExitRejected;
    }
    std::sort(files.begin(), files.end());
    // Each recording's call, or why it has none; nothing is written until
    // every call may be.
    std::vector<PlannedCall> planned;
    std::vector<std::string> leftOut;
    std::map<fs::path, std::string> madeFrom;
    const bool outExists = fs::is_directory(options.out, error);
    if (!outExists && fs::exists(options.out, error)) {
        std::cerr << "kerbcall-cli pack: " << options.out << " is not a folder\n";
        return kExitRejected;
    }
    bool refused = false;
    for (const fs::path& file : files) {
        if (!IsRecording(file)) {
            leftOut.push_back(file.filename().string());
            continue;
        }
        fs::path call = fs::path(options.out) / fs::path(file.stem()).concat(".mp3");
        if (const auto other = madeFrom.find(call); other != madeFrom.end()) {
            planned.push_back({file, {}, call.filename().string() + " is made from " + other->second});
            continue;
        }
        madeFrom.emplace(call, file.filename().string());
        // A recording is never replaced by its own call, even with --force.
        const std::string problem =
            outExists ? OutputProblem(call, {}, {file}, {.inPlace = false, .force = options.force}) : std::string();
        if (!problem.empty()) {
            std::cerr << "kerbcall-cli pack: " << problem << '\n';
            refused = true;
        }
        planned.push_back({file, std::move(call), {}});
    }
    if (refused) {
        std::cerr << "kerbcall-cli pack: nothing written\n";
        return kExitRejected;
    }
    if (planned.empty()) {
        std::cerr << "kerbcall-cli pack: no recordings (.wav, .flac, .ogg or .mp3) in " << options.in << '\n';
        return kExitRejected;
    }
    if (!outExists && !fs::create_directory(options.out, error)) {
        std::cerr << "kerbcall-cli pack: " << options.out << ": " << error.message() << '\n';
        return kExitRejected;
    }
    std::vector<PackResult> results;
    for (const PlannedCall& call : planned) {
        results.push_back({call.recording.filename().string(),
                           call.problem.empty() ? maker->Make(call.recording, call.call) : call.problem});
    }
    Report(options, results, leftOut);
    const bool allMade =
        std::all_of(results.begin(), results.end(), [](const PackResult& result) { return result.made.index() == 0; });
    return allMade ? 0 : kExitRejected;
}

}  // namespace

void AddPackCommand(CommandLine& commandLine) {
    const auto options = std::make_shared<PackOptions>();
    CLI::App& command = commandLine.AddCommand(
        "pack", "Make a voice pack from recordings: each cut to its voice, at one loudness, as MP3",
        [options] { return Pack(*options); });
    command.add_option("IN_DIR", options->in, "the folder of recordings, one call a file, named as the call")
        ->required();
    command.add_option("-o,--output", options->out, "the folder of the pack")->required();
    command.add_flag("--force", options->force, "write over calls already in OUT_DIR");
    command.add_flag("--json", options->json, "report in JSON");
}

}  // namespace kerbcall::cli
