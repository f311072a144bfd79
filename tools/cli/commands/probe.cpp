// kerbcall-cli probe: one scan for the simulator (or a title read through
// its telemetry) with the program's own simulator link, then the simulator's
// build, or the title's port and packets, and a few distance samples over
// half a second. Exit 0 when found and a distance is read, 1 otherwise.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "platform/message_pump.h"
#include "platform/program.h"
#include "simlink/distance_sources.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tools/cli/commands/commands.h"
#include "tools/cli/json_text.h"
#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

namespace {

constexpr int kSampleCount = 6;
constexpr auto kSampleInterval = std::chrono::milliseconds(100);
// How often a title's socket is read while the first packet is awaited.
constexpr auto kPacketWait = std::chrono::milliseconds(10);

// The scan yields to the window system; the probe has no windows.
class NoMessages : public platform::MessagePump {
public:
    void HandlePendingMessages() override {}
};

// The scan ends the program when it cannot list the processes; the probe
// says so first.
class ProbeProgram : public platform::Program {
public:
    ProbeProgram(bool json, std::ostream& out) : json_(json), out_(out) {}

    std::string Folder() override { return "."; }
    void ShowInformation(std::string_view text, std::string_view /*caption*/) override { std::cerr << text << '\n'; }
    [[noreturn]] void End() override {
        constexpr char kReason[] = "the list of running processes cannot be read";
        if (json_) {
            out_ << Json{{"found", false}, {"reason", kReason}}.dump() << '\n';
        } else {
            out_ << kReason << '\n';
        }
        out_.flush();
        std::exit(1);
    }

private:
    bool json_;
    std::ostream& out_;
};

std::string SampleText(float sample) {
    char text[32];
    const auto result = std::to_chars(std::begin(text), std::end(text), sample);
    return std::string(text, result.ptr);
}

// A sample as JSON allows it: its shortest exact decimal (a whole number
// without a fraction), null when it is not a finite number.
Json SampleJson(float sample) {
    if (!std::isfinite(sample)) {
        return nullptr;
    }
    if (std::trunc(sample) == sample && std::fabs(sample) < 1e15F) {
        return static_cast<std::int64_t>(sample);
    }
    const std::string text = SampleText(sample);
    double exact = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), exact);
    return exact;
}

