#pragma once

#include "fs/FileOps.h"

#include <QByteArray>

#include <functional>
#include <map>

// File steps that run for real unless the test's script, told each step, the name it concerns
// and how many steps of that kind came before it, answers with an error number.
class ScriptedFileOps : public FileOps {
public:
  using Script = std::function<int(Step step, const QByteArray& name, int earlier)>;
  explicit ScriptedFileOps(Script script) : script_(std::move(script)) {}

  int count(Step step) const {
    const auto found = counts_.find(step);
    return found == counts_.end() ? 0 : found->second;
  }

protected:
  int before(Step step, const char* name) override {
    const int earlier = counts_[step]++;
    return script_ ? script_(step, name ? QByteArray(name) : QByteArray(), earlier) : 0;
  }

private:
  Script script_;
  std::map<Step, int> counts_;
};
