#include "play/videoextent.h"

#include "play/avinput.h"

#include <algorithm>

namespace korimo {

namespace {

// The first look at the end goes back this far; each miss looks four times further.
constexpr int64_t kFirstWindow = 2 * int64_t(AV_TIME_BASE);

// The latest picture time among the packets from `from` (AV_TIME_BASE units) to the end, or
// AV_NOPTS_VALUE when that stretch holds no picture of the stream.
int64_t latestFrom(AVFormatContext* ctx, int stream, int64_t from) {
    const AVRational tb = ctx->streams[stream]->time_base;
    if (av_seek_frame(ctx, stream, av_rescale_q(from, AV_TIME_BASE_Q, tb), AVSEEK_FLAG_BACKWARD) <
        0)
        return AV_NOPTS_VALUE;
    AvPacket pkt;
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

std::optional<VideoExtent> probe(AvInput& input) {
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
                       double(latest) * av_q2d(st->time_base),
                       av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0};
}

} // namespace

std::optional<VideoExtent> probeVideoExtent(const QString& path) {
    AvInput input;
    if (!input.open(path))
        return std::nullopt;
    return probe(input);
}

std::optional<VideoExtent> probeVideoExtent(std::shared_ptr<const QByteArray> wholeFile) {
    if (!wholeFile)
        return std::nullopt;
    AvInput input;
    if (!input.open(std::move(wholeFile)))
        return std::nullopt;
    return probe(input);
}

} // namespace korimo
