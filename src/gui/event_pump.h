// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lets the windows repaint during a long loop on the interface thread. Input
// stays out while the loop runs, and the events are processed at most every
// few milliseconds, so that a loop over thousands of rows stays fast.

namespace vantor::gui {

void PumpEvents();

// Counts the interval between two pumps from now. A loop that calls this as
// it starts and ends within the interval never stops for events, so a short
// refresh does not paint the disabled window it enables again a moment later
// (a flicker the user would see, and a full repaint the loop would pay for).
void DeferPumping();

}  // namespace vantor::gui
