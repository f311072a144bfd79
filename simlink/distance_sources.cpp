#include "simlink/distance_sources.h"

#include <array>
#include <utility>

namespace kerbcall {

namespace {

// Any UDP datagram fits, whatever size the game's structure gives its
// packet; one byte more shows a longer one.
constexpr std::size_t kDatagramBuffer = 65536;

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

TelemetrySource::TelemetrySource(platform::Udp& udp, platform::ProcessList& processes, std::uint32_t processId,
                                 std::string executable, const TitleSettings& settings,
                                 std::function<Format()> findFormat, std::function<Clock::time_point()> now)
    : TelemetrySource(udp, processes, processId, std::move(executable), settings, Decoder(), std::move(now)) {
    findFormat_ = std::move(findFormat);
}

void TelemetrySource::TakeDatagrams(Clock::time_point now) {
    if (!decode_ && findFormat_ && now >= nextOpen_) {
        Format format = findFormat_();
        port_ = format.port;
        problem_ = std::move(format.problem);
        decode_ = std::move(format.decode);
        if (!decode_) {
            nextOpen_ = now + kReopenPeriod;
            return;
        }
    }
    if (!socket_ && decode_ && now >= nextOpen_) {
        std::string why;
        socket_ = udp_->Open(address_, port_, why);
        problem_ =
            socket_ ? std::string() : "cannot listen on " + address_ + " port " + std::to_string(port_) + ": " + why;
        nextOpen_ = now + kReopenPeriod;
    }
    if (!socket_) {
        return;
    }
    buffer_.resize(kDatagramBuffer);
    const std::span<std::byte> buffer(buffer_);
    int taken = 0;
    for (; taken < kMostDatagramsPerPass; ++taken) {
        const std::optional<std::size_t> size = socket_->Receive(buffer);
        if (!size) {
            break;
        }
        // A datagram that did not fit is too long for any packet.
        const DecodedPacket packet = *size > buffer.size() ? DecodedPacket{} : decode_(buffer.first(*size));
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
    crowded_ = taken > kCrowdedPass;
}

DistanceRead TelemetrySource::Read() {
    if (ended_) {
        return DistanceRead::kEnded;
    }
    const Clock::time_point now = now_();
    TakeDatagrams(now);
    fresh_ = lastPacket_ && now - *lastPacket_ < kTelemetrySilence;
    // Packets may come from elsewhere too (a tool that passes the game's on):
    // the game is looked at whatever comes, at the discovery's own pace.
    if (now >= nextProcessCheck_) {
        nextProcessCheck_ = now + kProcessCheckPeriod;
        if (processes_.HasEnded(processId_, executable_)) {
            socket_.reset();
            ended_ = true;
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
        auto findFormat = [wrc = settings.wrc, services]() mutable {
            if (!wrc.structureSet) {
                wrc.structureFolder = DefaultWrcFolder(services.files, services.userFolders);
            }
            WrcStructure structure = ReadWrcStructure(services.files, wrc.structureFolder);
            const std::uint16_t port = !wrc.portSet && structure.port ? *structure.port : wrc.port;
            if (!structure.layout) {
                return TelemetrySource::Format{{}, port, std::move(structure.problem)};
            }
            return TelemetrySource::Format{[layout = *structure.layout](std::span<const std::byte> packet) {
                                               return DecodeWrcPacket(layout, packet);
                                           },
                                           port,
                                           {}};
        };
        return std::make_unique<TelemetrySource>(services.udp, services.processes, found.simProcessId, executable,
                                                 settings.wrc, std::move(findFormat));
    }
    position.simProcess = found.simProcess;
    position.DetectBuild();
    position.SelectPositionAddress();
    return std::make_unique<MemoryDistance>(position);
}

}  // namespace kerbcall
