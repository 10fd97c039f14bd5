// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a recipient item is, shared by both programs, the store and the
// delivery code.
//
// RecipientKind is one small number per item: the same number is the row's
// icon index in every item view, the kind stored with a favourite, with a list
// member and with a saved message's recipient. A stored kind may be any
// number (edited by hand, typed in); only the five below are sent to.
//
// ActiveSessions holds one text per active user ("2" + name) and per
// computer holding a session ("3" + client name): the kind's digit and the
// name. The helpers below are the only places that spell those keys.

#include <string>
#include <string_view>

namespace vantor {

enum RecipientKind : int {
  kListKind = 0,
  kDomainKind = 1,
  kUserKind = 2,
  kComputerKind = 3,  // a PC or server
  kGroupKind = 4,
};

inline std::string ActiveUserKey(std::string_view user) { return "2" + std::string(user); }
inline std::string ActiveComputerKey(std::string_view computer) { return "3" + std::string(computer); }

}  // namespace vantor
