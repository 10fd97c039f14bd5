// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help screen: four pages, each after the first shown once Enter is
// pressed (or all at once, for --help and -h).

#include "console/output.h"

namespace vantor::console {

enum class UsagePaging { Paused, Continuous };

void PrintUsage(Output& out, UsagePaging paging);

}  // namespace vantor::console
