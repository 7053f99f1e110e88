#include "play/playcontrol.h"

#include "forms/runtime.h"
#include "play/mpvsession.h"
#include "play/picturetimes.h"
#include "play/stepping.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWindow>
#include <mpv/client.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace korimo {

namespace {

// Observed properties, dispatched by their reply id.
enum Observed : uint64_t {
    kObsTimePos = 1,
    kObsDuration,
    kObsEof,
    kObsCache,
};

struct ObservedProperty {
    Observed id;
    const char* name;
    mpv_format format;
};

constexpr ObservedProperty kObserved[] = {
    {kObsTimePos, "time-pos", MPV_FORMAT_DOUBLE},
    {kObsDuration, "duration", MPV_FORMAT_DOUBLE},
    {kObsEof, "eof-reached", MPV_FORMAT_FLAG},
    {kObsCache, "demuxer-cache-state", MPV_FORMAT_NODE},
};

// Smaller probes start a network stream in a fraction of the time the defaults take.
constexpr char kNetworkOptions[] = "demuxer-lavf-probesize=262144,demuxer-lavf-analyzeduration=0.5";
constexpr int kLoadWaitMs = 10000;
constexpr int kEndVerdictMs = 300;
// Silence before the end of a download that marks a server gone quiet (the engine gives up on
// one after network-timeout, 5 s).
constexpr int kStallMs = 3000;
constexpr int kConversionThreads = 4;

const mpv_node* mapValue(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    return nullptr;
}

double nodeDouble(const mpv_node* n, double fallback) {
    if (!n)
        return fallback;
    if (n->format == MPV_FORMAT_DOUBLE)
        return n->u.double_;
    if (n->format == MPV_FORMAT_INT64)
        return static_cast<double>(n->u.int64);
    return fallback;
}

// A screenshot-raw result: bgr0 rows whose padding byte is undefined.
struct RawFrame {
    int width = 0;
    int height = 0;
    int64_t stride = 0;
    const uchar* data = nullptr;
};

RawFrame rawFrame(const mpv_node& result) {
    const mpv_node* w = mapValue(result, "w");
    const mpv_node* h = mapValue(result, "h");
    const mpv_node* stride = mapValue(result, "stride");
    const mpv_node* format = mapValue(result, "format");
    const mpv_node* data = mapValue(result, "data");
    if (!w || !h || !stride || !format || !data || w->format != MPV_FORMAT_INT64 ||
        h->format != MPV_FORMAT_INT64 || stride->format != MPV_FORMAT_INT64 ||
        format->format != MPV_FORMAT_STRING || data->format != MPV_FORMAT_BYTE_ARRAY ||
        std::strcmp(format->u.string, "bgr0") != 0)
        return {};
    RawFrame f{int(w->u.int64), int(h->u.int64), stride->u.int64,
               static_cast<const uchar*>(data->u.ba->data)};
    if (f.width <= 0 || f.height <= 0 || f.stride < int64_t(f.width) * 4 ||
        data->u.ba->size < size_t(f.stride) * size_t(f.height - 1) + size_t(f.width) * 4)
        return {};
    return f;
}

QImage toImage(const RawFrame& f) {
    QImage image(f.width, f.height, QImage::Format_RGB32);
    for (int y = 0; y < f.height; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(f.data + f.stride * y);
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < f.width; ++x)
            out[x] = in[x] | 0xff000000u;
    }
    return image;
}

// Three bytes a pixel in the engine's order: exact, and a quarter smaller than its own form,
// so more pictures are kept in the same memory. The rows are shared out among a few threads,
// which at 2160p makes the conversion a fraction of the engine's own screenshot.
QImage toPacked(const RawFrame& f) {
    QImage image(f.width, f.height, QImage::Format_BGR888);
    if (image.isNull())
        return image;
    uchar* bits = image.bits();
    const qsizetype line = image.bytesPerLine();
    const auto rows = [&f, bits, line](int from, int to) {
        for (int y = from; y < to; ++y) {
            const uchar* in = f.data + f.stride * y;
            uchar* out = bits + line * y;
            // Four bytes stored per pixel, each store's spare byte overwritten by the next one.
            for (int x = 0; x + 1 < f.width; ++x)
                std::memcpy(out + 3 * x, in + 4 * x, 4);
            std::memcpy(out + 3 * (f.width - 1), in + 4 * (f.width - 1), 3);
        }
    };
    constexpr int kMinRowsEach = 256;
    const int parts = std::clamp(f.height / kMinRowsEach, 1, kConversionThreads);
    std::vector<std::thread> helpers;
    int done = 0;
    for (int i = 1; i < parts; ++i) {
        const int from = f.height * (i - 1) / parts;
        const int to = f.height * i / parts;
        try {
            helpers.emplace_back(rows, from, to);
        } catch (const std::system_error&) {
            break; // no thread to be had: the rest is done here
        }
        done = to;
    }
    rows(done, f.height);
    for (std::thread& t : helpers)
        t.join();
    return image;
}

void putLe16(QByteArray& b, int at, uint16_t v) {
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}

void putLe32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

int dibStride(int width) {
    return (width * 3 + 3) & ~3;
}

// A packed DIB's header, its rows left to fill.
QByteArray dibHeader(int w, int h) {
    const int stride = dibStride(w);
    QByteArray dib(40 + qsizetype(stride) * h, Qt::Uninitialized);
    std::memset(dib.data(), 0, 40);
    putLe32(dib, 0, 40);
    putLe32(dib, 4, uint32_t(w));
    putLe32(dib, 8, uint32_t(h)); // positive height: rows bottom-up
    putLe16(dib, 12, 1);
    putLe16(dib, 14, 24);
    putLe32(dib, 16, 0); // BI_RGB
    putLe32(dib, 20, uint32_t(stride * h));
    putLe32(dib, 24, 3780); // 96 dpi
    putLe32(dib, 28, 3780);
    return dib;
}

QByteArray packedDib(const RawFrame& f) {
    const int w = f.width;
    const int h = f.height;
    const int stride = dibStride(w);
    QByteArray dib = dibHeader(w, h);
    auto* out = reinterpret_cast<uchar*>(dib.data()) + 40;
    for (int y = 0; y < h; ++y) {
        const uchar* in = f.data + f.stride * (h - 1 - y);
        uchar* row = out + qsizetype(stride) * y;
        // Four bytes stored per pixel, each store's spare byte overwritten by the next pixel.
        for (int x = 0; x + 1 < w; ++x)
            std::memcpy(row + 3 * x, in + 4 * x, 4);
        std::memcpy(row + 3 * (w - 1), in + 4 * (w - 1), 3);
        std::memset(row + 3 * w, 0, size_t(stride - 3 * w));
    }
    return dib;
}

