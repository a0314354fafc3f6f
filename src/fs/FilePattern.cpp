// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePattern.h"

#include <QFile>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace {

// Windows wildcards know no character classes: a "[" in a pattern is a plain character.
QByteArray globFor(const QString& pattern) {
  if (pattern == QLatin1String("*.*")) {
    return "*";
  }
  QByteArray glob = QFile::encodeName(pattern);
  glob.replace('[', "[[]");
  return glob;
}

bool isPlainFile(int folderFd, const dirent& entry) {
  if (entry.d_type == DT_REG) {
    return true;
  }
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
    return false;
  }
  struct stat info {};
  return fstatat(folderFd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

FilePattern::FilePattern(const QString& patterns) {
  for (const QString& part : patterns.split(QLatin1Char(';'))) {
    const QString pattern = part.trimmed();
    if (!pattern.isEmpty()) {
      globs_.push_back(globFor(pattern));
    }
  }
}

bool FilePattern::matches(const char* name) const {
  if (name[0] == '.') {
    return false;
  }
  for (const QByteArray& glob : globs_) {
    if (fnmatch(glob.constData(), name, FNM_CASEFOLD | FNM_NOESCAPE) == 0) {
      return true;
    }
  }
  return false;
}

void visitMatchingFiles(const QString& folder, const FilePattern& pattern,
                        const std::function<void(const char* name)>& visit) {
  if (pattern.isEmpty()) {
    return;
  }
  DIR* dir = opendir(QFile::encodeName(folder).constData());
  if (dir == nullptr) {
    return;
  }
  const int folderFd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (pattern.matches(entry->d_name) && isPlainFile(folderFd, *entry)) {
      visit(entry->d_name);
    }
  }
  closedir(dir);
}

QStringList matchingFiles(const QString& folder, const FilePattern& pattern) {
  QStringList names;
  visitMatchingFiles(folder, pattern,
                     [&names](const char* name) { names.append(QFile::decodeName(name)); });
  return names;
}
