#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <tuple>

#include "simlink/distance_sources.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr char kFolder[] = "C:\\telemetry";

template <typename Number>
std::string Bytes(Number value) {
    std::string bytes(sizeof(Number), '\0');
    std::memcpy(bytes.data(), &value, sizeof(Number));
    return bytes;
}
std::string Dr2(float distance, std::size_t size = kDr2PacketSize) {
    std::string packet(kDr2PacketSize, '\0');
    packet.replace(kDr2DistanceOffset, 4, Bytes(distance));
    packet.resize(size, '\0');
    return packet;
}
// Header packet_4cc, packet_uid; then game_total_time, the distance, vehicle_speed.
std::string Wrc(double distance, const char* fourcc = "sesu") {
    return std::string(fourcc, 4) + Bytes(std::uint64_t{7}) + Bytes(1.5F) + Bytes(distance) + Bytes(30.0F);
}
std::span<const std::byte> Span(const std::string& bytes) { return std::as_bytes(std::span(bytes)); }

// The game's folder in the fake files, as the game writes it.
void WriteWrcFolder(fakes::FakeFiles& files, const std::string& distanceType,
                    const std::string& channels = R"("game_total_time","stage_current_distance","vehicle_speed")") {
    const std::string folder = kFolder;
    files.files[folder + "\\config.json"] =
        R"({"udp":{"packets":[{"structure":"wrc","packet":"session_update","port":20888}]}})";
    files.files[folder + "\\readme\\channels.json"] =
        R"({"channels":[{"id":"packet_4cc","type":"fourcc"},{"id":"packet_uid","type":"uint64"},)"
        R"({"id":"game_total_time","type":"float32"},{"id":"vehicle_speed","type":"float32"},)"
        R"({"id":"stage_current_distance","type":")" +
        distanceType + R"("}]})";
    files.files[folder + "\\readme\\udp\\wrc.json"] =
        R"({"id":"wrc","packets":[{"id":"session_start","channels":[]},{"id":"session_update",)"
        R"("header":{"channels":["packet_4cc","packet_uid"]},"channels":[)" +
        channels + "]}]}";
}

TEST(TelemetryPacketsTest, OnlyAWholePacketWithAFiniteDistanceGivesOne) {
    fakes::FakeFiles files;
    WriteWrcFolder(files, "float64");
    const WrcPacketLayout layout = *ReadWrcStructure(files, kFolder).layout;
    WriteWrcFolder(files, "float32");
    const WrcPacketLayout layout32 = *ReadWrcStructure(files, kFolder).layout;
    const std::string wrc32 = "sesu" + Bytes(std::uint64_t{7}) + Bytes(1.5F) + Bytes(1234.5F) + Bytes(30.0F);
    const struct {
        const WrcPacketLayout* wrcLayout;  // dr2 without one
        std::string packet;
        PacketKind kind;
        float distance;
    } cases[] = {
        {nullptr, Dr2(1234.5F), PacketKind::kDistance, 1234.5F},
        {nullptr, Dr2(-3.0F), PacketKind::kDistance, -3.0F},
        {nullptr, Dr2(5.0F, kDr2PacketSize - 1), PacketKind::kMalformed, 0.0F},
        {nullptr, Dr2(5.0F, kDr2PacketSize + 1), PacketKind::kMalformed, 0.0F},
        {nullptr, "", PacketKind::kMalformed, 0.0F},
        {nullptr, Dr2(static_cast<float>(kNaN)), PacketKind::kMalformed, 0.0F},
        {nullptr, Dr2(static_cast<float>(-kInf)), PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(1234.5), PacketKind::kDistance, 1234.5F},
        {&layout, Wrc(1234.5, "sess"), PacketKind::kOther, 0.0F},
        {&layout, "sess" + Bytes(7.0), PacketKind::kOther, 0.0F},  // another size too
        {&layout, "ses", PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(1234.5).substr(0, 27), PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(1234.5) + "x", PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(kNaN), PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(kInf), PacketKind::kMalformed, 0.0F},
        {&layout, Wrc(1e300), PacketKind::kMalformed, 0.0F},  // beyond a float
        {&layout32, wrc32, PacketKind::kDistance, 1234.5F},
        {&layout32, Wrc(1234.5), PacketKind::kMalformed, 0.0F},
    };
    for (const auto& c : cases) {
        const DecodedPacket decoded =
            c.wrcLayout ? DecodeWrcPacket(*c.wrcLayout, Span(c.packet)) : DecodeDr2Packet(Span(c.packet));
        EXPECT_EQ(std::tuple(decoded.kind, decoded.distance), std::tuple(c.kind, c.distance)) << &c - cases;
    }
}