QByteArray packedDib(const QImage& image) {
    if (image.format() == QImage::Format_BGR888) {
        // Already the DIB's pixels: only the rows turn bottom-up.
        const int w = image.width();
        const int h = image.height();
        const int stride = dibStride(w);
        QByteArray dib = dibHeader(w, h);
        auto* out = reinterpret_cast<uchar*>(dib.data()) + 40;
        for (int y = 0; y < h; ++y) {
            uchar* row = out + qsizetype(stride) * y;
            std::memcpy(row, image.constScanLine(h - 1 - y), size_t(w) * 3);
            std::memset(row + 3 * w, 0, size_t(stride - 3 * w));
        }
        return dib;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return packedDib(RawFrame{rgb.width(), rgb.height(), rgb.bytesPerLine(), rgb.constBits()});
}

// Input that comes while a control waits on the engine is held until the handler that waited
// has returned, and is then handled in its order; only the ways out pass at once: a click on a
// widget let through, and the close of a window let through.
class InputHold : public QObject {
public:
    static std::vector<QPointer<QWidget>>& ways() {
        static std::vector<QPointer<QWidget>> list;
        return list;
    }

    InputHold() {
        if (s_depth++ == 0 && !ways().empty())
            QCoreApplication::instance()->installEventFilter(filter());
    }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;
    ~InputHold() override {
        if (--s_depth > 0)
            return;
        QCoreApplication::instance()->removeEventFilter(filter());
        if (!s_held.empty())
            QTimer::singleShot(0, filter(), &InputHold::release);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        if (!event->spontaneous() || wayOut(receiver, event))
            return false;
        s_held.emplace_back(QPointer<QObject>(receiver), std::unique_ptr<QEvent>(event->clone()));
        return true;
    }

private:
    InputHold(int) {}
    static InputHold* filter() {
        static InputHold* one = new InputHold(0);
        return one;
    }

    // Only once no wait runs: a handler that waited may wait again before it returns, and the
    // click it held would then reach it half done.
    static void release() {
        if (s_depth > 0) {
            QTimer::singleShot(0, filter(), &InputHold::release);
            return;
        }
        auto held = std::move(s_held);
        s_held.clear();
        for (auto& [receiver, event] : held)
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
    }

    static bool isWay(const QWidget* w, bool window) {
        for (const auto& way : ways())
            if (way && way == w && way->isWindow() == window)
                return true;
        return false;
    }

    // Whether the event reaches a way out, whether it comes to the window or to the widget.
    static bool wayOut(QObject* receiver, QEvent* event) {
        QWidget* widget = qobject_cast<QWidget*>(receiver);
        if (auto* window = qobject_cast<QWindow*>(receiver)) {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->windowHandle() == window)
                    widget = top;
            if (widget && event->isPointerEvent()) {
                const QPoint at =
                    static_cast<QPointerEvent*>(event)->points().value(0).position().toPoint();
                if (QWidget* child = widget->childAt(at))
                    widget = child;
            }
        }
        if (!widget)
            return false;
        if (event->type() == QEvent::Close)
            return isWay(widget, true);
        if (!event->isPointerEvent())
            return false;
        for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget())
            if (isWay(w, false))
                return true;
        return false;
    }

    static inline int s_depth = 0;
    static inline std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> s_held;
};

// Runs `action` on the target's thread once, however often other threads ask before it runs.
template <typename Action>
void postOnce(QObject* target, std::atomic<bool>& queued, Action action) {
    if (!queued.exchange(true))
        QMetaObject::invokeMethod(
            target,
            [&queued, action] {
                queued = false;
                action();
            },
            Qt::QueuedConnection);
}

} // namespace

void PlayControl::letThroughDuringWaits(QWidget* widget) {
    InputHold::ways().emplace_back(widget);
}

void PlayControl::setAudioDriver(const QByteArray& driver, const QByteArray& device) {
    MpvSession::setAudioDriver(driver, device);
}

PlayControl::PlayControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PlayControl::~PlayControl() {
    stopPictureTimes();
    m_session.reset();
}

void PlayControl::ensureSession() {
    if (m_session)
        return;
    m_session = std::make_unique<MpvSession>(
        [this] { postOnce(this, m_drainQueued, [this] { drainEvents(); }); },
        [this] {
            postOnce(this, m_repaintQueued, [this] {
                if (!m_filling)
                    m_heldPicture = QImage();
                update();
            });
        });
    mpv_handle* h = m_session->handle();
    for (const auto& p : kObserved)
        mpv_observe_property(h, p.id, p.name, p.format);
    // Only the log tells a download the server cut short from one that ended.
    mpv_request_log_messages(h, "warn");
    setProp("mute", m_mute ? "yes" : "no");
    setProp("speed", QByteArray::number(m_rate, 'g', 10));
    setProp("keepaspect", m_sizeMode == 1 ? "no" : "yes");
}

// ---- sources -------------------------------------------------------------------------------

void PlayControl::setSource(const QString& pathOrUrl) {
    if (pathOrUrl.isEmpty()) {
        dropSource();
        return;
    }
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    const auto match = scheme.match(pathOrUrl);
    if (match.hasMatch()) {
        const QString s = match.captured(1).toLower();
        if (s != QLatin1String("http") && s != QLatin1String("https"))
            throw PlayError(kPlayErrRefused);
        // The engine knows its protocols by their lower-case names only.
        loadUri((s + pathOrUrl.mid(match.capturedLength(1))).toUtf8(), kNetworkOptions, false);
        m_source = pathOrUrl;
        m_kind = 1;
        m_network = true;
        m_downloadDone = false;
        return;
    }
    // Local files reach mpv only as absolute paths, so nothing in a name is read as a protocol.
    const QFileInfo info(pathOrUrl);
    if (!info.exists())
        throw PlayError(kPlayErrMissing);
    if (info.isDir())
        throw PlayError(kPlayErrFolder);
    const QString path = info.absoluteFilePath();
    loadUri(
        QFile::encodeName(path), QByteArray(), true, [path] { return probeVideoExtent(path); },
        [path](const std::atomic<bool>& cancel) { return probePictureTimes(path, cancel); });
    m_source = pathOrUrl;
    m_kind = 1;
}

