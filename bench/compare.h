// Marks a benchmark as the engine's side of a comparison that scripts/bench.sh puts in its table.
#pragma once

#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>

namespace tarvok::bench {

// One row of the table: what is measured, the reference benchmark of the same program (by name, empty
// for none) and the goal (a plain number is a ratio of reference time to engine time to reach).
struct Row {
    std::string work;
    std::string reference = "";
    std::string goal = "";
    std::string per = "";  // a counter: compare the time per unit of it instead of per iteration
};

// Sets the label that scripts/bench_table.py reads: "work=...;ref=...;goal=...;per=..." per row, rows
// separated by "|".
inline void Compare(benchmark::State& state, std::initializer_list<Row> rows) {
    std::string label;
    for (const Row& row : rows) {
        if (!label.empty()) label += "|";
        label += "work=" + row.work;
        if (!row.reference.empty()) label += ";ref=" + row.reference;
        if (!row.goal.empty()) label += ";goal=" + row.goal;
        if (!row.per.empty()) label += ";per=" + row.per;
    }
    state.SetLabel(label);
}

}  // namespace tarvok::bench