TEST(WrcStructureTest, TheLayoutComesFromTheGamesFilesAndAFaultNamesItsFile) {
    const struct {
        std::string distanceType, channels;
        std::size_t size, distanceOffset;  // 0: no layout
        std::string problem;
    } cases[] = {
        {"float64", R"("game_total_time","stage_current_distance","vehicle_speed")", 28, 16, ""},
        {"float32", R"("stage_current_distance")", 16, 12, ""},
        {"float64", R"("game_total_time","vehicle_speed")", 0, 0,
         "C:\\telemetry\\readme\\udp\\wrc.json: no channel stage_current_distance in the session_update packet"},
        {"int32", R"("stage_current_distance")", 0, 0, "C:\\telemetry\\readme\\channels.json: stage_current_distance"},
        {"float64", R"("stage_current_distance","gear")", 0, 0,
         "C:\\telemetry\\readme\\udp\\wrc.json: the session_update channel \"gear\" is not in channels.json"},
        {"float64", R"("stage_current_distance",])", 0, 0, "C:\\telemetry\\readme\\udp\\wrc.json: not JSON"},
    };
    for (const auto& c : cases) {
        fakes::FakeFiles files;
        WriteWrcFolder(files, c.distanceType, c.channels);
        const WrcStructure read = ReadWrcStructure(files, kFolder);
        EXPECT_EQ(read.port, std::uint16_t{20888});
        const WrcPacketLayout layout = read.layout.value_or(WrcPacketLayout{});
        EXPECT_EQ(std::tuple(layout.size, layout.distanceOffset), std::tuple(c.size, c.distanceOffset)) << c.channels;
        EXPECT_EQ(read.problem.substr(0, c.problem.size()), c.problem);
        EXPECT_EQ(read.problem.empty(), c.problem.empty());
    }
}

TEST(TelemetrySettingsTest, BadLinesAreNamedAndSkipTheirTitleOnly) {
    const struct {
        const char* text;
        bool dr2, wrc;  // read
        std::uint16_t dr2Port;
        const char* address;
        const char* firstProblem;
    } cases[] = {
        {"", true, true, 20777, "127.0.0.1", ""},
        {"\xEF\xBB\xBF[DR2]\r\n Port = 20800 ; mine\r\naddress=0.0.0.0\r[wrc]\nenabled=no", true, false, 20800,
         "0.0.0.0", ""},
        {"[dr2]\nprot=1", false, true, 20777, "127.0.0.1", "kerbcall.ini line 2: unknown key \"prot\""},
        {"[dr2]\n\nport=65536", false, true, 20777, "127.0.0.1", "kerbcall.ini line 3: port must be"},
        {"[dr2]\nport=+80", false, true, 20777, "127.0.0.1", "kerbcall.ini line 2: port must be"},
        {"[dr2]\naddress=127.0.0.256", false, true, 20777, "127.0.0.1", "kerbcall.ini line 2: address must be"},
        {"[dr2]\naddress=1.2.3", false, true, 20777, "127.0.0.1", "kerbcall.ini line 2: address must be"},
        {"[dr2]\naddress=127.0.0.01", false, true, 20777, "127.0.0.1", "kerbcall.ini line 2: address must be"},
        {"[wrc]\nenabled=maybe\n[dr2]\nstructure=x", false, false, 20777, "127.0.0.1",
         "kerbcall.ini line 2: enabled must be yes or no"},
        {"port=1\n[rbr]\nport=2\n[dr2\n", false, true, 20777, "127.0.0.1",
         "kerbcall.ini line 1: \"port\" stands in no section"},
    };
    for (const auto& c : cases) {
        const TelemetrySettings settings = ParseTelemetrySettings(c.text);
        EXPECT_EQ(std::tuple(settings.dr2.Read(), settings.wrc.Read(), settings.dr2.port, settings.dr2.address),
                  std::tuple(c.dr2, c.wrc, c.dr2Port, std::string(c.address)))
            << c.text;
        const std::string first = settings.problems.empty() ? "" : settings.problems.front();
        EXPECT_EQ(first.substr(0, std::strlen(c.firstProblem)), c.firstProblem) << c.text;
        EXPECT_EQ(first.empty(), *c.firstProblem == '\0') << c.text;
    }
    EXPECT_EQ(ParseTelemetrySettings("port=1\n[rbr]\nport=2\n[dr2\n").problems.size(), 3U);
}

