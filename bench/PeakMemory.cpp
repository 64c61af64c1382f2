#include "PeakMemory.h"

#include <fstream>
#include <string>

#if defined(__linux__)
namespace {
// A "VmRSS:"-style line of /proc/self/status, in MiB.
double statusMegabytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(key.size())) / 1024.0; // kB
    return -1;
}
} // namespace

double residentMegabytes() {
    return statusMegabytes("VmRSS:");
}

bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear.flush());
}

double peakResidentSinceReset() {
    return statusMegabytes("VmHWM:");
}
#else
double residentMegabytes() {
    return -1;
}
bool resetPeakResident() {
    return false;
}
double peakResidentSinceReset() {
    return -1;
}
#endif

#if defined(_WIN32)
#include <psapi.h>
#include <windows.h>

double peakResidentMegabytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        return -1;
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

#else
#include <sys/resource.h>

double peakResidentMegabytes() {
    rusage ru{};
    if (getrusage(RUSAGE_SELF, &ru) != 0)
        return -1;
#if defined(__APPLE__)
    return static_cast<double>(ru.ru_maxrss) / (1024.0 * 1024.0); // bytes
#else
    return static_cast<double>(ru.ru_maxrss) / 1024.0; // KiB
#endif
}
#endif
