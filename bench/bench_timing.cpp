#include "bench_timing.h"

#include <cstdio>
#include <exception>

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

class stopwatch {
public:
    stopwatch()
    {
        QueryPerformanceFrequency(&m_frequency);
        QueryPerformanceCounter(&m_start);
    }
    double milliseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
};

}  // namespace

std::optional<std::vector<std::vector<double>>> time_rounds(int warm_up_rounds, int rounds, order turns,
                                                            const std::vector<measurement>& measurements)
{
    const size_t count = measurements.size();
    std::vector<std::vector<double>> times(count);
    std::vector<double> round_times(count);
    for (int round = 0; round < warm_up_rounds + rounds; ++round) {
        for (size_t turn = 0; turn < count; ++turn) {
            const size_t index = turns == order::taking_turns ? (round + turn) % count : turn;
            const stopwatch time;
            measurements[index].work();
            round_times[index] = time.milliseconds();
            if (!measurements[index].after())
                return std::nullopt;
        }
        if (round >= warm_up_rounds)
            for (size_t index = 0; index < count; ++index)
                times[index].push_back(round_times[index]);
    }
    return times;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void print_milliseconds(const char* name, double milliseconds, int decimals)
{
    std::printf("%s: %.*f ms\n", name, decimals, milliseconds);
}

void print_ratio(const char* name, double ratio)
{
    std::printf("%s: %.2f x\n", name, ratio);
}

int run_guarded(const char* name, const std::function<int()>& body)
{
    try {
        return body();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", name, failure.what());
        return 1;
    }
}

}  // namespace bench
