// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// The program's banner picture, as the splash, the main window and the About box show it.
QLabel* makeBanner(const QRect& geometry, QWidget* parent);

// A label in the bold 8.25-point font of the designs' headings.
QLabel* makeBoldLabel(const QString& text, const QRect& geometry, QWidget* parent);
