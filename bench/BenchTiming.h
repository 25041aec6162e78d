#pragma once

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tidewell::bench {

// The wall-clock time of one call of `work`, in milliseconds.
template <typename Work> double elapsedMilliseconds(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

// The median rather than the mean, so that one run slowed by the scheduler does not move the
// figure.
inline double medianOf(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

struct MedianPair
{
    double nativeMs = 0.0;
    double commandMs = 0.0;
};

// The median times of the native reader and of the command it replaces. Their runs take turns,
// so that a busy moment on the machine (other builds, a cron job) slows both sides alike rather
// than only the one that happened to be running.
template <typename NativeWork, typename CommandWork>
MedianPair compareMedians(int nativeRuns, NativeWork&& nativeWork, int commandRuns, CommandWork&& commandWork)
{
    std::vector<double> nativeTimes;
    std::vector<double> commandTimes;
    for (int run = 0; run < std::max(nativeRuns, commandRuns); ++run) {
        if (run < nativeRuns)
            nativeTimes.push_back(elapsedMilliseconds(nativeWork));
        if (run < commandRuns)
            commandTimes.push_back(elapsedMilliseconds(commandWork));
    }
    return MedianPair{medianOf(std::move(nativeTimes)), medianOf(std::move(commandTimes))};
}

// The median time of `runs` calls of `work`.
template <typename Work> double medianMilliseconds(int runs, Work&& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(elapsedMilliseconds(work));
    return medianOf(std::move(times));
}

// Figures go to standard output one per line as "name: value", so that scripts can pick them up
// with a plain grep.
inline void printFigure(const char* name, double value, int decimals = 3)
{
    std::printf("%s: %.*f\n", name, decimals, value);
    std::fflush(stdout);
}

inline void printCount(const char* name, long long value)
{
    std::printf("%s: %lld\n", name, value);
    std::fflush(stdout);
}

inline void printText(const char* name, const QString& value)
{
    std::printf("%s: %s\n", name, value.toUtf8().constData());
    std::fflush(stdout);
}

inline void printYesNo(const char* name, bool value)
{
    std::printf("%s: %s\n", name, value ? "yes" : "no");
    std::fflush(stdout);
}

// A ratio of two medians; a zero denominator (a tool that failed at once) gives zero, not inf.
inline double ratioOf(double numerator, double denominator)
{
    return denominator > 0.0 ? numerator / denominator : 0.0;
}

} // namespace tidewell::bench
