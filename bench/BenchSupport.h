// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs the registered benchmarks, then prints, for each pair (measured, baseline), the ratio of
// their mean real times per iteration, both measured in this same run.
int runBenchmarksWithRatios(int argc, char** argv,
                            const std::vector<std::pair<std::string, std::string>>& pairs);
