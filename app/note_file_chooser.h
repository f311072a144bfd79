#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "engine/note_table.h"
#include "platform/services.h"

namespace kerbcall::app {

class StartupForm;

inline constexpr char kChooserTitle[] = ".TRK File Finder";
inline constexpr char kSelectCaption[] = "Select";
inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kNoteFilePattern[] = "*.ini";
// In the user's settings folder: the folder of the note file chosen last, on
// the first line.
inline constexpr char kRememberedFolderFile[] = "last-note-folder";

struct ChooserControls {
    Window& window;
    Button& cmdSelect;
    Button& cmdCancel;
    DriveList& drvList;
    DirectoryList& dirList;
    FileList& filList;
};

class FrmFileManager2;

// A toolkit's chooser window with its controls, created hidden.
class ChooserView {
public:
    virtual ~ChooserView() = default;
    virtual ChooserControls Controls() = 0;
    // From now on the controls' events run the form's handlers.
    virtual void RouteEventsTo(FrmFileManager2& form) = 0;
};

class ChooserViewFactory {
public:
    virtual ~ChooserViewFactory() = default;
    virtual std::unique_ptr<ChooserView> CreateView() = 0;
};

// The note file chooser: browse drives and folders, pick a "*.ini" file. The
// file's bare name and its folder are recorded; the note reader opens that
// file. It opens where the last note file was chosen, remembered for the
// user, or else in the program folder.
class FrmFileManager2 {
public:
    FrmFileManager2(Globals& globals, platform::Services& services, StartupForm& mainWindow,
                    const ChooserControls& controls);

    void Form_Load();
    void drvList_Change();
    void dirList_Change();
    void dirList_LostFocus();
    void filList_Click();
    void filList_DblClick();
    void cmdSelect_Click();
    void cmdCancel_Click();

    void Show();

private:
    // The folder remembered, as written; empty when there is none or it
    // cannot be read.
    std::string RememberedFolder();

    Globals& globals_;
    platform::Services& services_;
    StartupForm& mainWindow_;
    ChooserControls controls_;
};

// The file name up to its first "." (all of it when it has none).
std::string TrackName(std::string_view noteFileName);

}  // namespace kerbcall::app
