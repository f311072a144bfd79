#pragma once

// Fakes of every outside service, for tests. They record what the program
// asked of them and answer as the test sets them up.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/note_table.h"
#include "platform/services.h"

namespace kerbcall {

inline bool operator==(const PaceNote& a, const PaceNote& b) {
    return a.soundFile == b.soundFile && a.triggerDistance == b.triggerDistance;
}

}  // namespace kerbcall

namespace kerbcall::fakes {

// Thrown by FakeProgram::End so that a test sees the program end at once.
struct ProgramEnded {};

class FakeProcessList : public platform::ProcessList {
public:
    // One list of entries per pass; the last one repeats. A pass listed in
    // failingPasses (counted from 0) cannot be snapshotted.
    std::vector<std::vector<platform::ProcessEntry>> passes;
    std::vector<int> failingPasses;
    int snapshotsTaken = 0;
    int snapshotsOpen = 0;

    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override {
        const int pass = snapshotsTaken++;
        if (std::ranges::find(failingPasses, pass) != failingPasses.end()) {
            return nullptr;
        }
        const auto index = std::min(static_cast<std::size_t>(pass), passes.size() - 1);
        return std::make_unique<Snapshot>(*this,
                                          passes.empty() ? std::vector<platform::ProcessEntry>{} : passes[index]);
    }

private:
    class Snapshot : public platform::ProcessSnapshot {
    public:
        Snapshot(FakeProcessList& owner, std::vector<platform::ProcessEntry> entries)
            : owner_(owner), entries_(std::move(entries)) {
            ++owner_.snapshotsOpen;
        }
        ~Snapshot() override { --owner_.snapshotsOpen; }
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

        bool Next(platform::ProcessEntry& entry) override {
            if (next_ >= entries_.size()) {
                return false;
            }
            entry = entries_[next_++];
            return true;
        }

    private:
        FakeProcessList& owner_;
        std::vector<platform::ProcessEntry> entries_;
        std::size_t next_ = 0;
    };
};

class FakeProcessMemory : public platform::ProcessMemory {
public:
    // Processes that can be opened, by id, with the handle they open as.
    std::map<std::uint32_t, platform::ProcessHandle> openable;
    // Readable bytes of the open process, by address.
    std::map<std::uint64_t, std::uint8_t> bytes;
    std::vector<std::uint32_t> opened;
    std::vector<platform::ProcessHandle> exited;
    struct ReadCall {
        platform::ProcessHandle process;
        std::uint64_t address;
        std::size_t size;
    };
    std::vector<ReadCall> reads;

    platform::ProcessHandle OpenForReading(std::uint32_t processId) override {
        opened.push_back(processId);
        const auto it = openable.find(processId);
        return it == openable.end() ? 0 : it->second;
    }

    bool Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override {
        reads.push_back({process, address, buffer.size()});
        if (process == 0 || HasExited(process)) {
            return false;
        }
        std::size_t delivered = 0;
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            if (const auto it = bytes.find(address + i); it != bytes.end()) {
                buffer[i] = std::byte{it->second};
                ++delivered;
            }
        }
        return delivered == buffer.size();
    }

    bool HasExited(platform::ProcessHandle process) override {
        return std::find(exited.begin(), exited.end(), process) != exited.end();
    }

    void Store(std::uint64_t address, std::vector<std::uint8_t> values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            bytes[address + i] = values[i];
        }
    }
};

class FakeFiles : public platform::Files {
public:
    std::map<std::string, std::string> files;  // path -> bytes
    std::vector<std::string> folders;          // exist but cannot be read
    std::vector<std::string> searched;

    bool FileExists(std::string_view sSource) override {
        searched.emplace_back(sSource);
        const std::string path(sSource);
        if (path.empty() || path.back() == '\\') {
            return false;
        }
        return files.contains(path) || std::ranges::find(folders, path) != folders.end();
    }

    std::optional<std::string> ReadWholeFile(std::string_view path) override {
        const auto it = files.find(std::string(path));
        if (it == files.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

class FakeMci : public platform::Mci {
public:
    std::vector<std::string> commands;
    std::int32_t answer = 0;

    std::int32_t SendString(std::string_view command) override {
        commands.emplace_back(command);
        return answer;
    }
};

// Passes every command on to a real service and keeps what it answered.
class RecordingMci : public platform::Mci {
public:
    explicit RecordingMci(platform::Mci& service) : service_(service) {}

    struct Sent {
        std::string command;
        std::int32_t code;
    };
    std::vector<Sent> sent;

    std::int32_t SendString(std::string_view command) override {
        const std::int32_t code = service_.SendString(command);
        sent.push_back({std::string(command), code});
        return code;
    }

private:
    platform::Mci& service_;
};

class FakeSleeper : public platform::Sleeper {
public:
    std::vector<std::uint32_t> sleeps;
    std::function<void()> onSleep;

    void Sleep(std::uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        if (onSleep) {
            onSleep();
        }
    }
};

class FakeMessagePump : public platform::MessagePump {
public:
    int yields = 0;
    // Runs on every yield: the test's stand-in for the user's input.
    std::function<void(int yield)> onYield;

    void HandlePendingMessages() override {
        ++yields;
        if (onYield) {
            onYield(yields);
        }
    }
    // A wait is one yield; it never sleeps.
    void HandleMessagesUntil(Clock::time_point /*deadline*/) override { HandlePendingMessages(); }
};

class FakeProgram : public platform::Program {
public:
    std::string folder = "C:\\Kerbcall";
    struct Message {
        std::string text;
        std::string caption;
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

// All fakes together, with the Services bundle the program takes.
struct FakePlatform {
    FakeProcessList processes;
    FakeProcessMemory memory;
    FakeFiles files;
    FakeMci mci;
    FakeSleeper sleeper;
    FakeMessagePump pump;
    FakeProgram program;
    platform::Services services{processes, memory, files, mci, sleeper, pump, program};
};

}  // namespace kerbcall::fakes
