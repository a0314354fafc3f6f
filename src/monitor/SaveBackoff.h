#pragma once

#include "monitor/BatchSave.h"

#include <QDateTime>
#include <QString>

#include <cstddef>

// Keeps an automatic save that failed from being tried again in full at every tick: not until
// the watched list changes, the settings it used change, or 30 s pass.
class SaveBackoff {
public:
  bool allows(std::size_t listSignature, const QString& settings, const QDateTime& now) const;
  void record(const SaveResult& result, std::size_t listSignature, const QString& settings,
              const QDateTime& now);

private:
  bool waiting_ = false;
  std::size_t listSignature_ = 0;
  QString settings_;
  QDateTime failedAt_;
};
