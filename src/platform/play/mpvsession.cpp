#include "play/mpvsession.h"

#include "play/playerror.h"

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/stream_cb.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <utility>

namespace korimo {

namespace {

struct AudioOutput {
    QByteArray driver;
    QByteArray device;
};

AudioOutput& audioOutput() {
    static AudioOutput output;
    return output;
}

constexpr char kMemoryProtocol[] = "korimomem";

struct MemoryStream {
    std::shared_ptr<const QByteArray> data;
    qint64 pos = 0;
};

int64_t memRead(void* cookie, char* buf, uint64_t nbytes) {
    auto* s = static_cast<MemoryStream*>(cookie);
    const qint64 left = s->data->size() - s->pos;
    const qint64 n = std::min<qint64>(left, static_cast<qint64>(nbytes));
    if (n <= 0)
        return 0;
    std::memcpy(buf, s->data->constData() + s->pos, static_cast<size_t>(n));
    s->pos += n;
    return n;
}

int64_t memSeek(void* cookie, int64_t offset) {
    auto* s = static_cast<MemoryStream*>(cookie);
    if (offset < 0 || offset > s->data->size())
        return MPV_ERROR_GENERIC;
    s->pos = offset;
    return offset;
}

int64_t memSize(void* cookie) {
    return static_cast<MemoryStream*>(cookie)->data->size();
}

void memClose(void* cookie) {
    delete static_cast<MemoryStream*>(cookie);
}

} // namespace

void MpvSession::setAudioDriver(const QByteArray& driver, const QByteArray& device) {
    audioOutput() = {driver, device};
}

MpvSession::MpvSession(std::function<void()> wakeup, std::function<void()> frameReady)
    : m_wakeup(std::move(wakeup)), m_frameReady(std::move(frameReady)) {
    // mpv refuses to start (mpv_create returns NULL) unless numbers are parsed the C way.
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv)
        throw PlayError(kPlayErrEngine);

    // No user configuration, scripts or download hooks: the control decides what mpv opens.
    static const char* const options[][2] = {
        {"config", "no"},
        {"vo", "libmpv"},
        {"keep-open", "yes"},
        {"idle", "yes"},
        {"hwdec", "no"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"terminal", "no"},
        {"resume-playback", "no"},
        {"save-position-on-quit", "no"},
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"cover-art-auto", "no"},
        {"audio-display", "no"},
        {"access-references", "no"},
        {"load-unsafe-playlists", "no"},
        // The software renderer cannot turn a picture and aborts on a rotated one; the control
        // turns such videos upright with a filter instead.
        {"video-rotate", "no"},
        {"hr-seek", "yes"},
        // Without it, seeks and steps in MPEG program streams land on the wrong frame.
        {"hr-seek-demuxer-offset", "1"},
        {"network-timeout", "5"},
        {"pause", "yes"},
        {"vf", kEncodedColours},
        // A picture is handed over when it is due, not 50 ms before: a capture right after a
        // step otherwise waits that long for the picture to count as shown.
        {"video-timing-offset", "0"},
    };
    for (const auto& o : options)
        mpv_set_option_string(m_mpv, o[0], o[1]);
    const AudioOutput& audio = audioOutput();
    if (!audio.driver.isEmpty())
        mpv_set_option_string(m_mpv, "ao", audio.driver.constData());
    if (!audio.device.isEmpty())
        mpv_set_option_string(m_mpv, "audio-device", audio.device.constData());

    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        throw PlayError(kPlayErrEngine);
    }
    mpv_stream_cb_add_ro(m_mpv, kMemoryProtocol, this, &MpvSession::openMemoryStream);

    // The render context must exist before the first file is loaded, or loading fails.
    const char* api = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(api)},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&m_render, m_mpv, params) < 0) {
        mpv_terminate_destroy(m_mpv);
        throw PlayError(kPlayErrEngine);
    }
    mpv_render_context_set_update_callback(
        m_render,
        [](void* ctx) {
            auto* self = static_cast<MpvSession*>(ctx);
            {
                std::lock_guard lock(self->m_mutex);
                self->m_updatePending = true;
            }
            self->m_cv.notify_one();
        },
        this);
    m_worker = std::thread([this] { renderLoop(); });

    mpv_set_wakeup_callback(
        m_mpv, [](void* ctx) { static_cast<MpvSession*>(ctx)->m_wakeup(); }, this);
}