void PlayControl::setSourceHandle(std::shared_ptr<const QByteArray> wholeFile) {
    m_memoryCheck = 0;
    if (!wholeFile) {
        dropSource();
        return;
    }
    ensureSession();
    const QString uri = m_session->addMemorySource(wholeFile);
    try {
        loadUri(
            uri.toUtf8(), QByteArray(), true, [wholeFile] { return probeVideoExtent(wholeFile); },
            [wholeFile](const std::atomic<bool>& cancel) {
                return probePictureTimes(wholeFile, cancel);
            });
    } catch (...) {
        m_session->removeMemorySource(uri);
        throw;
    }
    m_memoryUri = uri;
    m_memory = std::move(wholeFile);
    m_kind = 2;
    m_memoryCheck = 1;
}

void PlayControl::ResetSource() {
    dropSource();
}

void PlayControl::dropSource(bool stopEngine) {
    if (m_session) {
        if (stopEngine)
            commandAsync({"stop"});
        setProp("end", "none");
        if (!m_memoryUri.isEmpty())
            m_session->removeMemorySource(m_memoryUri);
        m_session->setRenderSize({});
        m_session->clearFrame();
    }
    m_memoryUri.clear();
    m_memory.reset();
    m_source.clear();
    m_kind = 0;
    m_state = 0;
    m_network = false;
    m_downloadDone = true;
    m_cutShort = false;
    m_stalled = false;
    m_grownTo = 0.0;
    m_lastGrowth.start();
    m_endPending = false;
    ++m_serial;
    m_loading = m_loaded = m_firstFrame = m_probingStart = false;
    m_loadError = 0;
    m_entry = -1;
    m_awaitingStart = false;
    m_loadReply = 0;
    m_duration = 0.0;
    m_fps = 25.0;
    m_t0 = 0.0;
    m_hasVideo = m_hasAudio = false;
    m_freshReads = false;
    m_videoSize = {};
    m_storedSize = {};
    m_timePos = 0.0;
    m_eof = false;
    m_pendingSeekFrame = -1;
    // Replies to seeks in the old source must not hold up the next one's first frame.
    m_seekReplies.clear();
    m_seeking = false;
    m_awaitSeekStart = false;
    m_endLimit = false;
    m_knownLastFrame = -1.0;
    m_soundRunsOn = false;
    dropKept();
    m_heldPicture = QImage();
    if (m_extentProbe.valid())
        m_extentProbe.wait();
    m_extentProbe = {};
    stopPictureTimes();
    m_playsDone = 0;
    m_lastProgress = -1;
    update();
}

void PlayControl::loadUri(const QByteArray& uri, const QByteArray& options, bool wait,
                          ExtentProbe probe, TimesProbe times) {
    ensureSession();
    dropSource(false);
    // Read while the engine opens the file; needed once its first picture is known.
    // The look at the file is only a refinement: anything it throws (a thread or memory that
    // cannot be had) leaves the engine's own length, and never reaches the event loop.
    if (probe && !skipOnError([&] {
            m_extentProbe = std::async(std::launch::async, [probe = std::move(probe)] {
                std::optional<VideoExtent> extent;
                skipOnError([&] { extent = probe(); });
                return extent;
            });
        }))
        m_extentProbe = {};
    if (times)
        startPictureTimes(std::move(times));
    restoreAudio();
    // Loaded paused so the first frame and its time are known before anything plays. Every
    // request goes through mpv's queue, in order: a direct call could overtake queued ones.
    setProp("pause", "yes");
    std::vector<QByteArray> args{"loadfile", uri, "replace"};
    if (!options.isEmpty())
        args.push_back(options);
    m_loading = true;
    m_awaitingStart = true;
    m_loadReply = commandAsync(args);
    m_state = 3; // plays once its first frame is known
    if (!wait)
        return;
    // A file still loading when the wait ends goes on as an address does: it plays once its
    // first frame is known, and a later failure arrives through ErrorAbort.
    m_syncLoad = true;
    const int serial = m_serial;
    waitFor([this] { return m_loadError != 0 || (m_loaded && m_firstFrame); }, kLoadWaitMs);
    m_syncLoad = false;
    if (m_serial != serial)
        throw PlayError(kPlayErrWaitEnded); // another source came while this one loaded
    if (m_loadError != 0) {
        const long code = m_loadError;
        dropSource();
        throw PlayError(code);
    }
}

void PlayControl::requireSource() const {
    if (m_kind == 0 || !m_session)
        throw PlayError(kPlayErrNoSource);
}

void PlayControl::requireVideo() const {
    requireSource();
    if (!m_loaded)
        throw PlayError(kPlayErrNoSource);
    if (!m_hasVideo)
        throw PlayError(kPlayErrNoVideo);
}

// ---- transport -----------------------------------------------------------------------------

void PlayControl::Run() {
    requireSource();
    if (!m_firstFrame) {
        m_state = 3; // starts once loaded
        return;
    }
    const double start = m_selStart;
    const double end = effectiveSelEnd();
    const double now = m_pendingSeekFrame >= 0 ? frameTime(m_pendingSeekFrame) : shownTime();
    const double half = halfFrameAt(end);
    const bool soundBack = m_audioOff;
    m_state = 3;
    restoreAudio();
    // The engine takes the sound up again by reading it anew beside the picture, and that read
    // can stall for good near the end of a file or leave the picture behind at the next seek.
    // Dropping what was read makes the seek below read both afresh instead; a stream that cannot
    // seek keeps it, as it could not be read again.
    if (soundBack && m_freshReads)
        commandAsync({"drop-buffers"});
    if (m_eof || now >= end - half || now < start - half)
        seekExact(start);
    else if (soundBack || showingKept())
        // A kept picture is one the engine has passed.
        seekExact(now);
    // Play starts once that seek has landed: started with it under way, the picture can stay
    // on the seek's frame while the sound runs on, where that frame has to be decoded from a
    // keyframe far back. A seek that never lands still plays.
    const int serial = m_serial;
    if (soundBack && !waitFor([this] { return !m_seeking; }, kEngineWaitMs) && m_serial != serial)
        return;
    m_playsDone = 0;
    applyEndLimit(true);
    setProp("pause", "no");
}

void PlayControl::Pause() {
    if (m_kind == 0 || !m_session)
        return;
    applyEndLimit(false);
    setProp("pause", "yes");
    m_state = 2;
}

