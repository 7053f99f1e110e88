#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace korimo {

// When the pictures of a file's main video stream begin and end, in seconds on the stream's
// own clock: the presentation times of its first and last picture. Read from the packets near
// either end without decoding, so it costs a few reads however long the file is.
struct VideoExtent {
    double first = 0.0;
    double last = 0.0;
    // Whether the file holds sound beside the pictures, whatever the engine makes of it: a
    // sound device that fails drops the sound from play, not from the file's length.
    bool sound = false;
};

// Empty when the file cannot be read, has no video or its times cannot be found.
std::optional<VideoExtent> probeVideoExtent(const QString& path);
std::optional<VideoExtent> probeVideoExtent(std::shared_ptr<const QByteArray> wholeFile);

} // namespace korimo
