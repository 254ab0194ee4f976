// What every recorded command costs on top of its own work: taking the work from the grid
// (twice per command) and comparing the two; and what a recovery copy costs the UI thread
// (making its text; the disk write runs on a thread of its own).

#include <benchmark/benchmark.h>

#include "core/GridTable.h"
#include "core/InstrumentList.h"
#include "song/WorkState.h"

namespace {

using valdorin::GridTable;
using valdorin::song::WorkState;

// A 64-step pattern with its labels and every other channel cell filled, and a play list of
// 50 entries: a busy session's work.
WorkState busyWork() {
    GridTable grid;
    grid.setRowCount(66);
    grid.setCell(0, 0, "Busy");
    grid.setCell(2, 0, "64");
    valdorin::labelSteps(grid, 4, 65);
    valdorin::writeChannelHeaders(grid);
    for (int row = 2; row <= 66; ++row)
        for (int col = 1; col <= 6; ++col)
            if ((row + col) % 2 == 0)
                grid.setCell(col, row, valdorin::instrumentEntry(1 + (row + col) % 16));
    WorkState work;
    valdorin::song::takeGrid(grid, work);
    for (int i = 0; i < 50; ++i)
        work.playList.push_back({"Pattern" + std::to_string(i), false});
    return work;
}

void BM_TakeAndCompare(benchmark::State& state) {
    const WorkState work = busyWork();
    GridTable grid;
    valdorin::song::putGrid(work, grid);
    for (auto _ : state) {
        WorkState before, after;
        valdorin::song::takeGrid(grid, before);
        valdorin::song::takeGrid(grid, after);
        benchmark::DoNotOptimize(before == after);
    }
}
BENCHMARK(BM_TakeAndCompare);

void BM_RecoveryText(benchmark::State& state) {
    const WorkState work = busyWork();
    for (auto _ : state)
        benchmark::DoNotOptimize(valdorin::song::recoveryText(work));
}
BENCHMARK(BM_RecoveryText);

void BM_ReadRecoveryText(benchmark::State& state) {
    const std::string text = valdorin::song::recoveryText(busyWork());
    for (auto _ : state)
        benchmark::DoNotOptimize(valdorin::song::readRecoveryText(text));
}
BENCHMARK(BM_ReadRecoveryText);

}  // namespace
