// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

// The program's application-wide look: its icon and a small font, so that the fixed window
// designs, made for an 8-point font, hold their texts.
void applyProgramLook(QApplication& app);
