#pragma once

// The most memory this process has had resident at any one time, in MiB.
double peakResidentMegabytes();

// Memory resident now, in MiB; -1 where the system does not tell.
double residentMegabytes();

// Starts the peak of peakResidentSinceReset() afresh (Linux); false where that cannot be done.
bool resetPeakResident();
// The most memory resident since resetPeakResident(), in MiB; -1 where the system does not tell.
double peakResidentSinceReset();
