#include "app/vidbas_video.h"

#include "app/vidbas.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <cerrno>
#include <memory>
#include <new>

namespace VidBAS {

namespace {
// A memory source is one buffer; the design's block sizes were 32-bit.
constexpr qint64 kMaxMemorySource = 0xFFFFFFFFLL;
} // namespace

void LoadVideoToMemory(korimo::PlayControl& player) {
    korimo::skipOnError([&] { FreeVideoSource(player); });
    QFile file(g_LoadPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qint64 size = file.size();
    if (size < 0)
        return;
    if (size > kMaxMemorySource) {
        // Too large to hold: play it from the file rather than not at all.
        file.close();
        korimo::skipOnError([&] { player.setSource(g_LoadPath); });
        return;
    }
    std::shared_ptr<QByteArray> block;
    try {
        block = std::make_shared<QByteArray>();
        block->resize(static_cast<qsizetype>(size));
    } catch (const std::bad_alloc&) {
        return;
    }
    errno = 0;
    const qint64 got = file.read(block->data(), size);
    if (got == size) {
        file.close();
        korimo::skipOnError([&] { player.setSourceHandle(std::move(block)); });
        return;
    }
    const int error = errno != 0 ? errno : EIO;
    korimo::messageBox(QApplication::activeWindow(), QMessageBox::NoIcon,
                       QApplication::applicationName(), QString::number(error), QMessageBox::Ok);
}

void FreeVideoSource(korimo::PlayControl& player) {
    korimo::skipOnError([&] { player.Stop(); });
    korimo::skipOnError([&] {
        switch (player.SourceKind()) {
        case 1:
        case 3:
            player.ResetSource();
            break;
        case 2: {
            // Held until the player lets go of it, then released with the last reference.
            auto handle = player.SourceHandle();
            player.ResetSource();
            handle.reset();
            break;
        }
        default:
            break;
        }
    });
}

} // namespace VidBAS
