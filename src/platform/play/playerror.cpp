#include "play/playerror.h"

#include <mpv/client.h>

namespace korimo {

PlayError::PlayError(long code, const std::string& what) : std::runtime_error(what), m_code(code) {}

PlayError::PlayError(long code) : PlayError(code, GetErrorText(code).toStdString()) {}

QString GetErrorText(long code) {
    switch (code) {
    case 0:
        return QStringLiteral("No error.");
    case kPlayErrNoSource:
        return QStringLiteral("No video is loaded.");
    case kPlayErrNoVideo:
        return QStringLiteral("The source has no picture.");
    case kPlayErrNoFrame:
        return QStringLiteral("There is no frame to step to.");
    case kPlayErrRefused:
        return QStringLiteral("Only local files and http or https addresses can be played.");
    case kPlayErrMissing:
        return QStringLiteral("The file does not exist.");
    case kPlayErrFolder:
        return QStringLiteral("A folder cannot be played.");
    case kPlayErrTimeout:
        return QStringLiteral("The player did not answer in time.");
    case kPlayErrRate:
        return QStringLiteral("This playback rate is not supported.");
    case kPlayErrEngine:
        return QStringLiteral("The video engine could not be started.");
    case kPlayErrBadValue:
        return QStringLiteral("Invalid property value.");
    case kPlayErrCutShort:
        return QStringLiteral("The server ended the download before the whole video had come.");
    case kPlayErrCannotSeek:
        return QStringLiteral("This stream cannot go to that place.");
    case kPlayErrWaitEnded:
        return QStringLiteral("The wait for the player ended: another video was chosen, or the "
                              "window was closed.");
    case kPlayErrStalled:
        return QStringLiteral("The server stopped sending before the whole video had come.");
    default:
        break;
    }
    if (code < 0 && code >= MPV_ERROR_GENERIC) {
        QString text = QString::fromUtf8(mpv_error_string(static_cast<int>(code)));
        if (!text.isEmpty())
            text[0] = text[0].toUpper();
        return text + QLatin1Char('.');
    }
    return QStringLiteral("Unknown error %1.").arg(code);
}

} // namespace korimo
