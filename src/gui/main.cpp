#include "gui/application.h"

int main(int argc, char** argv) { return vantor::gui::RunVantor(argc, argv); }
