#pragma once

namespace korimo {
class PlayControl;
}

namespace VidBAS {

// Reads g_LoadPath whole into memory and hands it to the player as its source. A file that
// cannot be opened, or whose block cannot be had, is left unplayed without a message; one too
// large for a block plays from its file; a short read reports the system's error number.
void LoadVideoToMemory(korimo::PlayControl& player);
// Stops the player and releases its current source (and a memory block it held).
void FreeVideoSource(korimo::PlayControl& player);

} // namespace VidBAS
