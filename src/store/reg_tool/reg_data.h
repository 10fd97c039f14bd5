// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Value types and data as vantor-reg shows and takes them on the command
// line, the way the reg command does.

#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantor::store {

// "REG_SZ", "REG_DWORD", ...; a type without a name as "REG_TYPE_<number>".
std::string RegTypeName(ValueType type);
// The type of a name (in any case), or nullopt.
std::optional<ValueType> RegTypeOfName(std::string_view name);

// The data as `query` prints it: strings as they are, multi-strings joined
// by \0, numbers as 0x..., anything else as hex digits.
std::string RegDisplayData(const Value& value);

// The value for data typed after /d; StoreError with the reason when the
// text does not fit the type. Multi-strings are split at `separator`.
Value RegDataOfText(ValueType type, std::string_view text, std::string_view separator);

}  // namespace vantor::store
