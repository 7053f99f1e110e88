#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace korimo {

// The presentation time of every picture of a file's main video stream, in seconds after the
// first one, in order. Read from the packets without decoding, so it costs about one read of the
// file. Empty when the file cannot be read to its end, has no video, a picture has no time, or
// `cancel` was set meanwhile.
std::optional<std::vector<double>> probePictureTimes(const QString& path,
                                                     const std::atomic<bool>& cancel);
std::optional<std::vector<double>> probePictureTimes(std::shared_ptr<const QByteArray> wholeFile,
                                                     const std::atomic<bool>& cancel);

} // namespace korimo
