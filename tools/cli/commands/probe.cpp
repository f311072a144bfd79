// kerbcall-cli probe: one scan for the simulator with the program's own
// simulator link, then its build and a few distance samples over half a
// second. Exit 0 when found and readable, 1 otherwise.
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
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tools/cli/commands/commands.h"
#include "tools/cli/json_text.h"
#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

namespace {

constexpr int kSampleCount = 6;
constexpr auto kSampleInterval = std::chrono::milliseconds(100);

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

int RunProbe(ProbePlatform& platform, bool json, std::ostream& out) {
    NoMessages pump;
    ProbeProgram program(json, out);
    ProcessDiscovery discovery(*platform.processes, *platform.memory, pump, program);
    discovery.LoadExecutableNames();
    const bool stopAfterOnePass = true;
    discovery.FindSimProcess(stopAfterOnePass);

    if (discovery.simExecutableIndex == 0) {
        const std::string reason = "no process named " + NamesLookedFor(discovery) + " is running";
        out << (json ? Json{{"found", false}, {"reason", reason}}.dump() : reason) << '\n';
        return 1;
    }
    const std::string& name = discovery.simExecutables[static_cast<std::size_t>(discovery.simExecutableIndex)];
    const bool readable = discovery.simProcess != 0;
    Json report = {{"found", true},
                   {"name", NameToUtf8(name)},
                   {"pid", discovery.simProcessId},
                   {"index", discovery.simExecutableIndex},
                   {"readable", readable}};
    if (!json) {
        out << "simulator: " << name << " (pid " << discovery.simProcessId << ", index " << discovery.simExecutableIndex
            << ")\n";
    }
    if (!readable) {
        const std::string reason = platform.readAccessProblem(discovery.simProcessId);
        report["reason"] = reason;
        out << (json ? report.dump() : "cannot read its memory: " + reason) << '\n';
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
        out << report.dump() << '\n';
    } else {
        out << "build probe byte: " << HexText(probeByte) << " (" << (position.earlyBuild ? "early" : "late")
            << " build)\ndistance address: " << HexText(position.positionAddress)
            << "\ndistance samples: " << sampleTexts << '\n';
    }
    return 0;
}

}  // namespace

void AddProbeCommand(CommandLine& commandLine) {
    auto json = std::make_shared<bool>(false);
    CLI::App& command = commandLine.AddCommand(
        "probe", "Look for the simulator once, as Kerbcall does, and show what was found", [json] {
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
