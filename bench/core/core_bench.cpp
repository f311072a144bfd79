// Speed of the two hot paths of the core: one pass decision over a full note
// table, and reading a full note file.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/note_file.h"
#include "engine/trigger_loop.h"

namespace kerbcall {
namespace {

std::string FullNoteFile() {
    std::string file = "; a stage of 2001 notes\r\n[ Stage ]\r\n";
    for (int i = 0; i < static_cast<int>(kNoteTableSize); ++i) {
        file += "left" + std::to_string(i % 6 + 1) + ".mp3," + std::to_string(i * 25) + ".5 ; call\r\n";
    }
    return file;
}

// The worst pass: the sample lies in no window, so every note is tested.
void BM_PassDecisionOverAFullTable(benchmark::State& state) {
    const auto contents = std::get<NoteFileContents>(ParseNoteFile(FullNoteFile()));
    const NoteWindows windows(contents.notes);
    TriggerState trigger;
    float sample = -1000.0F;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecidePass(windows, trigger, sample));
        sample -= 0.25F;
    }
}
BENCHMARK(BM_PassDecisionOverAFullTable);

// A lap over the stage: the sample moves through the windows and notes fire.
void BM_PassDecisionDrivingTheStage(benchmark::State& state) {
    const auto contents = std::get<NoteFileContents>(ParseNoteFile(FullNoteFile()));
    const NoteWindows windows(contents.notes);
    TriggerState trigger;
    float sample = 0.0F;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecidePass(windows, trigger, sample));
        sample = sample > 50000.0F ? 0.0F : sample + 1.5F;
    }
}
BENCHMARK(BM_PassDecisionDrivingTheStage);

void BM_ReadAFullNoteFile(benchmark::State& state) {
    const std::string file = FullNoteFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseNoteFile(file));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadAFullNoteFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kerbcall

BENCHMARK_MAIN();
