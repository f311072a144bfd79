#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kerbcall::platform {

// The folders where a user's own files for the program live, apart from the
// program folder, which may belong to the system.
class UserFolders {
public:
    virtual ~UserFolders() = default;
    // The user's own data, such as a sound folder of their own; empty where
    // the program folder is the user's.
    virtual std::string DataFolder() = 0;
    // The user's settings; empty when the system tells none.
    virtual std::string SettingsFolder() = 0;
    // Writes one whole file into the settings folder through the safe writer,
    // making the folder first; false when it could not.
    [[nodiscard]] virtual bool WriteSetting(std::string_view name, std::string_view bytes) = 0;
    // The "Documents" folders a Windows game run by this user writes into,
    // likeliest first: on Windows the user's own; on Linux the Documents of
    // the game's Proton prefix (Steam app `steamAppId`) under each place a
    // Steam library may be. Whether they exist is not looked at.
    virtual std::vector<std::string> GameDocumentsFolders(std::string_view steamAppId) = 0;
};

}  // namespace kerbcall::platform
