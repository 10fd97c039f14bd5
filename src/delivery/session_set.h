#pragma once
// ActiveSessions: "2" + user name for each user holding a session, "3" +
// client name for each computer holding one; sorted, duplicate-free, compared
// without regard to letter case.

#include "common/text.h"

#include <set>
#include <string>

namespace vantor::delivery {

using SessionSet = std::set<std::string, LessNoCase>;

inline std::string UserEntry(std::string_view user) { return "2" + std::string(user); }
inline std::string ComputerEntry(std::string_view computer) { return "3" + std::string(computer); }

}  // namespace vantor::delivery
