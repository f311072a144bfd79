#include "platform/posix/xdg_user_folders.h"

#include <cstdlib>

#include "platform/safe_write.h"

namespace kerbcall::posix {

namespace {

// `variable`'s folder, or `fallback` under the home folder; then kerbcall.
std::string BaseFolder(const char* variable, const char* fallback) {
    const char* base = std::getenv(variable);
    if (base != nullptr && base[0] == '/') {
        return std::string(base) + "/kerbcall";
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + fallback + "/kerbcall" : std::string();
}

}  // namespace

std::string XdgUserFolders::DataFolder() { return BaseFolder("XDG_DATA_HOME", "/.local/share"); }

std::string XdgUserFolders::SettingsFolder() { return BaseFolder("XDG_CONFIG_HOME", "/.config"); }

bool XdgUserFolders::WriteSetting(std::string_view name, std::string_view bytes) {
    const std::string folder = SettingsFolder();
    return !folder.empty() && platform::WriteIntoFolder(folder, name, bytes).empty();
}

std::vector<std::string> XdgUserFolders::GameDocumentsFolders(std::string_view steamAppId) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    std::vector<std::string> folders;
    for (const char* library : {"/.local/share/Steam", "/.steam/steam"}) {
        folders.push_back(std::string(home) + library + "/steamapps/compatdata/" + std::string(steamAppId) +
                          "/pfx/drive_c/users/steamuser/Documents");
    }
    return folders;
}

}  // namespace kerbcall::posix
