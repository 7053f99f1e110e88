#include "play/avinput.h"

#include <QFile>

extern "C" {
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>

namespace korimo {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

int readMemory(void* opaque, uint8_t* buf, int size) {
    auto* r = static_cast<AvInput::MemoryReader*>(opaque);
    const int64_t n = std::min<int64_t>(size, r->data->size() - r->pos);
    if (n <= 0)
        return AVERROR_EOF;
    std::memcpy(buf, r->data->constData() + r->pos, size_t(n));
    r->pos += n;
    return int(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* r = static_cast<AvInput::MemoryReader*>(opaque);
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

} // namespace

AvInput::~AvInput() {
    avformat_close_input(&m_ctx);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

bool AvInput::open(const QString& path) {
    return avformat_open_input(&m_ctx, QFile::encodeName(path).constData(), nullptr, nullptr) >= 0;
}

bool AvInput::open(std::shared_ptr<const QByteArray> bytes) {
    m_reader.data = std::move(bytes);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return false;
    m_io = avio_alloc_context(buffer, kIoBufferSize, 0, &m_reader, readMemory, nullptr, seekMemory);
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

} // namespace korimo
