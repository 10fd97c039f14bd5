// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A NetApi that hands every call on to another and writes its outcome to the
// diagnostic trace (common/trace.h): the function, what it was asked about,
// the status with its text and the time it took.

#include "lan/net_api.h"

#include <memory>

namespace vantor::lan {

// inner itself when the trace is off, so that an untraced run has no extra layer.
std::unique_ptr<NetApi> TracedWhenAsked(std::unique_ptr<NetApi> inner);

}  // namespace vantor::lan