// The game's folder is looked for where the game keeps it; its config.json's port holds unless kerbcall.ini says.
TEST(TelemetrySettingsTest, WrcsFolderAndPortDefaultToTheGamesOwn) {
    constexpr char kGameFolder[] = "D:\\Documents\\My Games\\WRC\\telemetry";
    for (const auto& [ini, port] : {std::pair("", 20888), std::pair("[wrc]\nport=20999", 20999)}) {
        fakes::FakePlatform platform;
        platform.files.files[std::string(kGameFolder) + "\\config.json"] =
            R"({"udp":{"packets":[{"packet":"session_update","port":20888}]}})";
        platform.files.files["C:\\Users\\Driver\\Kerbcall\\kerbcall.ini"] = ini;
        const TelemetrySettings settings = ReadTelemetrySettings(platform.files, platform.userFolders);
        EXPECT_EQ(std::tuple(settings.wrc.structureFolder, settings.wrc.port), std::tuple(kGameFolder, port));
    }
}

TEST(TelemetrySourceTest, TheNewestGoodPacketWinsUntilTwoSecondsOfSilenceOrTheProcessEnds) {
    using std::chrono::milliseconds;
    fakes::FakePlatform platform;
    platform.processes.passes = {{{17, "dirtrally2.exe"}}};
    platform.udp.refusal = "Address already in use";
    TelemetrySource::Clock::time_point now{};
    TelemetrySource source(platform.udp, platform.processes, 17, kDr2Executable, TitleSettings{}, &DecodeDr2Packet,
                           [&] { return now; });
    const struct {
        std::vector<std::string> datagrams;
        int after;  // ms after the step before
        DistanceRead read;
        float distance;
        std::uint64_t malformed;
        int opens;
        bool crowded = false;  // read again at once, before the system drops the game's newest
    } steps[] = {
        {{Dr2(1.0F)}, 0, DistanceRead::kNoDistance, 0.0F, 0, 1},  // refused
        {{}, 999, DistanceRead::kNoDistance, 0.0F, 0, 1},         // not tried again yet
        {{Dr2(5.0F)}, 1, DistanceRead::kDistance, 5.0F, 0, 2},    // taken once the port is free
        {{Dr2(10.0F), Dr2(20.0F), "short"}, 1, DistanceRead::kDistance, 20.0F, 1, 2},
        {{Dr2(static_cast<float>(kNaN))}, 1999, DistanceRead::kDistance, 20.0F, 2, 2},
        {{}, 1, DistanceRead::kNoDistance, 20.0F, 2, 2},
        {{Dr2(30.0F)}, 5000, DistanceRead::kDistance, 30.0F, 2, 2},
        {{"1", "2", "3", "4", "5", "6", "7", "8", Dr2(35.0F)}, 1, DistanceRead::kDistance, 35.0F, 10, 2, true},
        {{Dr2(36.0F)}, 1, DistanceRead::kDistance, 36.0F, 10, 2},
    };
    for (const auto& step : steps) {
        platform.udp.datagrams.assign(step.datagrams.begin(), step.datagrams.end());
        now += milliseconds(step.after);
        const DistanceRead read = source.Read();
        EXPECT_EQ(std::tuple(read, source.Distance(), source.Counts().malformed, platform.udp.opens, source.Crowded()),
                  std::tuple(step.read, step.distance, step.malformed, step.opens, step.crowded))
            << &step - steps;
        EXPECT_EQ(source.Problem().empty(), step.opens > 1);
        platform.udp.refusal.clear();
    }
    platform.processes.passes = {{{18, "dirtrally2.exe"}, {17, "WRC.exe"}}};  // 17 is another program now
    platform.udp.datagrams = {Dr2(40.0F)};                                    // from elsewhere
    EXPECT_EQ(source.Read(), DistanceRead::kDistance) << "the game is looked at every 200 ms";
    now += TelemetrySource::kProcessCheckPeriod;
    platform.udp.datagrams = {Dr2(50.0F)};
    EXPECT_EQ(source.Read(), DistanceRead::kEnded);
    EXPECT_FALSE(*platform.udp.open);
    platform.udp.datagrams = {Dr2(60.0F)};
    EXPECT_EQ(source.Read(), DistanceRead::kEnded) << "an ended game's source stays ended";
    EXPECT_FALSE(*platform.udp.open);
}

