#include "app/main_window.h"

namespace kerbcall::app {

StartupForm::StartupForm(Globals& globals, platform::Services& services, const MainWindowControls& controls,
                         ChooserViewFactory& chooserViews)
    : discovery(services.processes, services.memory, services.pump, services.program),
      position(services.memory, services.pump),
      sound(services.mci, services.program.Folder()),
      noteReader(globals, services.files, services.program),
      globals_(globals),
      services_(services),
      controls_(controls),
      chooserViews_(chooserViews) {}

StartupForm::~StartupForm() = default;

void StartupForm::Form_Load() {
    chooserView_ = chooserViews_.CreateView();
    chooser_ = std::make_unique<FrmFileManager2>(globals_, services_.program, *this, chooserView_->Controls());
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

bool StartupForm::FileExists(std::string_view sSource) { return services_.files.FileExists(sSource); }

}  // namespace kerbcall::app
