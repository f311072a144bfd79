#include "app/note_file_chooser.h"

#include "app/main_window.h"

namespace kerbcall::app {

FrmFileManager2::FrmFileManager2(Globals& globals, platform::Program& program, StartupForm& mainWindow,
                                 const ChooserControls& controls)
    : globals_(globals), program_(program), mainWindow_(mainWindow), controls_(controls) {}

void FrmFileManager2::Form_Load() {
    const std::string programFolder = program_.Folder();
    controls_.drvList.SetDrive(programFolder);
    // The program's own folder can always be opened; should it not be, the
    // lists simply stay on the drive's current folder.
    static_cast<void>(controls_.dirList.SetPath(programFolder));
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
    controls_.window.Close();
    mainWindow_.Label1().SetText(TrackName(globals_.noteFileName));
    mainWindow_.Show();
}

void FrmFileManager2::cmdCancel_Click() {
    globals_.noteFileName.clear();
    program_.End();
}

void FrmFileManager2::Show() { controls_.window.Show(); }

std::string TrackName(std::string_view noteFileName) {
    return std::string(noteFileName.substr(0, noteFileName.find('.')));
}

}  // namespace kerbcall::app
