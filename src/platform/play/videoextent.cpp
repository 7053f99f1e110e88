#include "play/videoextent.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>

namespace korimo {

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// The first look at the end goes back this far; each miss looks four times further.
constexpr int64_t kFirstWindow = 2 * int64_t(AV_TIME_BASE);

struct MemoryReader {
    std::shared_ptr<const QByteArray> data;
    int64_t pos = 0;
};

int readMemory(void* opaque, uint8_t* buf, int size) {
    auto* r = static_cast<MemoryReader*>(opaque);
    const int64_t n = std::min<int64_t>(size, r->data->size() - r->pos);
    if (n <= 0)
        return AVERROR_EOF;
    std::memcpy(buf, r->data->constData() + r->pos, size_t(n));
    r->pos += n;
    return int(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* r = static_cast<MemoryReader*>(opaque);
    const int64_t size = r->data->size();
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += r->pos;
        break;
    case SEEK_END:
        offset += size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0 || offset > size)
        return AVERROR(EINVAL);
    r->pos = offset;
    return offset;
}

// Owns an opened input and, for a memory source, its reader.
class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input() {
        avformat_close_input(&m_ctx);
        if (m_io) {
            av_freep(&m_io->buffer);
            avio_context_free(&m_io);
        }
    }

    bool open(const QString& path) {
        return avformat_open_input(&m_ctx, QFile::encodeName(path).constData(), nullptr, nullptr) >=
               0;
    }

    bool open(std::shared_ptr<const QByteArray> bytes) {
        m_reader.data = std::move(bytes);
        auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
        if (!buffer)
            return false;
        m_io = avio_alloc_context(buffer, kIoBufferSize, 0, &m_reader, readMemory, nullptr,
                                  seekMemory);
        if (!m_io) {
            av_free(buffer);
            return false;
        }
        m_ctx = avformat_alloc_context();
        if (!m_ctx)
            return false;
        m_ctx->pb = m_io;
        m_ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
        // On failure the context is freed and set to null; the reader stays ours.
        return avformat_open_input(&m_ctx, nullptr, nullptr, nullptr) >= 0;
    }

    AVFormatContext* get() const { return m_ctx; }

private:
    AVFormatContext* m_ctx = nullptr;
    AVIOContext* m_io = nullptr;
    MemoryReader m_reader;
};

struct Packet {
    Packet() : p(av_packet_alloc()) {}
    ~Packet() { av_packet_free(&p); }
    Packet(const Packet&) = delete;
    Packet& operator=(const Packet&) = delete;
    AVPacket* p;
};

int64_t packetTime(const AVPacket* p) {
    return p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
}

// The latest picture time among the packets from `from` (AV_TIME_BASE units) to the end, or
// AV_NOPTS_VALUE when that stretch holds no picture of the stream.
int64_t latestFrom(AVFormatContext* ctx, int stream, int64_t from) {
    const AVRational tb = ctx->streams[stream]->time_base;
    if (av_seek_frame(ctx, stream, av_rescale_q(from, AV_TIME_BASE_Q, tb), AVSEEK_FLAG_BACKWARD) <
        0)
        return AV_NOPTS_VALUE;
    Packet pkt;
    if (!pkt.p)
        return AV_NOPTS_VALUE;
    int64_t latest = AV_NOPTS_VALUE;
    while (av_read_frame(ctx, pkt.p) >= 0) {
        if (pkt.p->stream_index == stream) {
            const int64_t t = packetTime(pkt.p);
            if (t != AV_NOPTS_VALUE && (latest == AV_NOPTS_VALUE || t > latest))
                latest = t;
        }
        av_packet_unref(pkt.p);
    }
    return latest;
}

std::optional<VideoExtent> probe(Input& input) {
    AVFormatContext* ctx = input.get();
    if (!ctx || avformat_find_stream_info(ctx, nullptr) < 0)
        return std::nullopt;
    const int stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return std::nullopt;
    const AVStream* st = ctx->streams[stream];
    if ((st->disposition & AV_DISPOSITION_ATTACHED_PIC) || st->start_time == AV_NOPTS_VALUE ||
        ctx->duration == AV_NOPTS_VALUE || ctx->duration <= 0)
        return std::nullopt;
    const int64_t start = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
    const int64_t end = start + ctx->duration;
    int64_t latest = AV_NOPTS_VALUE;
    // Sound can fill the last seconds alone, so the look goes further back until it meets a
    // picture.
    for (int64_t window = kFirstWindow; latest == AV_NOPTS_VALUE; window *= 4) {
        const int64_t from = std::max(start, end - window);
        latest = latestFrom(ctx, stream, from);
        if (from == start)
            break;
    }
    if (latest == AV_NOPTS_VALUE || latest < st->start_time)
        return std::nullopt;
    return VideoExtent{double(st->start_time) * av_q2d(st->time_base),
                       double(latest) * av_q2d(st->time_base)};
}

} // namespace

std::optional<VideoExtent> probeVideoExtent(const QString& path) {
    Input input;
    if (!input.open(path))
        return std::nullopt;
    return probe(input);
}

std::optional<VideoExtent> probeVideoExtent(std::shared_ptr<const QByteArray> wholeFile) {
    if (!wholeFile)
        return std::nullopt;
    Input input;
    if (!input.open(std::move(wholeFile)))
        return std::nullopt;
    return probe(input);
}

} // namespace korimo
