// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// A thumbnail of an image file: BMP, PNG and JPEG through Qt's readers, asked for the small size
// so that a reader able to scale while it decodes never builds the whole picture; PCX through the
// viewer's image library, then scaled. Null when the file cannot be opened (a link, a FIFO, no
// permission) or decoded (damaged, a type none of them reads).
QImage makeThumbnail(const QByteArray& path);

// A picture's size as a thumbnail: fitted into the cache's square, aspect kept, never enlarged.
QSize thumbnailSize(QSize picture);

// The picture as a thumbnail holds it: scaled down to thumbnailSize when larger, and in RGB32,
// or premultiplied ARGB32 when it has alpha, so that it never takes more than four bytes a pixel.
QImage fittedThumbnail(QImage picture);