void PlayControl::Stop() {
    if (m_kind == 0 || !m_session)
        return;
    setProp("pause", "yes");
    applyEndLimit(false);
    m_state = 1;
    if (m_loaded)
        seekExact(m_selStart);
}

bool PlayControl::IsRateSupported(double rate) const {
    return std::isfinite(rate) && rate >= 0.01 && rate <= 100.0;
}

void PlayControl::setRate(double rate) {
    if (!IsRateSupported(rate))
        throw PlayError(kPlayErrRate);
    m_rate = rate;
    if (m_session)
        setProp("speed", QByteArray::number(rate, 'g', 10));
}

int PlayControl::TrackLength() const {
    if (!m_loaded || m_duration <= 0.0)
        return 0;
    return frameAt(m_duration);
}

int PlayControl::Position() const {
    if (!m_loaded)
        return 0;
    if (m_pendingSeekFrame >= 0)
        return m_pendingSeekFrame;
    // At the end of a file time-pos may run on with the sound past the last picture.
    const int n = TrackLength();
    const int p = frameAt(shownTime());
    return n > 0 ? std::min(p, n - 1) : p;
}

void PlayControl::setPosition(int frame) {
    requireSource();
    if (!m_loaded)
        return;
    const int last = std::max(0, TrackLength() - 1);
    seekExact(frameTime(std::clamp(frame, 0, last)));
}

void PlayControl::setSizeMode(int mode) {
    if (mode < 0 || mode > 2)
        throw PlayError(kPlayErrBadValue);
    m_sizeMode = mode;
    if (m_session)
        setProp("keepaspect", mode == 1 ? "no" : "yes");
    updateRenderTarget();
    update();
}

void PlayControl::setMute(bool mute) {
    m_mute = mute;
    if (m_session)
        setProp("mute", mute ? "yes" : "no");
}

void PlayControl::setPlayCount(int count) {
    if (count < 0)
        throw PlayError(kPlayErrBadValue);
    m_playCount = count;
}

void PlayControl::setSelectionStart(double seconds) {
    m_selStart = selectionTime(seconds);
    selectionChanged();
}

void PlayControl::setSelectionEnd(double seconds) {
    m_selEnd = selectionTime(seconds);
    selectionChanged();
}

double PlayControl::selectionTime(double seconds) const {
    if (!std::isfinite(seconds))
        throw PlayError(kPlayErrBadValue);
    seconds = std::max(0.0, seconds);
    return m_duration > 0.0 ? std::min(seconds, m_duration) : seconds;
}

void PlayControl::selectionChanged() {
    emitSelection();
    if (m_state == 3)
        applyEndLimit(true);
}

void PlayControl::MarkSelectionStart() {
    requireSource();
    setSelectionStart(frameTime(Position()));
}

void PlayControl::MarkSelectionEnd() {
    requireSource();
    setSelectionEnd(frameTime(Position()));
}

void PlayControl::SeekStart() {
    requireSource();
    if (m_loaded)
        seekExact(m_t0);
}

void PlayControl::SeekEnd() {
    requireSource();
    if (m_loaded)
        seekExact(lastFrameTime());
}

// ---- frames --------------------------------------------------------------------------------

PlayControl::Reply PlayControl::grabFrame(int timeoutMs, bool asDib) const {
    requireSource();
    // The caller's limit is for a source still loading; a seek or step under way is waited
    // for however long the engine takes, unless a download holds it up.
    waitForConst([this] { return m_kind == 0 || m_loadError != 0 || (m_loaded && m_firstFrame); },
                 timeoutMs);
    const int limit = m_network && !m_downloadDone ? std::max(0, timeoutMs) : kEngineWaitMs;
    if (!waitForConst([this] { return m_kind == 0 || !m_seeking; }, limit))
        throw PlayError(m_waitEnd);
    requireVideo();
    if (showingKept()) {
        const QImage& image = m_kept[size_t(m_shownKept)].image;
        Reply kept;
        if (asDib)
            kept.dib = packedDib(image);
        else
            kept.image = image.convertToFormat(QImage::Format_RGB32);
        if (kept.dib.isEmpty() && kept.image.isNull())
            throw PlayError(kPlayErrNoVideo);
        return kept;
    }
    return screenshot(asDib ? FrameForm::Dib : FrameForm::Picture, limit);
}

PlayControl::Reply PlayControl::screenshot(FrameForm form, int limitMs) const {
    return takeScreenshot(requestScreenshot(form), limitMs);
}

uint64_t PlayControl::requestScreenshot(FrameForm form) const {
    const uint64_t id = commandAsync({"screenshot-raw", "video"});
    m_wanted[id] = form;
    return id;
}

PlayControl::Reply PlayControl::takeScreenshot(uint64_t id, int limitMs) const {
    // Given up or not, the answer is not kept for anyone.
    const auto forget = qScopeGuard([this, id] {
        m_wanted.erase(id);
        m_replies.erase(id);
    });
    if (!waitForConst([&] { return m_replies.count(id) != 0; }, limitMs))
        throw PlayError(m_waitEnd);
    Reply reply = std::move(m_replies[id]);
    if (reply.error < 0)
        throw PlayError(reply.error);
    if (reply.image.isNull() && reply.dib.isEmpty())
        throw PlayError(kPlayErrNoVideo);
    return reply;
}

QByteArray PlayControl::FrameDib(int timeoutMs) const {
    Reply r = grabFrame(timeoutMs, true);
    return r.dib.isEmpty() ? packedDib(r.image) : r.dib;
}

QImage PlayControl::FramePicture(int timeoutMs) const {
    return grabFrame(timeoutMs, false).image;
}

// ---- engine plumbing -----------------------------------------------------------------------

uint64_t PlayControl::commandAsync(std::initializer_list<QByteArray> args) const {
    return commandAsync(std::vector<QByteArray>(args));
}

uint64_t PlayControl::commandAsync(const std::vector<QByteArray>& args) const {
    std::vector<const char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    const uint64_t id = m_nextReply++;
    mpv_command_async(m_session->handle(), id, argv.data());
    return id;
}

void PlayControl::setProp(const char* name, const QByteArray& value) const {
    const char* text = value.constData();
    mpv_set_property_async(m_session->handle(), 0, name, MPV_FORMAT_STRING, &text);
}

double PlayControl::timePosNow() const {
    double t = m_timePos;
    if (mpv_get_property(m_session->handle(), "time-pos", MPV_FORMAT_DOUBLE, &t) < 0)
        return m_timePos;
    return t;
}

