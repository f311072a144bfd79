// Passes per second of the trigger loop as the program runs it: the distance
// read from a running kerbcall-sim through the Linux memory reader, Qt's
// message pump with both windows shown. Prints one figure a line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/qt/services.h"
#include "app/qt/views.h"
#include "bench/trigger_pass_timing.h"
#include "engine/trigger_loop.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/posix/sim_process.h"

namespace {

using namespace kerbcall;
// Far beyond the stand-in's lap: no note fires, every pass is a plain one.
constexpr std::int32_t kUnreachedDistance = 1'000'000;
constexpr long kPasses = 500'000;

double PassesPerSecond(PositionReader& position, platform::MessagePump& pump, std::size_t noteCount) {
    Globals globals;
    bench::FillNoteTable(globals, noteCount, kUnreachedDistance, 100);
    MemoryDistance memorySource(position);
    return 1e9 / bench::NanosecondsPerTriggerPass(globals, memorySource, pump, kPasses);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    posix::ProcFsProcessList processes;
    posix::ProcMemReader memory;
    bench::NoMessages noPump;
    qt::QtMessagePump qtPump;

    class BenchProgram : public platform::Program {
    public:
        std::string Folder() override { return "/"; }
        void ShowInformation(std::string_view, std::string_view) override {}
        [[noreturn]] void End() override { std::_Exit(1); }
    } program;
    qt::MainWindowView mainWindow(program);
    qt::ChooserWindow chooser(program);
    chooser.Show();
    mainWindow.Show();

    const posix::testing::SimProcess simulator({"--laps", "1000"});
    ProcessDiscovery discovery(processes, memory, noPump, program);
    discovery.LoadExecutableNames();
    bool neverStop = false;
    discovery.FindSimProcess(neverStop);
    PositionReader position(memory);
    position.simProcess = discovery.simProcess;
    position.DetectBuild();
    position.SelectPositionAddress();

    const struct {
        const char* what;
        platform::MessagePump& pump;
        std::size_t notes;
    } runs[] = {
        {"Qt pump, 17 notes", qtPump, 17},
        {"Qt pump, 2001 notes", qtPump, kNoteTableSize},
        {"no pump, 17 notes", noPump, 17},
        {"no pump, 2001 notes", noPump, kNoteTableSize},
    };
    for (const auto& run : runs) {
        std::printf("trigger loop passes per second (%s, windows shown, distance read from kerbcall-sim): %.0f\n",
                    run.what, PassesPerSecond(position, run.pump, run.notes));
    }
}
