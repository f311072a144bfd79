#pragma once

#include <chrono>
#include <thread>

namespace kerbcall::platform {

class MessagePump {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~MessagePump() = default;
    // The time the waits are counted in.
    virtual Clock::time_point Now() { return Clock::now(); }
    // Handles the window messages that are pending, once, and returns. Any
    // handler of the program may run from here, including one that ends it.
    virtual void HandlePendingMessages() = 0;
    // Handles window messages as they come until the deadline, sleeping in
    // between; returns at once when the deadline has passed. Without windows
    // it simply sleeps.
    virtual void HandleMessagesUntil(Clock::time_point deadline) {
        HandlePendingMessages();
        std::this_thread::sleep_until(deadline);
    }
    // Waits of a millisecond need the system's finest timer; a loop that
    // makes them asks for it while it runs. Calls pair up and may nest.
    virtual void BeginFineWaits() {}
    virtual void EndFineWaits() {}
};

// Fine waits while held, and never past its life.
class FineWaits {
public:
    explicit FineWaits(MessagePump& pump) : pump_(pump) {}
    ~FineWaits() { Hold(false); }
    FineWaits(const FineWaits&) = delete;
    FineWaits& operator=(const FineWaits&) = delete;

    void Hold(bool fine) {
        if (fine != held_) {
            held_ = fine;
            fine ? pump_.BeginFineWaits() : pump_.EndFineWaits();
        }
    }

private:
    MessagePump& pump_;
    bool held_ = false;
};

}  // namespace kerbcall::platform