// Steps run without sound: a step then moves time-pos with the picture alone (with sound it
// can run past the last picture), and a back-step from the end of a file with sound does not
// move at all. The sound comes back with Run.
void PlayControl::disableAudio() {
    if (m_audioOff || !m_hasAudio)
        return;
    setProp("aid", "no");
    m_audioOff = true;
}

void PlayControl::restoreAudio() {
    if (!m_audioOff)
        return;
    setProp("aid", "auto");
    m_audioOff = false;
}

void PlayControl::seekExact(double seconds) {
    // A negative target would count from the end of the file.
    seconds = std::max(0.0, seconds);
    if (!m_filling)
        dropKept();
    // Paused, the position is the picture's: with sound the engine can report the sound's time
    // instead, several frames away from the picture near the end of a file.
    if (m_firstFrame && m_state != 3)
        disableAudio();
    const uint64_t id =
        commandAsync({"seek", QByteArray::number(seconds, 'f', 6), "absolute+exact"});
    m_seekReplies.insert(id);
    m_seeking = true;
    m_eof = false;
    if (!m_firstFrame || m_filling)
        return;
    m_pendingSeekFrame = frameAt(seconds);
    if (m_pendingSeekFrame != m_lastProgress && !(m_network && !m_downloadDone))
        emitProgress(m_pendingSeekFrame);
}

void PlayControl::applyEndLimit(bool running) {
    const double end = effectiveSelEnd();
    const double half = halfFrameAt(end);
    // With sound beyond the last picture, play ends with the picture as the length does.
    if (running && m_loaded && (end < lastFrameTime() - half || m_soundRunsOn)) {
        // Frames at or past "end" are never shown, so half a frame keeps the last one.
        setProp("end", QByteArray::number(end + half, 'f', 6));
        m_endLimit = true;
    } else if (m_endLimit) {
        setProp("end", "none");
        m_endLimit = false;
    }
}

void PlayControl::onPlayEnd() {
    ++m_playsDone;
    if (m_playCount == 0 || m_playsDone < m_playCount) {
        seekExact(m_selStart);
        setProp("pause", "no");
        return;
    }
    m_state = 1;
    setProp("pause", "yes");
    // The end limit can let the engine run a frame or two on; the seek pins the last frame.
    if (m_autoRewind)
        seekExact(m_selStart);
    else if (m_endLimit)
        seekExact(effectiveSelEnd());
    applyEndLimit(false);
}

double PlayControl::frameTime(int frame) const {
    const int n = int(m_pictureTimes.size());
    if (n == 0)
        return m_t0 + frame / m_fps;
    if (frame < n)
        return m_t0 + m_pictureTimes[size_t(std::max(0, frame))];
    return m_t0 + pictureTimesEnd() + (frame - n) / m_fps;
}

int PlayControl::frameAt(double seconds) const {
    if (!m_pictureTimes.empty()) {
        // The nearest picture, or the end of the last one (the length) when that is nearer.
        const double t = seconds - m_t0;
        const auto& times = m_pictureTimes;
        const int n = int(times.size());
        const int after = int(std::lower_bound(times.begin(), times.end(), t) - times.begin());
        if (after == 0)
            return 0;
        const double next = after < n ? times[size_t(after)] : pictureTimesEnd();
        const int nearest = next - t <= t - times[size_t(after - 1)] ? after : after - 1;
        return after < n || t < pictureTimesEnd() + 0.5 / m_fps
                   ? nearest
                   : n + int(std::min(std::round((t - pictureTimesEnd()) * m_fps), 1e9));
    }
    // A broken header can claim a duration whose frame count does not fit in an int.
    const double frame = std::round((seconds - m_t0) * m_fps);
    if (!(frame > 0.0))
        return 0;
    return frame < double(std::numeric_limits<int>::max()) ? int(frame)
                                                           : std::numeric_limits<int>::max();
}

// Where the last picture ends, after the first one: as long after it as the one before it
// lasted.
double PlayControl::pictureTimesEnd() const {
    const auto& times = m_pictureTimes;
    const size_t n = times.size();
    return n >= 2 ? 2 * times[n - 1] - times[n - 2] : times.back() + 1.0 / m_fps;
}

// Half the time the picture shown at `seconds` lasts: past that the next one shows.
double PlayControl::halfFrameAt(double seconds) const {
    if (m_pictureTimes.empty())
        return 0.5 / m_fps;
    const int k = std::min(frameAt(seconds), int(m_pictureTimes.size()) - 1);
    return 0.5 * (frameTime(k + 1) - frameTime(k));
}

double PlayControl::lastFrameTime() const {
    return frameTime(std::max(0, TrackLength() - 1));
}

double PlayControl::effectiveSelEnd() const {
    const double end = m_selEnd > m_selStart ? m_selEnd : m_duration;
    return std::min(end, lastFrameTime());
}

void PlayControl::emitProgress(int p) {
    m_lastProgress = p;
    QMetaObject::invokeMethod(
        this, [this, p] { emit Progress(p); }, Qt::QueuedConnection);
}

void PlayControl::emitSelection() {
    const int s = frameAt(m_selStart);
    const int e = frameAt(m_selEnd);
    QMetaObject::invokeMethod(
        this, [this, s, e] { emit SelectionChanged(s, e); }, Qt::QueuedConnection);
}

void PlayControl::reportPosition() {
    if ((m_network && !m_downloadDone) || m_filling)
        return;
    const int p = Position();
    if (p != m_lastProgress)
        emitProgress(p);
}

void PlayControl::updateDownload(double cacheEnd, bool eof) {
    if (!m_network || m_downloadDone || !m_loaded || m_endPending)
        return;
    if (eof) {
        // The log that tells a cut from an end can come just after it, and the length can still
        // be a first guess, so both are read a moment later.
        m_endPending = true;
        QTimer::singleShot(kEndVerdictMs, this, [this, serial = m_serial] {
            if (serial == m_serial && m_endPending)
                finishDownload();
        });
        return;
    }
    const int total = TrackLength();
    if (m_duration <= 0.0)
        return;
    // The length can still be a first guess that the download outruns; only the end's verdict
    // may call the download complete.
    const int p =
        std::min(total - 1, int(std::lround(std::clamp(cacheEnd / m_duration, 0.0, 1.0) * total)));
    // The download only grows; a first 0 % would read as "nothing loaded" to the window.
    if (p > std::max(0, m_lastProgress))
        emitProgress(p);
}