TEST(TelemetrySourceTest, TheGamesStructureIsLookedForAgainUntilItIsWritten) {
    fakes::FakePlatform platform;
    platform.processes.passes = {{{16, "WRC.exe"}}};
    TelemetrySource::Clock::time_point now{};
    int looks = 0;
    TelemetrySource source(
        platform.udp, platform.processes, 16, kWrcExecutable, TitleSettings{},
        [&] {
            ++looks;
            const WrcStructure structure = ReadWrcStructure(platform.files, kFolder);
            return TelemetrySource::Format{
                structure.layout ? [layout = *structure.layout](
                                       std::span<const std::byte> packet) { return DecodeWrcPacket(layout, packet); }
                                 : TelemetrySource::Decoder(),
                structure.port.value_or(20777), structure.problem};
        },
        [&] { return now; });
    platform.udp.datagrams = {Wrc(100.0)};
    EXPECT_EQ(source.Read(), DistanceRead::kNoDistance);
    EXPECT_NE(source.Problem().find("channels.json"), std::string::npos) << source.Problem();
    WriteWrcFolder(platform.files, "float64");  // as the game starts
    now += std::chrono::milliseconds(999);
    EXPECT_EQ(source.Read(), DistanceRead::kNoDistance);
    now += std::chrono::milliseconds(1);
    platform.udp.datagrams = {Wrc(120.0)};
    const DistanceRead read = source.Read();
    EXPECT_EQ(std::tuple(read, source.Distance(), source.Port(), source.Problem(), looks),
              std::tuple(DistanceRead::kDistance, 120.0F, std::optional<std::uint16_t>(20888), std::string(), 2));
}

TEST(TelemetrySourceTest, ASimulatorWinsItsPassAndOnlyTitlesReadAreFound) {
    const struct {
        std::vector<platform::ProcessEntry> listed;
        const char* settings;
        std::uint32_t processId;
        int slot;
        platform::ProcessHandle opened;
    } cases[] = {
        {{{5, "WRC.exe"}, {9, "zrl.exe"}}, "", 9, 1, 0x1234},
        {{{5, "wrc.EXE"}}, "", 5, kWrcSlot, 0},
        {{{5, "dirtrally2.exe"}, {6, "WRC.exe"}}, "", 5, kDr2Slot, 0},
        {{{5, "dirtrally2.exe"}, {6, "WRC.exe"}}, "[dr2]\nenabled=no", 6, kWrcSlot, 0},
        {{{5, "dirtrally2.exe"}, {6, "WRC.exe"}}, "[dr2]\nport=0", 6, kWrcSlot, 0},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform platform;
        platform.processes.passes = {c.listed};
        platform.memory.openable = {{5, 0x1234}, {6, 0x1234}, {9, 0x1234}};
        ProcessDiscovery discovery(platform.processes, platform.memory, platform.pump, platform.program);
        discovery.LoadExecutableNames();
        LoadTelemetryTitles(discovery, ParseTelemetrySettings(c.settings));
        discovery.FindSimProcess(false);
        EXPECT_EQ(std::tuple(discovery.simProcessId, discovery.simExecutableIndex, discovery.simProcess),
                  std::tuple(c.processId, c.slot, c.opened))
            << c.settings;
    }
}

}  // namespace
}  // namespace kerbcall
