#pragma once

namespace korimo {
// Builds the application object, opens the main window and runs until it closes.
int runApplication(int argc, char* argv[]);
} // namespace korimo
