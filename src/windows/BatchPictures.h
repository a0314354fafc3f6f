// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class ThumbnailLoader;
class ThumbnailStrip;

// The saved batches' view of one batch's pictures: the first ones in name order as thumbnails,
// made off the GUI thread and shared with the desktop's cache, and the count of the rest; a
// double click opens a picture in the desktop's viewer. A batch whose pictures are not there
// shows no strip, and one line that says why.
class BatchPictures : public QWidget {
  Q_OBJECT
public:
  static constexpr int shown = 12;

  explicit BatchPictures(QWidget* parent);

  // Shows the batch saved in folder with these names; the same batch again changes nothing, and
  // no folder (no batch chosen) clears the view.
  void showBatch(const QString& folder, const std::vector<QByteArray>& names);
  // A batch that was undone: its pictures went back to the watched folder.
  void showUndone();
  void clear();

private:
  void loader_Ready(int index, const QImage& thumbnail);
  void lstimagenes_Opened(int index);
  void showReason(const QString& text);

  ThumbnailStrip* lstimagenes;
  QLabel* lblimagenes;
  ThumbnailLoader* loader_;
  QString folder_;
  std::vector<QByteArray> names_;  // the batch's, all of them
  std::vector<QByteArray> shown_;  // those the strip shows, in its order
};
