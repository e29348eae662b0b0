// Timing and summary helpers shared by the benchmark programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

class Stopwatch {
public:
    double seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start = Clock::now();
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Round by round ratios of two series measured side by side.
inline double minRatio(const std::vector<double>& a, const std::vector<double>& b)
{
    double r = a[0] / b[0];
    for (std::size_t i = 1; i < a.size(); ++i)
        r = std::min(r, a[i] / b[i]);
    return r;
}

inline double maxRatio(const std::vector<double>& a, const std::vector<double>& b)
{
    double r = a[0] / b[0];
    for (std::size_t i = 1; i < a.size(); ++i)
        r = std::max(r, a[i] / b[i]);
    return r;
}

// The process's peak resident memory in KiB, as the kernel reports it (Linux only;
// 0 where there is no /proc).
inline long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

} // namespace bench
