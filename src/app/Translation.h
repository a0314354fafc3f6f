// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;
class QTranslator;

// Qt's own texts (the buttons of its message boxes, the menus of its text boxes) in Spanish,
// as the rest of the program. The translator belongs to app; nothing when Qt's Spanish
// translation is not installed.
QTranslator* loadQtSpanish(QCoreApplication& app);
