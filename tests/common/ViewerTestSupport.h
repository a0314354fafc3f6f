// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TestSupport.h"

#include <QImage>
#include <QString>

// A test world whose save folder holds copies of the given fixtures, with a full Config.ini.
void setUpSaveFolder(TestWorld& world, const QStringList& fixtures,
                     const QString& folder = QStringLiteral("out"));

// Copies a fixture from tests/data into the world under the given name.
void copyFixture(TestWorld& world, const QString& fixtureName, const QString& relative);

// True when the top-left of image shows the netpbm source's pixels.
bool showsPicture(const QImage& image, const QString& source);
