// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/application.h"

int main(int argc, char** argv) { return vantor::gui::RunVantor(argc, argv); }
