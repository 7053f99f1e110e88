#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstring>

namespace korimo::test {

// One mebibyte of file content that differs with its place in the file and with seed, so a
// file made of pieces of two saves, or with a piece out of place, matches neither.
inline QByteArray patternPiece(int seed, int piece) {
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    for (std::uint64_t i = 0; i < std::uint64_t(bytes.size()) / 8; ++i) {
        const std::uint64_t word = (std::uint64_t(seed) << 48) | (std::uint64_t(piece) << 24) | i;
        std::memcpy(bytes.data() + i * 8, &word, 8);
    }
    return bytes;
}

inline QByteArray pattern(int seed, int mebibytes) {
    QByteArray all;
    all.reserve(qsizetype(mebibytes) << 20);
    for (int piece = 0; piece < mebibytes; ++piece)
        all += patternPiece(seed, piece);
    return all;
}

} // namespace korimo::test
