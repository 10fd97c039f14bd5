#pragma once
// The help screen: four pages, each after the first shown once Enter is
// pressed.

#include "console/output.h"

namespace vantor::console {

void PrintUsage(Output& out);

}  // namespace vantor::console
