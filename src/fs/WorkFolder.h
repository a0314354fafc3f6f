// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

#include <QByteArray>

#include <vector>

// A folder of the user's own inside a folder that others share, where the program keeps its
// working files out of their reach: nobody else can plant, forge or rename a name in it. More
// than one copy of the program may use it at once: each holds a shared lock on it while it
// does, and the last one out removes it once it is empty.
class WorkFolder {
public:
  WorkFolder() = default;
  WorkFolder(WorkFolder&&) noexcept = default;
  WorkFolder& operator=(WorkFolder&& other) noexcept;
  ~WorkFolder() { leave(); }

  // The user's folder named base in parent, made 0700 when missing. When the name is taken by
  // anything but a folder of ours (another user's folder, a file, a link), a folder of ours
  // named base-<random>: the first one found, or a new one. 0 or an error number.
  int open(int parent, const QByteArray& base);
  // The folders of ours that parent already holds under those names, none made: folders of
  // this user that nobody else may enter, not reached through a link.
  static std::vector<WorkFolder> existing(int parent, const QByteArray& base);

  bool valid() const { return folder_.valid(); }
  int fd() const { return folder_.get(); }
  const QByteArray& name() const { return name_; }

  // Lets the folder go, and removes it when it is empty and no other copy is using it.
  void leave();

private:
  // Takes the shared lock on a folder just opened; ENOENT when the last user removed it
  // meanwhile, so that it is made again.
  int hold(int parent, const QByteArray& name, UniqueFd folder);

  UniqueFd parent_;
  UniqueFd folder_;
  QByteArray name_;
};
