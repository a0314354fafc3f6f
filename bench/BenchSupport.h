// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <utility>
#include <vector>

// Runs the registered benchmarks, then prints, for each pair (measured, baseline), the ratio of
// their mean real times per iteration, both measured in this same run.
int runBenchmarksWithRatios(int argc, char** argv,
                            const std::vector<std::pair<std::string, std::string>>& pairs);

// A watched folder freshly filled with count files of size bytes named "captura_<i>.bmp", with
// nothing left dirty from the filling, so that neither side pays for writing the sources back.
std::vector<QByteArray> fill(const QString& folder, int count, int size);
