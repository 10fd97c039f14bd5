// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lets the windows repaint during a long loop on the interface thread. Input
// stays out while the loop runs, and the events are processed at most every
// few milliseconds, so that a loop over thousands of rows stays fast.

namespace vantor::gui {

void PumpEvents();

}  // namespace vantor::gui
