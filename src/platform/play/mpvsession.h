#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

struct mpv_handle;
struct mpv_render_context;
struct mpv_stream_cb_info;

namespace korimo {

// The first video filter of every file. Frames carry the colours that were encoded: the matrix
// and range of the stream's tags turn them into RGB, and no gamut or transfer conversion follows
// (the engine would otherwise map SD primaries onto HD ones, shifting every captured colour).
inline constexpr char kEncodedColours[] = "format=primaries=bt.709:gamma=bt.1886";

// Owns one mpv core, its software render context and the worker thread that renders frames.
// Rendering stays off the GUI thread because blocking calls from the rendering thread stall
// the core; the two callbacks run on foreign threads and must only hand work over.
class MpvSession {
public:
    // wakeup: the core has events (mpv's wakeup callback). frameReady: a new frame was drawn.
    MpvSession(std::function<void()> wakeup, std::function<void()> frameReady);
    ~MpvSession();
    MpvSession(const MpvSession&) = delete;
    MpvSession& operator=(const MpvSession&) = delete;

    mpv_handle* handle() const { return m_mpv; }

    // The size frames are rendered at (the video's display size); empty stops rendering.
    void setRenderSize(QSize size);
    QImage lastFrame() const;
    void clearFrame();

    // Serves a whole file from memory under a private protocol; the stream keeps its own
    // reference, so dropping the source while mpv still reads is safe.
    QString addMemorySource(std::shared_ptr<const QByteArray> data);
    void removeMemorySource(const QString& uri);

    // The audio driver and device for sessions made from now on ("null" in tests); empty:
    // mpv's choice.
    static void setAudioDriver(const QByteArray& driver, const QByteArray& device = {});

private:
    void renderLoop();
    static int openMemoryStream(void* self, char* uri, mpv_stream_cb_info* info);

    mpv_handle* m_mpv = nullptr;
    mpv_render_context* m_render = nullptr;
    std::function<void()> m_wakeup;
    std::function<void()> m_frameReady;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_quit = false;
    bool m_updatePending = false;
    bool m_resized = false;
    QSize m_renderSize;
    QImage m_frame;
    QImage m_spare;
    std::thread m_worker;

    std::mutex m_memMutex;
    std::map<QString, std::shared_ptr<const QByteArray>> m_memory;
    int m_nextMemory = 1;
};

} // namespace korimo
