#include "tools/cli/probe.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/message_pump.h"
#include "platform/program.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tools/cli/json_text.h"

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
            out_ << "{\"found\":false,\"reason\":" << JsonString(kReason) << "}\n";
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

// A sample as JSON allows it: the shortest exact decimal, null when it is not
// a finite number.
std::string SampleText(float sample, bool json) {
    if (json && !std::isfinite(sample)) {
        return "null";
    }
    char text[32];
    const auto result = std::to_chars(std::begin(text), std::end(text), sample);
    return std::string(text, result.ptr);
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

}  // namespace

int RunProbe(ProbePlatform& platform, bool json, std::ostream& out) {
    NoMessages pump;
    ProbeProgram program(json, out);
    ProcessDiscovery discovery(*platform.processes, *platform.memory, pump, program);
    discovery.LoadExecutableNames();
    const bool stopAfterOnePass = true;
    discovery.FindSimProcess(stopAfterOnePass);

    if (discovery.simExecutableIndex == 0) {
        const std::string reason = "no process named " + NamesLookedFor(discovery) + " is running";
        out << (json ? "{\"found\":false,\"reason\":" + JsonString(reason) + "}" : reason) << '\n';
        return 1;
    }
    const std::string& name = discovery.simExecutables[static_cast<std::size_t>(discovery.simExecutableIndex)];
    const bool readable = discovery.simProcess != 0;
    if (json) {
        out << "{\"found\":true,\"name\":" << JsonString(name) << ",\"pid\":" << discovery.simProcessId
            << ",\"index\":" << discovery.simExecutableIndex << ",\"readable\":" << (readable ? "true" : "false");
    } else {
        out << "simulator: " << name << " (pid " << discovery.simProcessId << ", index " << discovery.simExecutableIndex
            << ")\n";
    }
    if (!readable) {
        const std::string reason = platform.readAccessProblem(discovery.simProcessId);
        out << (json ? ",\"reason\":" + JsonString(reason) + "}" : "cannot read its memory: " + reason) << '\n';
        return 1;
    }

    PositionReader position(*platform.memory);
    position.simProcess = discovery.simProcess;
    const std::uint8_t probeByte = position.ReadProbeByte();
    position.DetectBuild();
    position.SelectPositionAddress();
    std::string samples;
    for (int i = 0; i < kSampleCount; ++i) {
        if (i != 0) {
            std::this_thread::sleep_for(kSampleInterval);
        }
        position.SamplePosition();
        if (i != 0) {
            samples += json ? "," : " ";
        }
        samples += SampleText(position.currentPosition, json);
    }
    if (json) {
        out << ",\"probeByte\":" << static_cast<int>(probeByte)
            << ",\"earlyBuild\":" << (position.earlyBuild ? "true" : "false")
            << ",\"positionAddress\":" << position.positionAddress << ",\"samples\":[" << samples << "]}\n";
    } else {
        out << "build probe byte: " << HexText(probeByte) << " (" << (position.earlyBuild ? "early" : "late")
            << " build)\ndistance address: " << HexText(position.positionAddress) << "\ndistance samples: " << samples
            << '\n';
    }
    return 0;
}

int Probe(const std::vector<std::string>& args) {
    const bool json = args.size() == 1 && args[0] == "--json";
    if (!args.empty() && !json) {
        std::cerr << "usage: kerbcall-cli probe [--json]\n";
        return 2;
    }
    ProbePlatform platform = MakeProbePlatform();
    if (!platform.processes) {
        std::cerr << "kerbcall-cli: probe is not available on this platform\n";
        return 2;
    }
    return RunProbe(platform, json, std::cout);
}

}  // namespace kerbcall::cli
