// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/BatchPictures.h"

#include "controls/ThumbnailStrip.h"
#include "forms/Form.h"
#include "viewer/ThumbnailLoader.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

BatchPictures::BatchPictures(QWidget* parent)
    : QWidget(parent),
      lstimagenes(named("lstimagenes", new ThumbnailStrip(this))),
      lblimagenes(named("lblimagenes", new QLabel(this))),
      loader_(new ThumbnailLoader(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(lstimagenes);
  layout->addWidget(lblimagenes);
  layout->addStretch();
  setFocusProxy(lstimagenes);
  connect(loader_, &ThumbnailLoader::ready, this, &BatchPictures::loader_Ready);
  connect(lstimagenes, &ThumbnailStrip::opened, this, &BatchPictures::lstimagenes_Opened);
}

void BatchPictures::showBatch(const QString& folder, const std::vector<QByteArray>& names) {
  if (folder.isEmpty()) {
    clear();
    return;
  }
  if (!QFileInfo(folder).isDir()) {
    showReason(QStringLiteral("No se muestran las imágenes: la carpeta del lote ya no existe."));
    return;
  }
  if (folder == folder_ && names == names_) {
    return;
  }
  folder_ = folder;
  names_ = names;
  shown_ = firstInNameOrder(names, shown);
  QStringList cells;
  for (const QByteArray& name : shown_) {
    cells << QFile::decodeName(name);
  }
  lstimagenes->setNames(cells);
  lstimagenes->show();
  const auto rest = static_cast<qsizetype>(names.size() - shown_.size());
  lblimagenes->setText(rest > 0 ? QStringLiteral("y %1 más").arg(rest) : QString());
  loader_->load(folder, shown_);
}

void BatchPictures::showUndone() {
  showReason(QStringLiteral("No se muestran las imágenes: el lote se deshizo."));
}

void BatchPictures::clear() {
  showReason({});
}

void BatchPictures::showReason(const QString& text) {
  loader_->cancel();
  folder_.clear();
  names_.clear();
  shown_.clear();
  lstimagenes->setNames({});
  lstimagenes->hide();
  lblimagenes->setText(text);
}

void BatchPictures::loader_Ready(int index, const QImage& thumbnail) {
  if (!thumbnail.isNull()) {
    lstimagenes->setPicture(index, thumbnail);
    return;
  }
  const QString name = index < static_cast<int>(shown_.size())
                           ? QFile::decodeName(shown_[static_cast<std::size_t>(index)])
                           : QString();
  lstimagenes->setPlaceholder(index,
                              QStringLiteral("«%1»: no se puede mostrar esta imagen.").arg(name));
}

void BatchPictures::lstimagenes_Opened(int index) {
  if (index >= 0 && index < static_cast<int>(shown_.size())) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(
        QFile::decodeName(QFile::encodeName(folder_) + '/' + shown_[std::size_t(index)])));
  }
}
