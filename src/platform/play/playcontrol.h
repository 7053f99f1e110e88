#pragma once

#include "play/playerror.h"
#include "play/videoextent.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <vector>

struct mpv_event;

namespace korimo {

class MpvSession;

// The video area of the main window: plays a local file, an http(s) address or a whole file
// held in memory through libmpv, and paints the frame it shows.
//
// Units and meanings:
// - State: 0 no source, 1 stopped, 2 paused, 3 running.
// - Duration and the selection are seconds on the player's clock (0 at the start of the file).
// - TrackLength, Position and the event arguments count frames (32-bit), so one slider step is
//   one frame. A source without a picture counts 25 frames a second. Where the sound of a file
//   runs on past its last picture, the length (Duration included) ends with the last picture.
//   Where a file's frame rate varies they count its pictures, whose times are read from its
//   packets beside the engine; until those are in, and for an address, the average rate counts.
// - A new source starts playing once loaded and selects all of it; an empty Source drops it.
// - Run plays the selection from its start (or from where it was paused inside it) to its end;
//   PlayCount 0 repeats it, n plays it n times; at the end State is 1 and AutoRewind returns to
//   the selection start. Stop pauses and returns to the selection start, keeping the source.
//   Pause and Stop without a source do nothing.
// - NextFrame / PreviousFrame pause and step one frame; they throw when there is no picture or
//   no frame to step to. Steps, seeks and frames wait for the engine's answer with the window
//   painting (a step with the busy pointer); only an engine that stops answering ends one in an
//   error. A seek the engine declines (a stream that cannot seek) ends the wait at once, as does
//   dropping or replacing the source or hiding the control, and the operation then throws.
//   Steps back keep the pictures decoded on the way, so the next steps back show those; while
//   a step back waits, the picture it began on stays painted.
// - Source on a local file returns once the file is loaded or has failed (bounded wait), and
//   throws for a file the engine cannot open; one still loading after the wait goes on loading
//   as an address does. Only absolute local paths and http/https addresses
//   reach the engine; other schemes and folders are refused. An address loads in the background
//   and reports failure through ErrorAbort, as it does a download the server cut short or that
//   stalled (what arrived of it stays loaded). A stream that cannot seek plays from its start.
// - FrameDib(timeout ms) waits up to the timeout for a source still loading, then returns an
//   owned packed DIB (BITMAPINFOHEADER + 24-bit bottom-up rows)
//   of the frame shown, at the video's display size; FramePicture the same frame as an image.
// - Progress reports the download on the TrackLength scale while an address downloads, the play
//   position otherwise. Every event is raised on the GUI thread from the event loop.
// Any operation that may fail throws PlayError.
class PlayControl : public QWidget {
    Q_OBJECT
public:
    explicit PlayControl(QWidget* parent = nullptr);
    ~PlayControl() override;

    QString Source() const { return m_source; }
    void setSource(const QString& pathOrUrl);

    void Run();
    void Pause();
    void Stop();
    int State() const { return m_state; }

    bool IsRateSupported(double rate) const;
    double Rate() const { return m_rate; }
    void setRate(double rate);

    double Duration() const { return m_duration; }
    int TrackLength() const;
    int Position() const;
    void setPosition(int frame);

    int SizeMode() const { return m_sizeMode; }
    void setSizeMode(int mode);

    bool Mute() const { return m_mute; }
    void setMute(bool mute);
    bool AutoRewind() const { return m_autoRewind; }
    void setAutoRewind(bool on) { m_autoRewind = on; }
    int PlayCount() const { return m_playCount; }
    void setPlayCount(int count);

    double SelectionStart() const { return m_selStart; }
    void setSelectionStart(double seconds);
    double SelectionEnd() const { return m_selEnd; }
    void setSelectionEnd(double seconds);
    void MarkSelectionStart();
    void MarkSelectionEnd();
    void SeekStart();
    void SeekEnd();

    void NextFrame();
    void PreviousFrame();

    QByteArray FrameDib(int timeoutMs) const;
    QImage FramePicture(int timeoutMs) const;

