#pragma once

namespace kerbcall::platform {

class MessagePump {
public:
    virtual ~MessagePump() = default;
    // Handles the window messages that are pending, once, and returns. Any
    // handler of the program may run from here, including one that ends it.
    virtual void HandlePendingMessages() = 0;
};

}  // namespace kerbcall::platform
