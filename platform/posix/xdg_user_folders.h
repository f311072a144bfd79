#pragma once

#include "platform/user_folders.h"

namespace kerbcall::posix {

// The user's folders as the desktop's base directories name them:
// $XDG_DATA_HOME/kerbcall (by default ~/.local/share/kerbcall) and
// $XDG_CONFIG_HOME/kerbcall (by default ~/.config/kerbcall). A variable that
// is empty or not an absolute path is taken as unset; without $HOME either,
// there is no such folder.
class XdgUserFolders : public platform::UserFolders {
public:
    std::string DataFolder() override;
    std::string SettingsFolder() override;
    bool WriteSetting(std::string_view name, std::string_view bytes) override;
    // Under ~/.local/share/Steam and ~/.steam/steam, in that order.
    std::vector<std::string> GameDocumentsFolders(std::string_view steamAppId) override;
};

}  // namespace kerbcall::posix