// The engine ends a download whose server went silent as it ends a whole one, once its network
// wait is over; only the silence before that end tells them apart.
void PlayControl::noteDownloadTime(bool wasEof) {
    if (m_cacheEnd > m_grownTo + kTimeEpsilon) {
        m_grownTo = m_cacheEnd;
        m_lastGrowth.restart();
    }
    if (m_cacheEof && !wasEof)
        m_stalled = m_lastGrowth.isValid() && m_lastGrowth.elapsed() >= kStallMs;
}

void PlayControl::finishDownload() {
    m_endPending = false;
    m_downloadDone = true;
    // What did arrive stays playable; the window is told the rest never came. Without a length
    // from the server (a chunked answer) a cut shows only as pictures short of the video's.
    const bool shortOfLength = m_duration > 0.0 && m_cacheEnd < m_duration * 0.9 - 0.2;
    if (m_cutShort || m_stalled || shortOfLength) {
        emit ErrorAbort(int(m_stalled ? kPlayErrStalled : kPlayErrCutShort));
        return;
    }
    m_lastProgress = TrackLength();
    emit Progress(m_lastProgress);
}

void PlayControl::onFileLoaded() {
    mpv_handle* h = m_session->handle();
    double d = 0.0;
    m_duration = mpv_get_property(h, "duration", MPV_FORMAT_DOUBLE, &d) >= 0 ? d : 0.0;
    double fps = 0.0;
    if (mpv_get_property(h, "container-fps", MPV_FORMAT_DOUBLE, &fps) < 0 || !(fps > 0.0) ||
        fps > 240.0)
        fps = 25.0;
    m_fps = fps;
    const auto selected = [h](const char* name) {
        char* v = mpv_get_property_string(h, name);
        const bool on = v && std::strcmp(v, "no") != 0;
        mpv_free(v);
        return on;
    };
    m_hasVideo = selected("vid");
    m_hasAudio = selected("aid");
    // A stream seekable only inside what it has read can decline any seek, and what it has
    // read must never be dropped.
    int seekable = 0;
    int partly = 0;
    m_freshReads = mpv_get_property(h, "seekable", MPV_FORMAT_FLAG, &seekable) >= 0 && seekable &&
                   mpv_get_property(h, "partially-seekable", MPV_FORMAT_FLAG, &partly) >= 0 &&
                   !partly;
    if (m_hasVideo)
        turnUpright();
    m_loaded = true;
    refreshVideoSize();
    m_selStart = 0.0;
    m_selEnd = m_duration;
    emitSelection();
}

// The engine leaves rotation metadata aside (see MpvSession), so a video filmed turned is
// turned upright here, before the first frame is probed, for the picture and its captures.
void PlayControl::turnUpright() {
    int64_t degrees = 0;
    if (mpv_get_property(m_session->handle(), "current-tracks/video/demux-rotation",
                         MPV_FORMAT_INT64, &degrees) < 0)
        return;
    const char* filter = nullptr;
    switch ((degrees % 360 + 360) % 360) {
    case 90:
        filter = "lavfi=[transpose=clock]";
        break;
    case 180:
        filter = "lavfi=[hflip,vflip]";
        break;
    case 270:
        filter = "lavfi=[transpose=cclock]";
        break;
    default:
        return;
    }
    setProp("file-local-options/vf", QByteArray(kEncodedColours) + ',' + filter);
}

// The engine's duration is that of the longest stream. Where the sound outlasts the pictures,
// the length ends with the last picture, so End, seeks, steps and the slider reach it and a
// seek never lands where only sound is left.
void PlayControl::applyVideoExtent() {
    if (!m_extentProbe.valid())
        return;
    const std::optional<VideoExtent> extent = m_extentProbe.get();
    if (!extent || !m_hasVideo || !extent->sound)
        return;
    const double pictureEnd = m_t0 + (extent->last - extent->first) + 1.0 / m_fps;
    if (!(pictureEnd > m_t0) || pictureEnd >= m_duration - 0.5 / m_fps)
        return;
    const bool wholeSelection = m_selEnd >= m_duration;
    m_duration = pictureEnd;
    m_soundRunsOn = true;
    m_selStart = std::min(m_selStart, m_duration);
    if (wholeSelection || m_selEnd > m_duration)
        m_selEnd = m_duration;
    emitSelection();
}

// The picture times are read on a thread of their own, which may outlast a source: a cancelled
// or late reading is dropped.
void PlayControl::startPictureTimes(TimesProbe probe) {
    skipOnError([&] {
        auto cancel = std::make_shared<std::atomic<bool>>(false);
        std::promise<std::optional<std::vector<double>>> promise;
        auto read = promise.get_future();
        m_timesReader = std::thread([this, serial = m_serial, cancel, probe = std::move(probe),
                                     promise = std::move(promise)]() mutable {
            std::optional<std::vector<double>> times;
            skipOnError([&] { times = probe(*cancel); });
            promise.set_value(std::move(times));
            if (!*cancel)
                QMetaObject::invokeMethod(
                    this,
                    [this, serial] {
                        if (serial == m_serial)
                            takePictureTimes();
                    },
                    Qt::QueuedConnection);
        });
        m_timesCancel = std::move(cancel);
        m_timesRead = std::move(read);
    });
}

void PlayControl::stopPictureTimes() {
    if (m_timesCancel)
        *m_timesCancel = true;
    if (m_timesReader.joinable())
        m_timesReader.join();
    m_timesCancel.reset();
    m_timesRead = {};
    m_pictureTimes.clear();
}

