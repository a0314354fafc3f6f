// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileOps.h"

#include <QByteArray>

#include <unistd.h>
#include <functional>
#include <map>
#include <utility>
#include <vector>

// File steps that run for real unless the test's script, told each step, the name it concerns
// and how many steps of that kind came before it, answers with an error number. A step on a
// descriptor is named after the file or folder the descriptor is open on. Every step is
// recorded, in order.
class ScriptedFileOps : public FileOps {
public:
  using Script = std::function<int(Step step, const QByteArray& name, int earlier)>;
  explicit ScriptedFileOps(Script script = {}) : script_(std::move(script)) {}

  int count(Step step) const {
    const auto found = counts_.find(step);
    return found == counts_.end() ? 0 : found->second;
  }
  const std::vector<std::pair<Step, QByteArray>>& steps() const { return steps_; }

protected:
  int before(Step step, const char* name, int fd) override {
    const int earlier = counts_[step]++;
    const QByteArray named = name ? QByteArray(name) : openName(fd);
    steps_.emplace_back(step, named);
    return script_ ? script_(step, named, earlier) : 0;
  }

private:
  static QByteArray openName(int fd) {
    char target[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t size = readlink(link.constData(), target, sizeof target);
    const QByteArray path(target, size > 0 ? size : 0);
    return path.mid(path.lastIndexOf('/') + 1);
  }

  Script script_;
  std::map<Step, int> counts_;
  std::vector<std::pair<Step, QByteArray>> steps_;
};
