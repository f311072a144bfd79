#include "simlink/distance_sources.h"

#include <array>
#include <utility>

namespace kerbcall {

namespace {

// Larger than any packet of either title, so that a long one shows.
constexpr std::size_t kDatagramBuffer = 2048;

}  // namespace

void LoadTelemetryTitles(ProcessDiscovery& discovery, const TelemetrySettings& settings) {
    discovery.simExecutables[kDr2Slot] = settings.dr2.Read() ? kDr2Executable : "";
    discovery.simExecutables[kWrcSlot] = settings.wrc.Read() ? kWrcExecutable : "";
}

DistanceRead MemoryDistance::Read() {
    if (position_.SamplePosition()) {
        return DistanceRead::kDistance;
    }
    return position_.SimulatorExited() ? DistanceRead::kEnded : DistanceRead::kNoDistance;
}

TelemetrySource::TelemetrySource(platform::Udp& udp, platform::ProcessList& processes, std::uint32_t processId,
                                 std::string executable, const TitleSettings& settings, Decoder decode,
                                 std::function<Clock::time_point()> now)
    : udp_(&udp),
      processes_(processes),
      processId_(processId),
      executable_(std::move(executable)),
      address_(settings.address),
      port_(settings.port),
      decode_(std::move(decode)),
      now_(std::move(now)),
      started_(now_()),
      nextOpen_(started_),
      nextProcessCheck_(started_) {}

TelemetrySource::TelemetrySource(platform::ProcessList& processes, std::uint32_t processId, std::string executable,
                                 std::uint16_t port, std::string problem, std::function<Clock::time_point()> now)
    : processes_(processes),
      processId_(processId),
      executable_(std::move(executable)),
      port_(port),
      now_(std::move(now)),
      problem_(std::move(problem)),
      started_(now_()),
      nextOpen_(started_),
      nextProcessCheck_(started_) {}

void TelemetrySource::TakeDatagrams(Clock::time_point now) {
    if (!socket_ && udp_ != nullptr && now >= nextOpen_) {
        std::string why;
        socket_ = udp_->Open(address_, port_, why);
        problem_ =
            socket_ ? std::string() : "cannot listen on " + address_ + " port " + std::to_string(port_) + ": " + why;
        nextOpen_ = now + kReopenPeriod;
    }
    if (!socket_) {
        return;
    }
    std::array<std::byte, kDatagramBuffer> buffer{};
    for (int taken = 0; taken < kMostDatagramsPerPass; ++taken) {
        const std::optional<std::size_t> size = socket_->Receive(buffer);
        if (!size) {
            break;
        }
        // A datagram that did not fit is too long for any packet.
        const DecodedPacket packet = *size > buffer.size() ? DecodedPacket{} : decode_(std::span(buffer).first(*size));
        switch (packet.kind) {
            case PacketKind::kDistance:
                ++counts_.distances;
                distance_ = packet.distance;
                lastPacket_ = now;
                break;
            case PacketKind::kMalformed:
                ++counts_.malformed;
                break;
            case PacketKind::kOther:
                ++counts_.other;
                break;
        }
    }
}

DistanceRead TelemetrySource::Read() {
    const Clock::time_point now = now_();
    TakeDatagrams(now);
    fresh_ = lastPacket_ && now - *lastPacket_ < kTelemetrySilence;
    // Packets may come from elsewhere too (a tool that passes the game's on):
    // the game is looked at whatever comes, at the discovery's own pace.
    if (now >= nextProcessCheck_) {
        nextProcessCheck_ = now + kProcessCheckPeriod;
        if (processes_.HasEnded(processId_, executable_)) {
            socket_.reset();
            return DistanceRead::kEnded;
        }
    }
    return fresh_ ? DistanceRead::kDistance : DistanceRead::kNoDistance;
}

std::unique_ptr<DistanceSource> OpenDistanceSource(const ProcessDiscovery& found, PositionReader& position,
                                                   const TelemetrySettings& settings, SourceServices services) {
    const std::string& executable = found.simExecutables.at(static_cast<std::size_t>(found.simExecutableIndex));
    if (found.simExecutableIndex == kDr2Slot) {
        return std::make_unique<TelemetrySource>(services.udp, services.processes, found.simProcessId, executable,
                                                 settings.dr2, &DecodeDr2Packet);
    }
    if (found.simExecutableIndex == kWrcSlot) {
        TitleSettings wrc = settings.wrc;
        if (!wrc.structureSet) {
            wrc.structureFolder = DefaultWrcFolder(services.files, services.userFolders);
        }
        const WrcStructure structure = ReadWrcStructure(services.files, wrc.structureFolder);
        if (!wrc.portSet && structure.port) {
            wrc.port = *structure.port;
        }
        if (!structure.layout) {
            return std::make_unique<TelemetrySource>(services.processes, found.simProcessId, executable, wrc.port,
                                                     structure.problem);
        }
        return std::make_unique<TelemetrySource>(services.udp, services.processes, found.simProcessId, executable, wrc,
                                                 [layout = *structure.layout](std::span<const std::byte> packet) {
                                                     return DecodeWrcPacket(layout, packet);
                                                 });
    }
    position.simProcess = found.simProcess;
    position.DetectBuild();
    position.SelectPositionAddress();
    return std::make_unique<MemoryDistance>(position);
}

}  // namespace kerbcall
