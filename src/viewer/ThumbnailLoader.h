// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class ThumbnailCache;
template <typename T>
class QFutureWatcher;

// Makes the thumbnails of a batch's pictures on a worker thread, one after the other, through
// the desktop's shared cache, and tells each as soon as it is ready. Loading another batch, or
// ending the loader, cancels what the batch before still had to make: it is never told.
class ThumbnailLoader : public QObject {
  Q_OBJECT
public:
  // Makes one file's thumbnail, null when it cannot; runs on the worker thread. makeThumbnail
  // unless a test puts another in its place.
  using Decoder = std::function<QImage(const QByteArray& path)>;

  explicit ThumbnailLoader(QObject* parent = nullptr);
  ~ThumbnailLoader() override;

  void setDecoder(Decoder decoder) { decoder_ = std::move(decoder); }
  // Where the cache lives ($XDG_CACHE_HOME by default), read when a batch starts.
  void setCacheRoot(const QString& root) { cacheRoot_ = root; }

  // Starts on the files of folder with these names, in this order.
  void load(const QString& folder, std::vector<QByteArray> names);
  void cancel();

signals:
  // The thumbnail of names[index]; null when that file could not be made into one.
  void ready(int index, const QImage& thumbnail);
  // Every thumbnail of the batch was told.
  void finished();

private:
  Decoder decoder_;
  QString cacheRoot_;
  QFutureWatcher<QImage>* watcher_ = nullptr;
};

// One file's thumbnail: the cache's entry when it was made from the file as it is now; else
// decoded, and then kept in the cache. Null for what is not a regular file or does not decode.
QImage thumbnailThroughCache(const QByteArray& path, const ThumbnailCache& cache,
                             const ThumbnailLoader::Decoder& decode);

// The first count names in the order a file manager lists them (case aside, numbers by their
// value, so that "captura_2" comes before "captura_10").
std::vector<QByteArray> firstInNameOrder(const std::vector<QByteArray>& names, int count);
