// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QKeyEvent;
class QPushButton;
class QWidget;

// Return in a window, as in a dialog: a focused button is pressed; anywhere
// else Return presses start, but never while running, so that a stray key
// cannot cancel a run. False when the key is no plain Return (or Enter): the
// window then passes it on.
bool PressReturn(const QKeyEvent& event, QWidget* focus, QPushButton& start, bool running);
