#pragma once

// The most memory this process has had resident at any one time, in MiB.
double peakResidentMegabytes();