// Taken once both the times and the first picture's are known. Only a rate that varies changes
// how positions are counted: where the average rate names every picture, it stays.
void PlayControl::takePictureTimes() {
    if (!m_firstFrame || !m_timesRead.valid() ||
        m_timesRead.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    std::optional<std::vector<double>> times = m_timesRead.get();
    if (!times || times->empty() || !m_hasVideo)
        return;
    bool even = true;
    for (size_t k = 0; k < times->size() && even; ++k)
        even = std::lround((*times)[k] * m_fps) == long(k);
    if (even)
        return;
    m_pictureTimes = std::move(*times);
    emitSelection();
    if (!m_seeking)
        reportPosition();
}

void PlayControl::refreshVideoSize() {
    // One snapshot of the output, so the stored and shown sizes belong to the same frames.
    mpv_node params;
    if (mpv_get_property(m_session->handle(), "video-out-params", MPV_FORMAT_NODE, &params) >= 0) {
        const auto size = [&](const char* w, const char* h) {
            const QSize s(int(nodeDouble(mapValue(params, w), 0.0)),
                          int(nodeDouble(mapValue(params, h), 0.0)));
            return s.isEmpty() ? QSize() : s;
        };
        const QSize shown = size("dw", "dh");
        const QSize stored = size("w", "h");
        if (!shown.isEmpty() && !stored.isEmpty()) {
            m_videoSize = shown;
            m_storedSize = stored;
        }
        mpv_free_node_contents(&params);
    }
    updateRenderTarget();
}

QRect PlayControl::pictureRect(QSize picture) const {
    switch (m_sizeMode) {
    case 0: {
        const QSize s = picture.scaled(size(), Qt::KeepAspectRatio);
        return {QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s};
    }
    case 1:
        return rect();
    default:
        return {QPoint((width() - picture.width()) / 2, (height() - picture.height()) / 2),
                picture};
    }
}

// mpv scales on the render thread straight to the size the picture is shown at, so painting
// is a plain copy.
void PlayControl::updateRenderTarget() {
    if (!m_session || m_filling)
        return;
    if (!m_hasVideo || m_videoSize.isEmpty()) {
        m_session->setRenderSize({});
        return;
    }
    const QSize target = pictureRect(m_videoSize).size();
    m_session->setRenderSize(target.isEmpty() ? m_videoSize : target);
}

void PlayControl::resizeEvent(QResizeEvent*) {
    updateRenderTarget();
}

void PlayControl::loadFailed(long code) {
    if (m_syncLoad) {
        m_loadError = code;
        return;
    }
    dropSource();
    QMetaObject::invokeMethod(
        this, [this, code] { emit ErrorAbort(int(code)); }, Qt::QueuedConnection);
}

bool PlayControl::seekSettled() const {
    return m_seekReplies.empty() && !m_awaitSeekStart;
}

void PlayControl::firstFrameShown() {
    m_firstFrame = true;
    m_loading = false;
    m_probingStart = false;
    m_t0 = m_hasVideo ? std::max(0.0, timePosNow()) : 0.0;
    m_timePos = m_t0;
    applyVideoExtent();
    takePictureTimes();
    m_seeking = false;
    m_pendingSeekFrame = -1;
    if (m_network)
        updateDownload(m_cacheEnd, m_cacheEof);
    if (m_state == 3) {
        // Play from the load ends where Run's does: with the last picture, not with
        // sound that runs on past it and leaves the position beyond every picture.
        applyEndLimit(true);
        setProp("pause", "no");
    }
}

// What waited on a declined seek goes on from where the engine stayed.
void PlayControl::seekDeclined() {
    ++m_declined;
    m_seekReplies.clear();
    m_awaitSeekStart = false;
    if (!m_loaded || !m_seeking)
        return;
    m_seeking = false;
    m_pendingSeekFrame = -1;
    if (!m_firstFrame)
        firstFrameShown();
    else
        reportPosition();
}

void PlayControl::drainEvents() {
    if (!m_session)
        return;
    for (;;) {
        mpv_event* e = mpv_wait_event(m_session->handle(), 0);
        if (e->event_id == MPV_EVENT_NONE)
            return;
        handleEvent(e);
    }
}

bool PlayControl::waitFor(const std::function<bool()>& done, int timeoutMs) {
    if (!m_session)
        return done();
    // Events other than input run meanwhile, so the window keeps painting and its timers tick;
    // clicks are held until the answer is in and are then handled in their order, all but the
    // ways out.
    const NestedLoopScope nested;
    const InputHold hold;
    BusyPointer busy;
    QDeadlineTimer deadline(std::max(0, timeoutMs));
    // Nothing waits on a source that was dropped or replaced meanwhile, in a window that was
    // closed, or for a seek the engine declined.
    const int serial = m_serial;
    const int declined = m_declined;
    const bool shown = isVisible();
    for (;;) {
        // What the user left is not waited on, even where it happens to look done.
        m_waitEnd = m_serial != serial || (shown && !isVisible()) ? kPlayErrWaitEnded
                    : m_declined != declined                      ? kPlayErrCannotSeek
                                                                  : kPlayErrTimeout;
        if (m_waitEnd == kPlayErrWaitEnded)
            return false;
        if (done())
            return true;
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || m_waitEnd != kPlayErrTimeout)
            return false;
        busy.tick();
        mpv_event* e =
            mpv_wait_event(m_session->handle(), double(std::min<qint64>(left, 10)) / 1000.0);
        if (e->event_id != MPV_EVENT_NONE)
            handleEvent(e);
        // Without ways out input stays with the window system until the wait is over.
        QCoreApplication::processEvents(
            InputHold::ways().empty() ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
        if (!m_session)
            return done();
    }
}

void PlayControl::handleEvent(const mpv_event* e) {
    switch (e->event_id) {
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(e->data);
        switch (e->reply_userdata) {
        case kObsTimePos:
            if (prop->format == MPV_FORMAT_DOUBLE && m_loaded) {
                m_timePos = *static_cast<double*>(prop->data);
                if (!m_seeking)
                    reportPosition();
            }
            break;
        case kObsDuration:
            if (prop->format == MPV_FORMAT_DOUBLE && m_loaded && !m_soundRunsOn) {
                const bool wholeSelection = m_selEnd >= m_duration;
                m_duration = *static_cast<double*>(prop->data);
                if (wholeSelection && m_selEnd != m_duration) {
                    m_selEnd = m_duration;
                    emitSelection();
                }
            }
            break;
        case kObsEof:
            if (prop->format == MPV_FORMAT_FLAG) {
                const bool eof = *static_cast<int*>(prop->data) != 0;
                const bool rising = eof && !m_eof;
                m_eof = eof;
                if (rising && m_state == 3 && m_loaded && !m_seeking)
                    onPlayEnd();
            }
            break;
        case kObsCache:
            // Kept, because a small file can be all read before it counts as loaded.
            if (prop->format == MPV_FORMAT_NODE) {
                const auto* node = static_cast<const mpv_node*>(prop->data);
                const mpv_node* eof = mapValue(*node, "eof");
                const bool wasEof = m_cacheEof;
                m_cacheEnd = nodeDouble(mapValue(*node, "cache-end"), 0.0);
                m_cacheEof = eof && eof->format == MPV_FORMAT_FLAG && eof->u.flag;
                noteDownloadTime(wasEof);
                updateDownload(m_cacheEnd, m_cacheEof);
            } else {
                m_cacheEnd = 0.0;
                m_cacheEof = false;
            }
            break;
        default:
            break;
        }
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        // A server without ranges that closes early gets no second request; with ranges the
        // rest is asked for at once, and only a failure of that ends the download.
        const auto* m = static_cast<const mpv_event_log_message*>(e->data);
        // The engine answers a seek it cannot make as done, and then nothing follows.
        if (std::strcmp(m->prefix, "cplayer") == 0 &&
            std::strncmp(m->text, "Cannot seek in this", 19) == 0) {
            seekDeclined();
            break;
        }
        if (!m_network || m_downloadDone || std::strcmp(m->prefix, "ffmpeg") != 0)
            break;
        if (std::strncmp(m->text, "http: Stream ends prematurely", 29) == 0)
            m_cutShort = true;
        else if (std::strncmp(m->text, "http: Will reconnect", 20) == 0)
            m_cutShort = false;
        break;
    }
    case MPV_EVENT_START_FILE:
        // The engine answers a load before it starts on it, so a start that comes while the
        // answer is still awaited belongs to an earlier source.
        if (m_awaitingStart && m_loadReply == 0) {
            m_entry = static_cast<const mpv_event_start_file*>(e->data)->playlist_entry_id;
            m_awaitingStart = false;
        }
        break;
    case MPV_EVENT_FILE_LOADED:
        if (m_loading && !m_awaitingStart)
            onFileLoaded();
        break;
    case MPV_EVENT_SEEK:
        if (m_seekReplies.empty())
            m_awaitSeekStart = false;
        break;
    case MPV_EVENT_VIDEO_RECONFIG:
        if (m_loaded)
            refreshVideoSize();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!m_loaded)
            break;
        ++m_restarts;
        if (!m_firstFrame && seekSettled()) {
            if (m_hasVideo && !m_probingStart) {
                // Right after loading, time-pos can report the audio's start rather than the
                // first picture's; an exact seek to 0 makes it the picture's own time.
                m_probingStart = true;
                seekExact(0.0);
                break;
            }
            firstFrameShown();
            break;
        }
        if (seekSettled()) {
            // While running, the seek target stands in until the next time-pos change, which
            // keeps the GUI thread from waiting on the engine during playback.
            if (m_state == 3 && m_pendingSeekFrame >= 0)
                m_timePos = frameTime(m_pendingSeekFrame);
            else
                m_timePos = timePosNow();
            m_seeking = false;
            m_pendingSeekFrame = -1;
            reportPosition();
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(e->data);
        if (m_awaitingStart || end->playlist_entry_id != m_entry)
            break;
        // A file that ends before its first frame failed to load, whatever the reason given.
        const bool failed = end->reason == MPV_END_FILE_REASON_ERROR ||
                            (!m_firstFrame && end->reason != MPV_END_FILE_REASON_STOP &&
                             end->reason != MPV_END_FILE_REASON_QUIT);
        if (!failed)
            break;
        loadFailed(end->error < 0 ? end->error : MPV_ERROR_LOADING_FAILED);
        break;
    }
    case MPV_EVENT_COMMAND_REPLY: {
        if (m_loadReply != 0 && e->reply_userdata == m_loadReply) {
            m_loadReply = 0;
            if (e->error < 0) {
                loadFailed(e->error);
                break;
            }
            const mpv_node* id = mapValue(static_cast<const mpv_event_command*>(e->data)->result,
                                          "playlist_entry_id");
            if (m_awaitingStart && id && id->format == MPV_FORMAT_INT64) {
                m_entry = id->u.int64;
                m_awaitingStart = false;
            }
            break;
        }
        if (m_seekReplies.erase(e->reply_userdata)) {
            // The restart that ends this seek comes after the seek has started; an earlier
            // seek's restart can still arrive in between.
            if (m_seekReplies.empty())
                m_awaitSeekStart = true;
            break;
        }
        if (const auto wanted = m_wanted.find(e->reply_userdata); wanted != m_wanted.end())
            m_replies[e->reply_userdata] = frameReply(*e, wanted->second);
        break;
    }
    default:
        break;
    }
}

