#include "app/run_control.h"

#include <exception>
#include <string>

#include "app/main_window.h"
#include "engine/trigger_loop.h"
#include "simlink/distance_sources.h"

namespace kerbcall::app {

namespace {

// One line: the bad line that skips a title before any other, and how many more there are.
std::string SettingsSummary(const TelemetrySettings& settings) {
    if (settings.problems.empty()) {
        return {};
    }
    std::string first = settings.problems.front();
    for (const TitleSettings* title : {&settings.dr2, &settings.wrc}) {
        if (!title->problem.empty()) {
            first = title->problem;
            break;
        }
    }
    const std::size_t more = settings.problems.size() - 1;
    return more == 0 ? first : first + " (and " + std::to_string(more) + " more in kerbcall.ini)";
}

}  // namespace

void StartupForm::StartPaceNotes() {
    controls_.window.Show();
    stopRequested = false;
    status.WaitingForSimulator();
    controls_.tmrStatus.Start(RunStatus::kRefreshPeriod);
    // A sound output that failed or was lost is tried again, meanwhile.
    services_.mci.PrepareOutput();
    noteReader.ReadNoteFile();
    // A bad setting is said and skips its title; the run goes on.
    const TelemetrySettings settings = ReadTelemetrySettings(services_.files, services_.userFolders);
    status.SettingsProblem(SettingsSummary(settings));
    discovery.LoadExecutableNames();
    LoadTelemetryTitles(discovery, settings);
    sound.PlaySound(kActivatedCue, false, "");
    // A simulator that exits is looked for again, and the run goes on with
    // the next one as it would have started with it.
    for (;;) {
        discovery.FindSimProcess(stopRequested);
        source = OpenDistanceSource(discovery, position, settings,
                                    {services_.processes, services_.udp, services_.files, services_.userFolders});
        status.Tracking(discovery.simExecutables.at(static_cast<std::size_t>(discovery.simExecutableIndex)),
                        discovery.simProcessId, *source);
        if (RunTriggerLoop(globals_, *source, sound, services_.pump, stopRequested) !=
            TriggerLoopEnd::kSimulatorExited) {
            return;
        }
        status.SimulatorGone();
        source.reset();
        // The system may list a process that has exited for a moment longer:
        // the next scan comes a scan period later, as while waiting.
        services_.pump.HandleMessagesUntil(platform::MessagePump::Clock::now() + ProcessDiscovery::kPassPeriod);
    }
}

void StartupForm::StopPaceNotes() {
    sound.CloseSound();
    sound.PlaySound(kDeactivatedCue, false, "");
    services_.sleeper.Sleep(kDeactivationCueMilliseconds);
    sound.CloseSound();
    services_.program.End();
}

void StartupForm::Form_QueryUnload(std::int16_t& /*cancel*/, std::int16_t /*unloadMode*/) { StopPaceNotes(); }

void HandleEvent(platform::Program& program, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        program.ShowInformation(std::string("Run-time error:\n\n") + error.what(), kProgramTitle);
        program.End();
    }
}

}  // namespace kerbcall::app
