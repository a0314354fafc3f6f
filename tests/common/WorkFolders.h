// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the program keeps its working files inside folder while it moves a batch: its own
// ".varndel-<uid>", or the spare it made when that name was taken; folder itself when there is
// none, as before any move across file systems.
QString workFolderIn(const QString& folder);
