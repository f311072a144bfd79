#include "app/note_file_chooser.h"

#include "app/main_window.h"
#include "platform/path_join.h"

namespace kerbcall::app {

FrmFileManager2::FrmFileManager2(Globals& globals, platform::Services& services, StartupForm& mainWindow,
                                 const ChooserControls& controls)
    : globals_(globals), services_(services), mainWindow_(mainWindow), controls_(controls) {}

void FrmFileManager2::Form_Load() {
    // The last note file's folder while it can be opened, else the
    // program's own, which can always be; should it not be, the lists simply
    // stay on the drive's current folder.
    for (const std::string& folder : {RememberedFolder(), services_.program.Folder()}) {
        if (folder.empty()) {
            continue;
        }
        controls_.drvList.SetDrive(folder);
        if (controls_.dirList.SetPath(folder)) {
            break;
        }
    }
    controls_.filList.SetPattern(kNoteFilePattern);
    controls_.cmdSelect.SetEnabled(false);
}

void FrmFileManager2::drvList_Change() {
    if (!controls_.dirList.SetPath(controls_.drvList.Drive())) {
        // Back to the drive of the folder still open; this runs the drive
        // change once more, for that drive.
        controls_.drvList.SetDrive(controls_.dirList.Path());
        return;
    }
    controls_.cmdSelect.SetEnabled(false);
}

void FrmFileManager2::dirList_Change() {
    controls_.filList.SetPath(controls_.dirList.Path());
    controls_.cmdSelect.SetEnabled(false);
}

void FrmFileManager2::dirList_LostFocus() {
    // A folder that can no longer be opened leaves the open one as it is.
    static_cast<void>(controls_.dirList.SetPath(controls_.dirList.HighlightedPath()));
}

// Also runs when the selection is taken away (Ctrl+click): Select stays
// enabled only while there is a file to select.
void FrmFileManager2::filList_Click() { controls_.cmdSelect.SetEnabled(!controls_.filList.FileName().empty()); }

void FrmFileManager2::filList_DblClick() { cmdSelect_Click(); }

void FrmFileManager2::cmdSelect_Click() {
    // With nothing selected there is nothing to record, and closing the
    // chooser would leave no way to choose.
    if (controls_.filList.FileName().empty()) {
        return;
    }
    globals_.noteFileName = controls_.filList.FileName();
    globals_.noteFolder = controls_.filList.Path();
    // Not remembered, the next start opens the program folder: no reason to
    // stop this one.
    static_cast<void>(services_.userFolders.WriteSetting(kRememberedFolderFile, globals_.noteFolder + "\n"));
    controls_.window.Close();
    mainWindow_.Label1().SetText(TrackName(globals_.noteFileName));
    mainWindow_.Show();
}

void FrmFileManager2::cmdCancel_Click() {
    globals_.noteFileName.clear();
    services_.program.End();
}

void FrmFileManager2::Show() { controls_.window.Show(); }

std::string FrmFileManager2::RememberedFolder() {
    const std::string settings = services_.userFolders.SettingsFolder();
    const std::optional<std::string> bytes =
        settings.empty() ? std::nullopt
                         : services_.files.ReadWholeFile(platform::JoinPath(settings, kRememberedFolderFile));
    if (!bytes) {
        return {};
    }
    std::string folder = bytes->substr(0, bytes->find('\n'));
    if (folder.ends_with('\r')) {
        folder.pop_back();
    }
    // No folder's name holds a NUL: a damaged setting.
    return folder.find('\0') == std::string::npos ? folder : std::string();
}

std::string TrackName(std::string_view noteFileName) {
    return std::string(noteFileName.substr(0, noteFileName.find('.')));
}

}  // namespace kerbcall::app
