// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ActiveSessions: the keys of common/recipient.h for each user and computer
// holding a session; sorted, duplicate-free, compared without regard to
// letter case.

#include "common/recipient.h"
#include "common/text.h"

#include <set>
#include <string>

namespace vantor::delivery {

using SessionSet = std::set<std::string, LessNoCase>;

}  // namespace vantor::delivery
