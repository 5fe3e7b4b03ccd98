#pragma once
// What every benchmark shares: rounds of measurements taken alike, the median of each, and the
// "name: value unit" lines that scripts/bench.sh collects.

#include <functional>
#include <optional>
#include <vector>

namespace bench {

// One figure's work, timed once a round, and what follows it untimed: checking that the work was
// whole (a part of it would time the wrong thing) and clearing up after it.
struct measurement {
    std::function<void()> work;
    std::function<bool()> after = [] { return true; };
};

enum class order {
    as_listed,
    // Each round starts one measurement further on, so that whatever the one before leaves behind
    // (caches, a busy machine) falls on each of them alike.
    taking_turns,
};

// Runs warm_up_rounds + rounds rounds, each timing every measurement once. Returns each
// measurement's times in milliseconds over the rounds after the warm-up, in the order listed;
// nothing as soon as an `after` finds the work not whole.
std::optional<std::vector<std::vector<double>>> time_rounds(int warm_up_rounds, int rounds, order turns,
                                                            const std::vector<measurement>& measurements);

double median(std::vector<double> times);

void print_milliseconds(const char* name, double milliseconds, int decimals);
void print_ratio(const char* name, double ratio);

// Runs a benchmark's body, and turns an exception into a line on standard error and exit code 1,
// so that what the body set up (keys added to the prefix's registry) is undone on the way out.
int run_guarded(const char* name, const std::function<int()>& body);

}  // namespace bench
