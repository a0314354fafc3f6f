// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QListView>
#include <QString>
#include <QStringList>

class StripModel;

// A row of thumbnails, scrolled sideways: a cell for each name, empty until its picture comes,
// or a plain grey placeholder where there is none. A double click (or Enter) opens a cell.
// It keeps one picture of at most edge x edge pixels, four bytes each, per cell.
class ThumbnailStrip : public QListView {
  Q_OBJECT
public:
  static constexpr int edge = 128;

  explicit ThumbnailStrip(QWidget* parent = nullptr);

  // One cell for each name, each waiting for its picture; the name is its tooltip.
  void setNames(const QStringList& names);
  // A picture larger than a cell is scaled down to fit it.
  void setPicture(int index, const QImage& picture);
  // The placeholder, with a tooltip saying why there is no picture.
  void setPlaceholder(int index, const QString& tooltip);

  enum class Cell { Waiting, Picture, Placeholder };
  Cell cell(int index) const;
  QImage picture(int index) const;
  // The bytes the pictures take.
  qsizetype heldBytes() const;

signals:
  void opened(int index);

private:
  StripModel* model_;
};
