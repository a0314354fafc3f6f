// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>

class FileOps;

// Hidden names that saves give to files while they work on them. Only names that start this
// way are ever renamed or removed on a journal's word.
inline constexpr char privatePrefix[] = ".varndel-";
bool isPrivateName(const QByteArray& name);

// Whether name is one entry of a folder: not empty, no "/" or NUL, not "." or "..".
bool isSingleComponent(const QByteArray& name);

// Moves a file from one folder into another of the same file system (or within one), under
// its name. When another file has that name, the one moved gets a visible name that says it was
// kept ("foto (conservado).bmp", then numbered), so that neither is lost: so a claimed file gets
// its name back. Returns the name it ended under, or an empty name when it could not be moved
// (error then tells why; it then stays where it was).
QByteArray moveUnderFreeName(FileOps& ops, int fromFolder, const QByteArray& from, int toFolder,
                             const QByteArray& name, int& error);

// The name, or the first kept name, that nothing in folder has and planned does not hold; empty
// when none of them is free.
QByteArray freeName(FileOps& ops, int folder, const QByteArray& name,
                    const std::function<bool(const QByteArray&)>& planned);

// Writes the content of an open file that has lost its last name back into folder, under
// name or, when that is taken, a visible kept name; flushed before it returns. Returns the
// name used, or an empty name when nothing could be written.
QByteArray restoreContent(FileOps& ops, int folder, int fd, const QByteArray& name, mode_t mode);
