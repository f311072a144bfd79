#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/message_pump.h"
#include "platform/process_list.h"
#include "platform/udp.h"
#include "platform/user_folders.h"
#include "simlink/distance_source.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "simlink/telemetry_packets.h"
#include "simlink/telemetry_settings.h"

namespace kerbcall {

// The discovery's slots of the titles read through their telemetry, after
// the simulator's names.
inline constexpr int kDr2Slot = 14;
inline constexpr int kWrcSlot = 15;
inline constexpr char kDr2Executable[] = "dirtrally2.exe";
inline constexpr char kWrcExecutable[] = "WRC.exe";

// No packet for this long while the game runs is no distance.
inline constexpr std::chrono::seconds kTelemetrySilence{2};

// Fills the titles' slots of the discovery, for the titles the settings let
// be read (the others stay empty and match nothing).
void LoadTelemetryTitles(ProcessDiscovery& discovery, const TelemetrySettings& settings);

// The memory reader as a source: a failed read is no distance, and the
// simulator's end ends the source.
class MemoryDistance final : public DistanceSource {
public:
    explicit MemoryDistance(PositionReader& position) : position_(position) {}
    DistanceRead Read() override;
    float Distance() const override { return position_.currentPosition; }

private:
    PositionReader& position_;
};

// A game's telemetry: the socket is opened with the source (and again, at
// most once a second, while it cannot be), each pass takes every datagram
// waiting and the newest good one wins. The game's process is looked at
// every kProcessCheckPeriod; its end closes the socket and ends the source.
class TelemetrySource final : public DistanceSource {
public:
    using Clock = platform::MessagePump::Clock;
    using Decoder = std::function<DecodedPacket(std::span<const std::byte>)>;
    // At most this many datagrams are taken in one pass; a flood beyond
    // that waits in the system's queue, which drops what comes once full.
    static constexpr int kMostDatagramsPerPass = 256;
    // More than a game sends in the longest wait between two samples.
    static constexpr int kCrowdedPass = 8;
    // Periods of the socket's reopening and of the process check.
    static constexpr std::chrono::milliseconds kReopenPeriod{1000};
    static constexpr std::chrono::milliseconds kProcessCheckPeriod{200};

    TelemetrySource(platform::Udp& udp, platform::ProcessList& processes, std::uint32_t processId,
                    std::string executable, const TitleSettings& settings, Decoder decode,
                    std::function<Clock::time_point()> now = &Clock::now);
    // How a title's packets are read, and on which port; without a decoder,
    // why not (the game's structure files are missing or wrong).
    struct Format {
        Decoder decode;
        std::uint16_t port = 0;
        std::string problem;
    };
    // A title whose format is looked for again, at most once a second, until
    // it is found: the game may write its structure files after it starts.
    TelemetrySource(platform::Udp& udp, platform::ProcessList& processes, std::uint32_t processId,
                    std::string executable, const TitleSettings& settings, std::function<Format()> findFormat,
                    std::function<Clock::time_point()> now = &Clock::now);

    DistanceRead Read() override;
    float Distance() const override { return distance_; }
    bool Fresh() const override { return fresh_; }
    std::optional<std::uint16_t> Port() const override { return port_; }
    PacketCounts Counts() const override { return counts_; }
    std::string Problem() const override { return problem_; }
    bool Crowded() const override { return crowded_; }

private:
    void TakeDatagrams(Clock::time_point now);

    platform::Udp* udp_ = nullptr;
    platform::ProcessList& processes_;
    std::uint32_t processId_;
    std::string executable_;
    std::string address_;
    std::uint16_t port_;
    Decoder decode_;
    std::function<Format()> findFormat_;
    std::function<Clock::time_point()> now_;
    std::unique_ptr<platform::UdpSocket> socket_;
    std::vector<std::byte> buffer_;
    std::string problem_;
    float distance_ = 0.0F;
    bool fresh_ = false;
    bool crowded_ = false;
    bool ended_ = false;  // for good: a new game is a new source
    PacketCounts counts_;
    std::optional<Clock::time_point> lastPacket_;
    Clock::time_point started_;
    Clock::time_point nextOpen_;
    Clock::time_point nextProcessCheck_;
};

// What the distance sources need of the platform.
struct SourceServices {
    platform::ProcessList& processes;
    platform::Udp& udp;
    platform::Files& files;
    platform::UserFolders& userFolders;
};

// The source for what the discovery found: the memory reader (its build
// detected and its address chosen here) for the simulator's names, the
// title's telemetry for a game's.
std::unique_ptr<DistanceSource> OpenDistanceSource(const ProcessDiscovery& found, PositionReader& position,
                                                   const TelemetrySettings& settings, SourceServices services);

}  // namespace kerbcall
