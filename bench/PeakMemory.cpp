#include "PeakMemory.h"

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
