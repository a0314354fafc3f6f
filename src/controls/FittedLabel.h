// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// A word-wrapped label at a fixed place. The window designs were measured for a narrower font
// than ours: a text that does not fit gets a smaller font rather than being cut.
QLabel* makeFittedLabel(const QString& text, const QRect& geometry, QWidget* parent);