    // 1 file or address, 2 memory handle, 3 byte array (not produced); 0 without a source.
    int SourceKind() const { return m_kind; }
    std::shared_ptr<const QByteArray> SourceHandle() const { return m_memory; }
    void setSourceHandle(std::shared_ptr<const QByteArray> wholeFile);
    void ResetSource();
    // 1 when the last memory source loaded, 0 otherwise.
    int MemoryLoadCheck() const { return m_memoryCheck; }

    // Ways out while a control waits on the engine: a click on such a widget, or the close of
    // such a window, is handled at once; all other input waits until the wait is over.
    static void letThroughDuringWaits(QWidget* widget);
    // The audio driver and device for controls that start their engine from now on ("null" in
    // tests, whose clock runs as a sound card's does).
    static void setAudioDriver(const QByteArray& driver, const QByteArray& device = {});
    // The engine behind the control, for measurement tools; null until a source was set.
    MpvSession* session() const { return m_session.get(); }

signals:
    void Progress(int P);
    void SelectionChanged(int S, int E);
    void ErrorAbort(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Reply {
        int error = 0;
        QImage image;
        QByteArray dib;
    };

    void ensureSession();
    using ExtentProbe = std::function<std::optional<VideoExtent>()>;
    using TimesProbe = std::function<std::optional<std::vector<double>>(const std::atomic<bool>&)>;
    void loadUri(const QByteArray& uri, const QByteArray& options, bool wait,
                 ExtentProbe probe = {}, TimesProbe times = {});
    void applyVideoExtent();
    void startPictureTimes(TimesProbe probe);
    void stopPictureTimes();
    void takePictureTimes();
    void dropSource(bool stopEngine = true);
    void requireSource() const;
    void requireVideo() const;

    void drainEvents();
    void handleEvent(const mpv_event* event);
    bool waitFor(const std::function<bool()>& done, int timeoutMs);
    bool waitForConst(const std::function<bool()>& done, int timeoutMs) const {
        return const_cast<PlayControl*>(this)->waitFor(done, timeoutMs);
    }
    uint64_t commandAsync(std::initializer_list<QByteArray> args) const;
    uint64_t commandAsync(const std::vector<QByteArray>& args) const;
    void loadFailed(long code);
    void setProp(const char* name, const QByteArray& value) const;
    void disableAudio();
    double beginStep();
    void keepFramesBefore(double target);
    void engineBackStep(double before);
    double frameStepFrom(double before);
    void awaitSeek();
    [[noreturn]] void engineHung();
    int keptCapacity() const;
    bool showingKept() const { return m_shownKept >= 0; }
    double shownTime() const;
    void shownChanged();
    void dropKept();
    double timePosNow() const;

    double selectionTime(double seconds) const;
    void selectionChanged();
    void seekExact(double seconds);
    void applyEndLimit(bool running);
    void restoreAudio();
    void onPlayEnd();
    void onFileLoaded();
    void firstFrameShown();
    void seekDeclined();
    void turnUpright();
    void refreshVideoSize();
    void updateRenderTarget();
    QRect pictureRect(QSize picture) const;
    bool seekSettled() const;
    void reportPosition();
    void updateDownload(double cacheEnd, bool eof);
    void noteDownloadTime(bool wasEof);
    void finishDownload();
    void emitProgress(int p);
    void emitSelection();
    double frameTime(int frame) const;
    int frameAt(double seconds) const;
    double halfFrameAt(double seconds) const;
    double pictureTimesEnd() const;
    double lastFrameTime() const;
    double effectiveSelEnd() const;
    // What a screenshot is turned into: a picture, a packed DIB, or the denser form the kept
    // pictures take.
    enum class FrameForm { Picture, Dib, Kept };
    Reply grabFrame(int timeoutMs, bool asDib) const;
    Reply screenshot(FrameForm form, int limitMs) const;
    uint64_t requestScreenshot(FrameForm form) const;
    Reply takeScreenshot(uint64_t id, int limitMs) const;
    Reply frameReply(const mpv_event& e, FrameForm form) const;

    std::unique_ptr<MpvSession> m_session;
    std::atomic<bool> m_drainQueued{false};
    std::atomic<bool> m_repaintQueued{false};
    bool m_syncLoad = false;

    QString m_source;
    int m_kind = 0;
    std::shared_ptr<const QByteArray> m_memory;
    QString m_memoryUri;
    int m_memoryCheck = 0;
    bool m_network = false;

    int m_state = 0;
    double m_rate = 1.0;
    bool m_mute = false;
    bool m_autoRewind = false;
    int m_playCount = 1;
    int m_playsDone = 0;
    int m_sizeMode = 0;
    double m_selStart = 0.0;
    double m_selEnd = 0.0;

    // What the engine reported; mutable because bounded waits in const reads pump events.
    mutable bool m_loading = false;
    mutable bool m_loaded = false;
    mutable bool m_firstFrame = false;
    mutable bool m_probingStart = false;
    mutable long m_loadError = 0;
    mutable int64_t m_entry = -1;
    mutable bool m_awaitingStart = false;
    mutable uint64_t m_loadReply = 0;
    mutable double m_duration = 0.0;
    mutable double m_fps = 25.0;
    mutable double m_t0 = 0.0;
    mutable bool m_hasVideo = false;
    mutable bool m_hasAudio = false;
    mutable QSize m_videoSize;  // shown (display) size
    mutable QSize m_storedSize; // the size frames are stored at, for the same report
    mutable double m_timePos = 0.0;
    mutable bool m_eof = false;
    mutable int m_pendingSeekFrame = -1;
    mutable bool m_seeking = false;
    mutable int m_restarts = 0;
    mutable bool m_awaitSeekStart = false;
    mutable int m_declined = 0; // counts seeks the engine declined
    // Why the last wait on the engine ended unanswered (a PlayErrorCode).
    mutable long m_waitEnd = kPlayErrTimeout;
    // Whether the source can be read again from anywhere, so what was read may be dropped.
    mutable bool m_freshReads = false;
    mutable bool m_audioOff = false;
    mutable bool m_downloadDone = true;
    mutable bool m_cutShort = false;
    mutable bool m_endPending = false;
    mutable bool m_stalled = false;
    mutable double m_grownTo = 0.0;
    mutable QElapsedTimer m_lastGrowth; // since the download last grew
    int m_serial = 0; // counts sources, so a late verdict on an old download is dropped
    mutable double m_cacheEnd = 0.0;
    mutable bool m_cacheEof = false;
    mutable int m_lastProgress = -1;
    mutable bool m_endLimit = false;
    mutable double m_knownLastFrame = -1.0;
    // Where the pictures end, read beside the engine for files whose sound may outlast them.
    mutable std::future<std::optional<VideoExtent>> m_extentProbe;
    mutable bool m_soundRunsOn = false;
    // Every picture's time after the first, read beside the engine; kept only where the rate
    // varies, so positions count pictures. Empty, the average rate counts them.
    std::thread m_timesReader;
    std::shared_ptr<std::atomic<bool>> m_timesCancel;
    std::future<std::optional<std::vector<double>>> m_timesRead;
    std::vector<double> m_pictureTimes;
    // Pictures kept from the last step back: consecutive frames ending just before the engine's
    // frame at m_keptUpTo; m_shownKept is the one shown instead of the engine's, or -1.
    struct KeptFrame {
        double time;
        QImage image;
    };
    std::vector<KeptFrame> m_kept;
    double m_keptUpTo = -1.0;
    int m_shownKept = -1;
    bool m_filling = false;
    double m_fillingFrom = 0.0;
    // Painted from the start of a step back until its own picture is ready.
    QImage m_heldPicture;
    mutable uint64_t m_nextReply = 1;
    mutable std::set<uint64_t> m_seekReplies;
    mutable std::map<uint64_t, Reply> m_replies;
    mutable std::map<uint64_t, FrameForm> m_wanted;
};

} // namespace korimo