std::string HexText(std::uint64_t value) {
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

std::string NamesLookedFor(const ProcessDiscovery& discovery) {
    std::string names;
    for (const std::string& name : discovery.simExecutables) {
        if (!name.empty()) {
            names += (names.empty() ? "" : ", ") + name;
        }
    }
    return names;
}

// The simulator's build, address and samples, read from its memory, into
// the report (and said in words unless in JSON).
int ProbeMemory(ProbePlatform& platform, const ProcessDiscovery& discovery, Json& report, bool json,
                std::ostream& out) {
    const bool readable = discovery.simProcess != 0;
    report["readable"] = readable;
    if (!readable) {
        const std::string reason = platform.readAccessProblem(discovery.simProcessId);
        report["reason"] = NameToUtf8(reason);
        if (!json) {
            out << "cannot read its memory: " << reason << '\n';
        }
        return 1;
    }
    PositionReader position(*platform.memory);
    position.simProcess = discovery.simProcess;
    const std::uint8_t probeByte = position.ReadProbeByte();
    position.DetectBuild();
    position.SelectPositionAddress();
    Json samples = Json::array();
    std::string sampleTexts;
    for (int i = 0; i < kSampleCount; ++i) {
        if (i != 0) {
            std::this_thread::sleep_for(kSampleInterval);
        }
        position.SamplePosition();
        samples.push_back(SampleJson(position.currentPosition));
        sampleTexts += (i != 0 ? " " : "") + SampleText(position.currentPosition);
    }
    if (json) {
        report["probeByte"] = probeByte;
        report["earlyBuild"] = position.earlyBuild;
        report["positionAddress"] = position.positionAddress;
        report["samples"] = std::move(samples);
    } else {
        out << "build probe byte: " << HexText(probeByte) << " (" << (position.earlyBuild ? "early" : "late")
            << " build)\ndistance address: " << HexText(position.positionAddress)
            << "\ndistance samples: " << sampleTexts << '\n';
    }
    return 0;
}

// A title's telemetry as the program reads it: the first packet awaited as
// long as the program waits before it says there is no distance, then the
// samples; each sample null while there is none.
int ProbeTelemetry(ProbePlatform& platform, const ProcessDiscovery& discovery, const TelemetrySettings& settings,
                   Json& report, bool json, std::ostream& out) {
    PositionReader unused(*platform.memory);
    const std::unique_ptr<DistanceSource> source = OpenDistanceSource(discovery, unused, settings, platform.Sources());
    const TitleSettings& title = discovery.simExecutableIndex == kDr2Slot ? settings.dr2 : settings.wrc;
    const std::string port = std::to_string(source->Port().value_or(title.port));
    const auto giveUp = std::chrono::steady_clock::now() + kTelemetrySilence;
    DistanceRead read = DistanceRead::kNoDistance;
    while ((read = source->Read()) == DistanceRead::kNoDistance && source->Problem().empty() &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(kPacketWait);
    }
    Json samples = Json::array();
    std::string sampleTexts;
    for (int i = 0; i < kSampleCount && source->Problem().empty() && read != DistanceRead::kEnded; ++i) {
        if (i != 0) {
            std::this_thread::sleep_for(kSampleInterval);
            read = source->Read();
        }
        const bool distance = read == DistanceRead::kDistance;
        samples.push_back(distance ? SampleJson(source->Distance()) : Json(nullptr));
        sampleTexts += (i != 0 ? " " : "") + (distance ? SampleText(source->Distance()) : std::string("none"));
    }
    const PacketCounts counts = source->Counts();
    std::string problem = source->Problem();
    if (problem.empty() && read == DistanceRead::kEnded) {
        problem = "the game's process ended while it was probed";
    } else if (problem.empty() && counts.distances == 0) {
        problem = "no packet with a distance came to " + title.address + " port " + port + " within " +
                  std::to_string(kTelemetrySilence.count()) + " s";
    }
    const std::string structure = discovery.simExecutableIndex == kWrcSlot ? settings.wrc.structureFolder : "";
    report["title"] = TitleName(discovery.simExecutableIndex);
    report["address"] = title.address;
    report["port"] = source->Port().value_or(title.port);
    if (!structure.empty()) {
        report["structure"] = NameToUtf8(structure);
    }
    report["packets"] = {{"distances", counts.distances}, {"malformed", counts.malformed}, {"other", counts.other}};
    report["samples"] = std::move(samples);
    if (!problem.empty()) {
        report["reason"] = NameToUtf8(problem);
    }
    if (!json) {
        out << "title: " << TitleName(discovery.simExecutableIndex) << ", UDP telemetry on " << title.address
            << " port " << port << '\n'
            << (structure.empty() ? "" : "structure folder: " + structure + "\n") << "packets: " << counts.distances
            << " with a distance, " << counts.malformed << " malformed, " << counts.other << " of another kind\n"
            << (problem.empty() ? "distance samples: " + sampleTexts : problem) << '\n';
    }
    return problem.empty() ? 0 : 1;
}

// The settings file's bad lines, whatever bytes they quote.
Json SettingsJson(const TelemetrySettings& settings) {
    Json problems = Json::array();
    for (const std::string& problem : settings.problems) {
        problems.push_back(NameToUtf8(problem));
    }
    return problems;
}

int RunProbe(ProbePlatform& platform, bool json, std::ostream& out) {
    NoMessages pump;
    ProbeProgram program(json, out);
    ProcessDiscovery discovery(*platform.processes, *platform.memory, pump, program);
    const TelemetrySettings settings = ReadTelemetrySettings(*platform.files, *platform.userFolders);
    discovery.LoadExecutableNames();
    LoadTelemetryTitles(discovery, settings);
    const bool stopAfterOnePass = true;
    discovery.FindSimProcess(stopAfterOnePass);

    // A bad setting is said first: its title was not looked for.
    if (!json) {
        for (const std::string& problem : settings.problems) {
            out << problem << '\n';
        }
    }
    if (discovery.simExecutableIndex == 0) {
        const std::string reason = "no process named " + NamesLookedFor(discovery) + " is running";
        out << (json ? Json{{"found", false}, {"reason", NameToUtf8(reason)}, {"settings", SettingsJson(settings)}}
                           .dump()
                     : reason)
            << '\n';
        return 1;
    }
    const std::string& name = discovery.simExecutables[static_cast<std::size_t>(discovery.simExecutableIndex)];
    Json report = {{"found", true},
                   {"name", NameToUtf8(name)},
                   {"pid", discovery.simProcessId},
                   {"index", discovery.simExecutableIndex}};
    if (!json) {
        out << (discovery.simExecutableIndex > ProcessDiscovery::kSimulatorSlots ? "game: " : "simulator: ") << name
            << " (pid " << discovery.simProcessId << ", index " << discovery.simExecutableIndex << ")\n";
    }
    const int status = discovery.simExecutableIndex > ProcessDiscovery::kSimulatorSlots
                           ? ProbeTelemetry(platform, discovery, settings, report, json, out)
                           : ProbeMemory(platform, discovery, report, json, out);
    if (json) {
        report["settings"] = SettingsJson(settings);
        out << report.dump() << '\n';
    }
    return status;
}

}  // namespace

void AddProbeCommand(CommandLine& commandLine) {
    auto json = std::make_shared<bool>(false);
    CLI::App& command = commandLine.AddCommand(
        "probe", "Look for the simulator or a rally title once, as Kerbcall does, and show what was found", [json] {
            ProbePlatform platform = MakeProbePlatform();
            if (!platform.processes) {
                std::cerr << "kerbcall-cli: probe is not available on this platform\n";
                return kExitUsage;
            }
            return RunProbe(platform, *json, std::cout);
        });
    command.add_flag("--json", *json, "Write JSON");
}

}  // namespace kerbcall::cli