MpvSession::~MpvSession() {
    // Once this returns no wakeup callback is running or will run.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_one();
    m_worker.join();
    mpv_render_context_free(m_render);
    mpv_terminate_destroy(m_mpv);
}

void MpvSession::renderLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_quit || m_updatePending; });
        if (m_quit)
            return;
        m_updatePending = false;
        const bool resized = std::exchange(m_resized, false);
        const QSize size = m_renderSize;
        lock.unlock();

        const uint64_t flags = mpv_render_context_update(m_render);
        const bool wanted = (flags & MPV_RENDER_UPDATE_FRAME) || (resized && !size.isEmpty());
        bool drawn = false;
        QImage image;
        if (wanted) {
            // Until the picture size is known a frame is still taken, into a scratch image,
            // because the core waits for every frame it hands over to be rendered.
            const QSize target = size.isEmpty() ? QSize(16, 16) : size;
            {
                std::lock_guard spareLock(m_mutex);
                if (m_spare.size() == target)
                    image = std::move(m_spare);
                m_spare = QImage();
            }
            if (image.size() != target)
                image = QImage(target, QImage::Format_RGB32);
            int sz[2] = {image.width(), image.height()};
            size_t stride = static_cast<size_t>(image.bytesPerLine());
            int block = 0;
            const char* format = "bgr0";
            mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, sz},
                                         {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>(format)},
                                         {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                         {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
                                         {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                         {MPV_RENDER_PARAM_INVALID, nullptr}};
            drawn = mpv_render_context_render(m_render, params) >= 0 && !size.isEmpty();
        }

        lock.lock();
        if (drawn) {
            // The frame it replaces is reused unless a painter still holds it.
            QImage previous = std::exchange(m_frame, std::move(image));
            if (previous.isDetached())
                m_spare = std::move(previous);
            lock.unlock();
            m_frameReady();
            lock.lock();
        }
    }
}

void MpvSession::setRenderSize(QSize size) {
    {
        std::lock_guard lock(m_mutex);
        if (m_renderSize == size)
            return;
        m_renderSize = size;
        m_resized = true;
        m_updatePending = true;
    }
    m_cv.notify_one();
}

QImage MpvSession::lastFrame() const {
    std::lock_guard lock(m_mutex);
    return m_frame;
}

void MpvSession::clearFrame() {
    std::lock_guard lock(m_mutex);
    m_frame = QImage();
}

QString MpvSession::addMemorySource(std::shared_ptr<const QByteArray> data) {
    std::lock_guard lock(m_memMutex);
    const QString uri =
        QStringLiteral("%1://%2").arg(QLatin1String(kMemoryProtocol)).arg(m_nextMemory++);
    m_memory[uri] = std::move(data);
    return uri;
}

void MpvSession::removeMemorySource(const QString& uri) {
    std::lock_guard lock(m_memMutex);
    m_memory.erase(uri);
}

int MpvSession::openMemoryStream(void* self, char* uri, mpv_stream_cb_info* info) {
    auto* session = static_cast<MpvSession*>(self);
    std::shared_ptr<const QByteArray> data;
    {
        std::lock_guard lock(session->m_memMutex);
        const auto it = session->m_memory.find(QString::fromUtf8(uri));
        if (it == session->m_memory.end())
            return MPV_ERROR_LOADING_FAILED;
        data = it->second;
    }
    info->cookie = new MemoryStream{std::move(data), 0};
    info->read_fn = memRead;
    info->seek_fn = memSeek;
    info->size_fn = memSize;
    info->close_fn = memClose;
    return 0;
}

} // namespace korimo
