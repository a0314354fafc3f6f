// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// A Windows-style file pattern: wildcards "*" and "?", several patterns joined by ";", matched
// without regard to case. "*.*" matches every name, with or without a dot. Names beginning
// with "." are hidden and never match. An empty pattern matches nothing.
class FilePattern {
public:
  explicit FilePattern(const QString& patterns = {});

  bool matches(const char* name) const;
  bool isEmpty() const { return globs_.empty(); }

private:
  std::vector<QByteArray> globs_;
};

// Calls visit with the name of each plain file of folder that matches pattern, in directory
// order. One pass over the folder; a file's type is taken from its directory entry where the
// entry tells it.
void visitMatchingFiles(const QString& folder, const FilePattern& pattern,
                        const std::function<void(const char* name)>& visit);

// The names of the plain files of folder that match pattern, in directory order.
QStringList matchingFiles(const QString& folder, const FilePattern& pattern);
