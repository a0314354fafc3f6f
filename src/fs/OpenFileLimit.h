// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// Raises the process's soft limit on open files to its hard limit: each original whose writer
// may still be writing after its save costs a descriptor for as long as it is held.
void raiseOpenFileLimit();

// How many descriptors may be held for a while beyond the program's own working ones.
std::size_t descriptorsToSpare();
