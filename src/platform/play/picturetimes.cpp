#include "play/picturetimes.h"

#include "play/avinput.h"

#include <algorithm>

namespace korimo {

namespace {

std::optional<std::vector<double>> readTimes(AvInput& input, const std::atomic<bool>& cancel) {
    AVFormatContext* ctx = input.get();
    if (!ctx || avformat_find_stream_info(ctx, nullptr) < 0)
        return std::nullopt;
    const int stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0 || (ctx->streams[stream]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return std::nullopt;
    // The other streams' packets are passed over unread where the container allows.
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (int(i) != stream)
            ctx->streams[i]->discard = AVDISCARD_ALL;
    AvPacket pkt;
    if (!pkt.p)
        return std::nullopt;
    std::vector<int64_t> times;
    int read = 0;
    while ((read = av_read_frame(ctx, pkt.p)) >= 0) {
        // Pictures before an edit's start are decoded by the engine but never shown.
        const bool picture = pkt.p->stream_index == stream && !(pkt.p->flags & AV_PKT_FLAG_DISCARD);
        const int64_t t = packetTime(pkt.p);
        av_packet_unref(pkt.p);
        if (cancel.load(std::memory_order_relaxed))
            return std::nullopt;
        if (!picture)
            continue;
        if (t == AV_NOPTS_VALUE)
            return std::nullopt;
        times.push_back(t);
    }
    if (read != AVERROR_EOF || times.empty())
        return std::nullopt;
    // Packets come in decoding order; pictures are shown in time order, and a picture coded in
    // two fields has one time.
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    const double unit = av_q2d(ctx->streams[stream]->time_base);
    std::vector<double> seconds(times.size());
    for (size_t i = 0; i < times.size(); ++i)
        seconds[i] = double(times[i] - times.front()) * unit;
    return seconds;
}

} // namespace

std::optional<std::vector<double>> probePictureTimes(const QString& path,
                                                     const std::atomic<bool>& cancel) {
    AvInput input;
    if (!input.open(path))
        return std::nullopt;
    return readTimes(input, cancel);
}

std::optional<std::vector<double>> probePictureTimes(std::shared_ptr<const QByteArray> wholeFile,
                                                     const std::atomic<bool>& cancel) {
    if (!wholeFile)
        return std::nullopt;
    AvInput input;
    if (!input.open(std::move(wholeFile)))
        return std::nullopt;
    return readTimes(input, cancel);
}

} // namespace korimo
