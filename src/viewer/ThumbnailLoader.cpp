// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ThumbnailLoader.h"

#include "viewer/ThumbnailCache.h"
#include "viewer/ThumbnailMaker.h"

#include <QFile>
#include <QFutureWatcher>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/stat.h>
#include <algorithm>
#include <numeric>

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent), decoder_(makeThumbnail), cacheRoot_(ThumbnailCache::standardRoot()) {}

ThumbnailLoader::~ThumbnailLoader() {
  cancel();
}

void ThumbnailLoader::load(const QString& folder, std::vector<QByteArray> names) {
  cancel();
  watcher_ = new QFutureWatcher<QImage>(this);
  connect(watcher_, &QFutureWatcher<QImage>::resultReadyAt, this,
          [this, watcher = watcher_](int index) { emit ready(index, watcher->resultAt(index)); });
  connect(watcher_, &QFutureWatcher<QImage>::finished, this, &ThumbnailLoader::finished);
  const QByteArray base = QFile::encodeName(folder) + '/';
  watcher_->setFuture(QtConcurrent::run([base, names = std::move(names), decode = decoder_,
                                         root = cacheRoot_](QPromise<QImage>& promise) {
    const ThumbnailCache cache(root);
    for (std::size_t i = 0; i < names.size() && !promise.isCanceled(); ++i) {
      promise.addResult(thumbnailThroughCache(base + names[i], cache, decode), static_cast<int>(i));
    }
  }));
}

void ThumbnailLoader::cancel() {
  if (watcher_ == nullptr) {
    return;
  }
  // The worker ends at its next file; whatever it still reports goes nowhere.
  watcher_->disconnect(this);
  watcher_->cancel();
  watcher_->deleteLater();
  watcher_ = nullptr;
}

QImage thumbnailThroughCache(const QByteArray& path, const ThumbnailCache& cache,
                             const ThumbnailLoader::Decoder& decode) {
  struct stat info {};
  if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  const qint64 modified = info.st_mtim.tv_sec;
  if (QImage cached = fittedThumbnail(cache.find(path, modified)); !cached.isNull()) {
    return cached;
  }
  QImage made = fittedThumbnail(decode(path));
  if (!made.isNull()) {
    cache.store(path, modified, made);
  }
  return made;
}

namespace {

// A run of digits from at, its leading zeros aside.
QStringView digitsAt(const QString& text, qsizetype& at) {
  while (at < text.size() && text[at] == QLatin1Char('0') && at + 1 < text.size() &&
         text[at + 1].isDigit()) {
    ++at;
  }
  const qsizetype start = at;
  while (at < text.size() && text[at].isDigit()) {
    ++at;
  }
  return QStringView(text).mid(start, at - start);
}

// Case aside, and numbers by their value; the same whatever the locale, the C one included.
int compareNames(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const QStringView x = digitsAt(a, i);
      const QStringView y = digitsAt(b, j);
      if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
      }
      if (const int c = x.compare(y); c != 0) {
        return c;
      }
      continue;
    }
    const char32_t x = QChar::toCaseFolded(a[i++].unicode());
    const char32_t y = QChar::toCaseFolded(b[j++].unicode());
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  return (i < a.size()) - (j < b.size());
}

}  // namespace

std::vector<QByteArray> firstInNameOrder(const std::vector<QByteArray>& names, int count) {
  std::vector<QString> shown(names.size());
  std::transform(names.begin(), names.end(), shown.begin(),
                 [](const QByteArray& name) { return QFile::decodeName(name); });
  std::vector<std::size_t> order(names.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto first = order.begin() + std::min<std::ptrdiff_t>(count, std::ssize(order));
  std::partial_sort(order.begin(), first, order.end(), [&](std::size_t a, std::size_t b) {
    const int compared = compareNames(shown[a], shown[b]);
    return compared != 0 ? compared < 0 : names[a] < names[b];
  });
  std::vector<QByteArray> chosen;
  std::transform(order.begin(), first, std::back_inserter(chosen),
                 [&](std::size_t index) { return names[index]; });
  return chosen;
}
