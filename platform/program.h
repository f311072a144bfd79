#pragma once

#include <string>
#include <string_view>

namespace kerbcall::platform {

// The services of the running program itself.
class Program {
public:
    virtual ~Program() = default;
    // The folder that holds the program's executable, exactly as the platform
    // reports it (pieces beginning with "\" are joined to it as they stand).
    virtual std::string Folder() = 0;
    // A modal information message box with one OK button.
    virtual void ShowInformation(std::string_view text, std::string_view caption) = 0;
    // Ends the program at once: no code of the caller runs afterwards, no
    // window's close handling runs, open handles end with the process.
    [[noreturn]] virtual void End() = 0;
};

}  // namespace kerbcall::platform
