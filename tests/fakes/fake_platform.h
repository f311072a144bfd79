#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/note_table.h"
#include "platform/services.h"

namespace kerbcall {
inline bool operator==(const PaceNote& a, const PaceNote& b) {
    return a.soundFile == b.soundFile && a.triggerDistance == b.triggerDistance;
}

namespace fakes {
struct ProgramEnded {};  // thrown by FakeProgram::End: a test sees the program end at once

struct FakeSnapshot : platform::ProcessSnapshot {
    explicit FakeSnapshot(std::vector<platform::ProcessEntry> listed) : entries(std::move(listed)) {}
    std::vector<platform::ProcessEntry> entries;
    std::size_t next = 0;
    bool Next(platform::ProcessEntry& entry) override {
        return next < entries.size() && (entry = entries[next++], true);
    }
};
struct FakeProcessList : platform::ProcessList {
    std::vector<std::vector<platform::ProcessEntry>> passes{{}};  // one per pass, the last repeating
    int failingPass = -1;                                         // counted from 0
    int snapshotsTaken = 0;
    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override {
        const int pass = snapshotsTaken++;
        return pass == failingPass ? nullptr
                                   : std::make_unique<FakeSnapshot>(
                                         passes[std::min(static_cast<std::size_t>(pass), passes.size() - 1)]);
    }
};

struct FakeProcessMemory : platform::ProcessMemory {
    std::map<std::uint32_t, platform::ProcessHandle> openable;  // process id -> handle; any other opens as 0
    std::map<std::uint64_t, std::uint8_t> bytes;                // of any open process
    std::vector<std::uint64_t> reads;                           // addresses, in order
    platform::ProcessHandle OpenForReading(std::uint32_t processId) override { return openable[processId]; }
    bool Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override {
        reads.push_back(address);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            if (process == 0 || !bytes.contains(address + i)) {
                std::ranges::fill(buffer, std::byte{0});  // a failed read delivers nothing
                return false;
            }
            buffer[i] = std::byte{bytes[address + i]};
        }
        return true;
    }
    bool exited = false;  // every process
    bool HasExited(platform::ProcessHandle /*process*/) override { return exited; }
    void Close(platform::ProcessHandle /*process*/) override {}
    void Store(std::uint64_t address, const std::vector<std::uint8_t>& values) {
        for (const std::uint8_t value : values) {
            bytes[address++] = value;
        }
    }
};

struct FakeFiles : platform::Files {
    std::map<std::string, std::string> files;  // path -> bytes
    bool FileExists(std::string_view path) override { return files.contains(std::string(path)); }
    std::optional<std::string> ReadWholeFile(std::string_view path) override {
        return FileExists(path) ? std::optional(files.at(std::string(path))) : std::nullopt;
    }
    bool IsSpecialOrTooLarge(std::string_view /*path*/) override { return false; }
};

struct FakeMci : platform::Mci {
    std::vector<std::string> commands;
    std::int32_t answer = 0;
    std::string problem;  // of the sound output
    int prepares = 0;
    std::int32_t SendString(std::string_view command) override { return commands.emplace_back(command), answer; }
    void PrepareOutput() override { ++prepares; }
    std::string OutputProblem() override { return problem; }
};
// Passes every command on to a real service and keeps what it answered.
struct RecordingMci : platform::Mci {
    explicit RecordingMci(platform::Mci& real) : service(real) {}
    platform::Mci& service;
    struct Sent {
        std::string command;
        std::int32_t code;
    };
    std::vector<Sent> sent;
    std::int32_t SendString(std::string_view command) override {
        return sent.emplace_back(Sent{std::string(command), service.SendString(command)}).code;
    }
};

struct FakeSleeper : platform::Sleeper {
    std::vector<std::uint32_t> sleeps;
    void Sleep(std::uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
};
struct FakeMessagePump : platform::MessagePump {
    int yields = 0;
    std::function<void(int yield)> onYield = [](int) {};  // the test's stand-in for the user
    void HandlePendingMessages() override { onYield(++yields); }
    void HandleMessagesUntil(Clock::time_point /*deadline*/) override { HandlePendingMessages(); }  // never sleeps
};

struct FakeProgram : platform::Program {
    std::string folder = "C:\\Kerbcall";
    struct Message {
        std::string text, caption;
    };
    std::vector<Message> messages;
    int ends = 0;
    std::string Folder() override { return folder; }
    void ShowInformation(std::string_view text, std::string_view caption) override {
        messages.push_back({std::string(text), std::string(caption)});
    }
    [[noreturn]] void End() override {
        ++ends;
        throw ProgramEnded{};
    }
};

struct FakeUserFolders : platform::UserFolders {  // settings go into the fake files, where the program reads them
    explicit FakeUserFolders(FakeFiles& into) : files(into) {}
    FakeFiles& files;
    std::string DataFolder() override { return ""; }
    std::string SettingsFolder() override { return "C:\\Users\\Driver\\Kerbcall"; }
    bool WriteSetting(std::string_view name, std::string_view bytes) override {
        return files.files[SettingsFolder() + "\\" + std::string(name)] = bytes, true;
    }
    std::vector<std::string> GameDocumentsFolders(std::string_view /*steamAppId*/) override {
        return {"C:\\Users\\Driver\\Documents", "D:\\Documents"};
    }
};

// One socket at a time, fed by the test; a datagram longer than the
// receiver's buffer reports its whole length, as a real socket does.
struct FakeUdp : platform::Udp {
    std::deque<std::string> datagrams;  // waiting, oldest first
    std::string refusal;                // Open fails with it when set
    int opens = 0;
    std::shared_ptr<bool> open = std::make_shared<bool>(false);
    struct Socket : platform::UdpSocket {
        Socket(FakeUdp& udp) : from(udp), open(udp.open) { *open = true; }
        ~Socket() override { *open = false; }
        FakeUdp& from;
        std::shared_ptr<bool> open;
        std::optional<std::size_t> Receive(std::span<std::byte> buffer) override {
            if (from.datagrams.empty()) {
                return std::nullopt;
            }
            const std::string datagram = std::move(from.datagrams.front());
            from.datagrams.pop_front();
            std::memcpy(buffer.data(), datagram.data(), std::min(buffer.size(), datagram.size()));
            return datagram.size();
        }
    };
    std::unique_ptr<platform::UdpSocket> Open(std::string_view, std::uint16_t, std::string& problem) override {
        ++opens;
        return refusal.empty() ? std::make_unique<Socket>(*this) : (problem = refusal, nullptr);
    }
};

struct FakePlatform {
    FakeProcessList processes;
    FakeProcessMemory memory;
    FakeFiles files;
    FakeMci mci;
    FakeSleeper sleeper;
    FakeMessagePump pump;
    FakeProgram program;
    FakeUserFolders userFolders{files};
    FakeUdp udp;
    platform::Services services{processes, memory, files, mci, sleeper, pump, program, userFolders, udp};
};

}  // namespace fakes
}  // namespace kerbcall
