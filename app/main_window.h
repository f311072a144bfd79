#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "app/controls.h"
#include "app/note_file_chooser.h"
#include "app/run_status.h"
#include "engine/note_file.h"
#include "engine/note_table.h"
#include "platform/services.h"
#include "simlink/distance_source.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "sound/sound_player.h"

namespace kerbcall::app {

inline constexpr char kMainWindowTitle[] = "ZRL Zuda Vodaz v1.1";
inline constexpr char kStartCaption[] = "Start";
inline constexpr char kStopCaption[] = "Stop";
inline constexpr char kActivatedSuffix[] = " activated";
inline constexpr std::uint32_t kDeactivationCueMilliseconds = 1000;

struct MainWindowControls {
    Window& window;
    Button& Command2;
    Label& Label1;
    Label& lblStatus;
    // Refreshes lblStatus while a run goes on.
    Timer& tmrStatus;
};

// The main window: opens the chooser, shows the track name, and carries the
// Start/Stop button with the run behind it. Its button caption is the run's
// marker: "Start" until a run begins, "Stop" from then on.
class StartupForm {
public:
    StartupForm(Globals& globals, platform::Services& services, const MainWindowControls& controls,
                ChooserViewFactory& chooserViews);
    ~StartupForm();
    StartupForm(const StartupForm&) = delete;
    StartupForm& operator=(const StartupForm&) = delete;

    void Form_Load();
    void Command2_Click();
    // Every close request stops and ends the program; both values are ignored.
    void Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode);
    // Shows the run's status as it stands.
    void tmrStatus_Timer();

    // Loads the notes, plays the activation cue, waits for the simulator and
    // runs the trigger loop, and waits again whenever the simulator exits;
    // returns only if stopRequested ends the loops.
    void StartPaceNotes();
    // Silences, plays the deactivation cue for a second and ends the program.
    void StopPaceNotes();

    bool FileExists(std::string_view sSource);

    Label& Label1() { return controls_.Label1; }
    Button& Command2() { return controls_.Command2; }
    void Show() { controls_.window.Show(); }
    // The chooser created by Form_Load; nullptr before.
    FrmFileManager2* Chooser() { return chooser_.get(); }

    // The run's fields.
    bool stopRequested = false;
    ProcessDiscovery discovery;
    PositionReader position;
    // Where the distance comes from while a title runs; null in between.
    std::unique_ptr<DistanceSource> source;
    SoundPlayer sound;
    TrackIniFileReader noteReader;
    RunStatus status;

private:
    Globals& globals_;
    platform::Services& services_;
    MainWindowControls controls_;
    ChooserViewFactory& chooserViews_;
    std::unique_ptr<ChooserView> chooserView_;
    std::unique_ptr<FrmFileManager2> chooser_;
};

}  // namespace kerbcall::app
