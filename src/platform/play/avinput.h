#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace korimo {

// A file or a whole file in memory opened with libavformat, for the looks at a video's packets
// that are taken beside the engine.
class AvInput {
public:
    AvInput() = default;
    AvInput(const AvInput&) = delete;
    AvInput& operator=(const AvInput&) = delete;
    ~AvInput();

    bool open(const QString& path);
    bool open(std::shared_ptr<const QByteArray> bytes);

    AVFormatContext* get() const { return m_ctx; }

    struct MemoryReader {
        std::shared_ptr<const QByteArray> data;
        int64_t pos = 0;
    };

private:
    AVFormatContext* m_ctx = nullptr;
    AVIOContext* m_io = nullptr;
    MemoryReader m_reader;
};

struct AvPacket {
    AvPacket() : p(av_packet_alloc()) {}
    ~AvPacket() { av_packet_free(&p); }
    AvPacket(const AvPacket&) = delete;
    AvPacket& operator=(const AvPacket&) = delete;
    AVPacket* p;
};

inline int64_t packetTime(const AVPacket* p) {
    return p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
}

} // namespace korimo
