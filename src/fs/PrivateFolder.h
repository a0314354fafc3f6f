// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

// A folder of the program's own that no other user may enter, made 0700 inside parent when
// missing. One found there is used only when it is a real folder (not a link, not a FIFO) of
// this user; one of ours that others could enter is closed to them first. 0 or an error
// number: EPERM when another user owns the name, ENOTDIR when it is not a folder.
int openPrivateFolder(int parent, const char* name, UniqueFd& folder);

// The same for a path; the folders above it are made when missing, and are not checked.
int openPrivateFolder(const char* path, UniqueFd& folder);
