#include "app/main_window.h"

namespace kerbcall::app {

StartupForm::StartupForm(Globals& globals, platform::Services& services, const MainWindowControls& controls,
                         ChooserViewFactory& chooserViews)
    : discovery(services.processes, services.memory, services.pump, services.program),
      position(services.memory, services.pump),
      sound(services.mci, services.files,
            SoundFolders(services.files, services.userFolders, services.program.Folder())),
      noteReader(globals, services.files, services.program),
      status(services.mci),
      globals_(globals),
      services_(services),
      controls_(controls),
      chooserViews_(chooserViews) {
    sound.onPlayed = [this](std::string_view soundFile, SoundOutcome outcome) { status.Played(soundFile, outcome); };
}

StartupForm::~StartupForm() = default;

void StartupForm::Form_Load() {
    chooserView_ = chooserViews_.CreateView();
    chooser_ = std::make_unique<FrmFileManager2>(globals_, services_, *this, chooserView_->Controls());
    chooserView_->RouteEventsTo(*chooser_);
    chooser_->Form_Load();
    chooser_->Show();
}

void StartupForm::Command2_Click() {
    if (controls_.Command2.Caption() == kStartCaption) {
        controls_.Label1.SetText(controls_.Label1.Text() + kActivatedSuffix);
        controls_.Command2.SetCaption(kStopCaption);
        StartPaceNotes();
    } else {
        StopPaceNotes();
    }
}

void StartupForm::tmrStatus_Timer() {
    const std::string line = status.Line();
    if (controls_.lblStatus.Text() != line) {
        controls_.lblStatus.SetText(line);
    }
}

bool StartupForm::FileExists(std::string_view sSource) { return services_.files.FileExists(sSource); }

}  // namespace kerbcall::app
