#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <optional>

// The system clipboard as the capture hand-over uses it.
namespace korimo::clipboard {

// Offers a packed DIB as "image/bmp" (a BMP file wrapping it byte for byte) and "image/png", so
// any program can paste the frame. False when the DIB is malformed or there is no clipboard;
// the clipboard is then left as it was.
bool putFrame(const QByteArray& packedDib);

// The image the clipboard holds, from this program or another: our checked reader for BMP
// flavours, Qt's readers for PNG and the rest. nullopt when there is nothing to paste.
std::optional<Image> readImage();
bool holdsImage();

} // namespace korimo::clipboard
