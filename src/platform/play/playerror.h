#pragma once

#include <QString>
#include <stdexcept>
#include <string>

namespace korimo {

// Error codes of the play control. Negative codes are the engine's own (mpv's error numbers,
// e.g. -13 loading failed, -17 unknown format); positive codes are the control's.
enum PlayErrorCode : long {
    kPlayErrNoSource = 1,    // no source is loaded
    kPlayErrNoVideo = 2,     // the source has no picture
    kPlayErrNoFrame = 3,     // no frame to step to (first or last frame)
    kPlayErrRefused = 4,     // an address that is neither a local file nor http(s)
    kPlayErrMissing = 5,     // the file does not exist
    kPlayErrFolder = 6,      // a folder, not a file
    kPlayErrTimeout = 7,     // the engine did not answer in time
    kPlayErrRate = 8,        // a playback rate the engine cannot use
    kPlayErrEngine = 9,      // the engine could not be started
    kPlayErrBadValue = 10,   // a property value out of its range
    kPlayErrCutShort = 11,   // the server ended a download before the whole file had come
    kPlayErrCannotSeek = 12, // the source cannot seek to the place asked for
    kPlayErrWaitEnded = 13,  // another source was chosen, or the window closed, during a wait
    kPlayErrStalled = 14,    // the server stopped sending before the whole file had come
};

class PlayError : public std::runtime_error {
public:
    PlayError(long code, const std::string& what);
    explicit PlayError(long code);
    long code() const { return m_code; }

private:
    long m_code;
};

// The text of a play control error code (either kind, see PlayErrorCode).
QString GetErrorText(long code);

} // namespace korimo
