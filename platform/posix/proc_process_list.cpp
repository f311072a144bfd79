#include "platform/posix/proc_process_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/descriptor_reading.h"

namespace kerbcall::posix {

namespace {

// The kernel keeps at most this many characters of a process's name.
constexpr std::size_t kCommLength = 15;

// The first bytes of a /proc file; nullopt when the file is gone (the
// process ended meanwhile).
std::optional<std::string> ReadProcFile(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> text = ReadToEnd(fd, limit);
    ::close(fd);
    return text;
}

std::optional<std::uint32_t> ParseProcessId(std::string_view name) {
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (error != std::errc() || end != name.data() + name.size() || id == 0) {
        return std::nullopt;
    }
    return id;
}

// One process's entry; nullopt for a zombie or a process that has gone.
std::optional<platform::ProcessEntry> ReadEntry(const std::string& procRoot, std::uint32_t processId) {
    const std::string folder = procRoot + "/" + std::to_string(processId);
    const std::optional<std::string> stat = ReadProcFile(folder + "/stat", kStatLength);
    const std::optional<ProcessStat> parsed = stat ? ParseProcessStat(*stat) : std::nullopt;
    if (!parsed || parsed->HasEnded()) {
        return std::nullopt;
    }
    const std::string_view comm = parsed->comm;
    std::string argv0;
    if (comm.size() >= kCommLength) {
        const std::optional<std::string> cmdline = ReadProcFile(folder + "/cmdline", 4096);
        if (!cmdline) {
            return std::nullopt;
        }
        argv0 = cmdline->substr(0, cmdline->find('\0'));
    }
    return platform::ProcessEntry{processId, BareExecutableName(comm, argv0)};
}

class ProcFsSnapshot : public platform::ProcessSnapshot {
public:
    explicit ProcFsSnapshot(std::vector<platform::ProcessEntry> entries) : entries_(std::move(entries)) {}

    bool Next(platform::ProcessEntry& entry) override {
        if (next_ >= entries_.size()) {
            return false;
        }
        entry = entries_[next_++];
        return true;
    }

private:
    std::vector<platform::ProcessEntry> entries_;
    std::size_t next_ = 0;
};

}  // namespace

std::optional<ProcessStat> ParseProcessStat(std::string_view stat) {
    // "PID (COMM) STATE ...": COMM may itself hold ")" and blanks, so the
    // name runs to the last ")".
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open || close + 2 >= stat.size()) {
        return std::nullopt;
    }
    ProcessStat parsed{stat.substr(open + 1, close - open - 1), stat[close + 2]};
    // After the state: ppid, pgrp, session, tty_nr, tpgid, then the flags.
    std::string_view rest = stat.substr(close + 3);
    for (int field = 0; field < 5; ++field) {
        const std::size_t blank = rest.find(' ', 1);
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
    }
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::from_chars(rest.data(), rest.data() + rest.size(), parsed.flags);
    return parsed;
}

std::string BareExecutableName(std::string_view comm, std::string_view argv0) {
    if (comm.size() < kCommLength) {
        return std::string(comm);
    }
    const std::size_t separator = argv0.find_last_of("/\\");
    const std::string_view last = separator == std::string_view::npos ? argv0 : argv0.substr(separator + 1);
    return std::string(last.starts_with(comm) ? last : comm);
}

ProcFsProcessList::ProcFsProcessList(std::string procRoot) : procRoot_(std::move(procRoot)) {}

std::unique_ptr<platform::ProcessSnapshot> ProcFsProcessList::TakeSnapshot() {
    DIR* folder = ::opendir(procRoot_.c_str());
    if (folder == nullptr) {
        return nullptr;
    }
    std::vector<std::uint32_t> processIds;
    while (const dirent* item = ::readdir(folder)) {
        if (const std::optional<std::uint32_t> id = ParseProcessId(item->d_name)) {
            processIds.push_back(*id);
        }
    }
    ::closedir(folder);
    std::vector<platform::ProcessEntry> entries;
    entries.reserve(processIds.size());
    for (const std::uint32_t id : processIds) {
        if (std::optional<platform::ProcessEntry> entry = ReadEntry(procRoot_, id)) {
            entries.push_back(std::move(*entry));
        }
    }
    return std::make_unique<ProcFsSnapshot>(std::move(entries));
}

bool ProcFsProcessList::HasEnded(std::uint32_t processId, std::string_view exeName) {
    const std::optional<platform::ProcessEntry> entry = ReadEntry(procRoot_, processId);
    return !entry || !platform::EqualIgnoringAsciiCase(entry->exeName, exeName);
}

}  // namespace kerbcall::posix
