#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"

namespace kerbcall::platform {

struct ProcessEntry {
    std::uint32_t processId = 0;
    // Bare executable file name with its extension and without a folder,
    // e.g. "zrl.exe". Empty when the platform could not tell the name.
    std::string exeName;
};

// The running processes as they stood at one moment, read one entry at a
// time. Destroying the snapshot closes it.
class ProcessSnapshot {
public:
    virtual ~ProcessSnapshot() = default;
    // Writes the next entry and returns true; false once the list is
    // exhausted or the platform fails to deliver more.
    virtual bool Next(ProcessEntry& entry) = 0;
};

class ProcessList {
public:
    virtual ~ProcessList() = default;
    // nullptr when no snapshot can be taken.
    virtual std::unique_ptr<ProcessSnapshot> TakeSnapshot() = 0;
    // True once no process with this id and executable name (case ignored)
    // runs; false while one does or nothing can be told. Through a snapshot
    // unless the platform can look at the one process.
    virtual bool HasEnded(std::uint32_t processId, std::string_view exeName) {
        const std::unique_ptr<ProcessSnapshot> snapshot = TakeSnapshot();
        ProcessEntry entry;
        while (snapshot && snapshot->Next(entry)) {
            if (entry.processId == processId && EqualIgnoringAsciiCase(entry.exeName, exeName)) {
                return false;
            }
        }
        return snapshot != nullptr;
    }
};

}  // namespace kerbcall::platform