// The frame of a screenshot reply: a DIB when one was asked for and the size is right.
PlayControl::Reply PlayControl::frameReply(const mpv_event& e, FrameForm form) const {
    Reply reply;
    reply.error = e.error;
    if (e.error < 0)
        return reply;
    const RawFrame raw = rawFrame(static_cast<const mpv_event_command*>(e.data)->result);
    if (!raw.data)
        return reply;
    // A picture with non-square pixels is handed over at its display size. At a change of size
    // the engine's report can already be for the next frames, so the report's stretch is what
    // is applied, not its size.
    QSize target(raw.width, raw.height);
    if (!m_videoSize.isEmpty() && !m_storedSize.isEmpty() && target != m_videoSize)
        target = target == m_storedSize
                     ? m_videoSize
                     : QSize(std::max(1, int(std::lround(double(raw.width) * m_videoSize.width() /
                                                         m_storedSize.width()))),
                             std::max(1, int(std::lround(double(raw.height) * m_videoSize.height() /
                                                         m_storedSize.height()))));
    const bool resize = target != QSize(raw.width, raw.height);
    if (form == FrameForm::Dib && !resize) {
        reply.dib = packedDib(raw);
        return reply;
    }
    if (form == FrameForm::Kept && !resize) {
        reply.image = toPacked(raw);
        return reply;
    }
    reply.image = toImage(raw);
    if (resize)
        reply.image = reply.image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (form == FrameForm::Kept)
        reply.image = reply.image.convertToFormat(QImage::Format_BGR888);
    return reply;
}

// ---- drawing -------------------------------------------------------------------------------

void PlayControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage frame = m_session && m_kind == 0  ? QImage()
                         : !m_heldPicture.isNull() ? m_heldPicture
                         : showingKept()           ? m_kept[size_t(m_shownKept)].image
                         : m_session               ? m_session->lastFrame()
                                                   : QImage();
    if (frame.isNull() || m_videoSize.isEmpty())
        return;
    const QRect target = pictureRect(m_videoSize);
    // Until a frame at the new size arrives, the last one is scaled into place.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != frame.size());
    painter.drawImage(target, frame);
}

} // namespace korimo
