#pragma once

namespace korimo {
// The viewer windows are built in a later stage; until then the main window finds none open.
bool anyViewerOpen();
} // namespace korimo
