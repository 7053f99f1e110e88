// A program that saves one file the way Korimo does, for tests that need a real process to
// kill or to run under limits. It leaves every signal as it found it.
//
//   korimo_safefile_child [--no-unnamed] bytes <file> <MiB> <seed> [pause|new]
//       replaces file with MiB of patternPiece(seed, ...) through SafeFile; with pause it says
//       "half" once half is written and waits for a line on its input before going on; with
//       new it saves under the name only if no file stands there, as automatic names are saved
//   korimo_safefile_child [--no-unnamed] image <file>
//       saves a 400 x 300 picture to file as a 24-bit bitmap
//
// It prints "saved" (or "taken" when new found the name taken) and ends with 0, or prints
// "error: " and the error and ends with 1.

#include "files/safefile.h"
#include "imaging/imgctl.h"
#include "imaging/savefile.h"

#include "pattern.h"
#include "syscallfaults.h"

#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

using namespace korimo;

namespace {

bool saveBytes(const QString& file, int mebibytes, int seed, const char* how) {
    const bool pause = std::strcmp(how, "pause") == 0, newOnly = std::strcmp(how, "new") == 0;
    SafeFile out(file, newOnly ? SafeFile::NewOnly : SafeFile::Replace);
    for (int piece = 0; piece < mebibytes; ++piece) {
        if (pause && piece == mebibytes / 2) {
            std::printf("half\n");
            std::fflush(stdout);
            char line[16];
            if (!std::fgets(line, sizeof line, stdin))
                throw std::runtime_error("the input closed before the save went on");
        }
        const QByteArray bytes = test::patternPiece(seed, piece);
        out.write(bytes.constData(), std::size_t(bytes.size()));
    }
    if (newOnly)
        return out.commitAs(file);
    out.commit();
    return true;
}

void saveImage(const QString& file) {
    Image image(400, 300);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.row(y)[x] = 0xff000000u | std::uint32_t(x * 7 ^ y * 13) << 8 | std::uint32_t(y);
    saveImageFile(image, file, 6, 24, 0);
}

} // namespace

int main(int argc, char** argv) {
    int arg = 1;
    std::unique_ptr<test::ArmedFault> noUnnamed;
    const bool fallback = arg < argc && std::strcmp(argv[arg], "--no-unnamed") == 0;
    if (fallback)
        ++arg;
    if (argc - arg < 2)
        return 2;
    const std::string command = argv[arg];
    const QString file = QString::fromLocal8Bit(argv[arg + 1]);
    if (fallback)
        noUnnamed = std::make_unique<test::ArmedFault>(test::SysFault::NoUnnamedFiles,
                                                       QFileInfo(file).absolutePath());
    try {
        if (command == "bytes" && argc - arg >= 4) {
            if (!saveBytes(file, std::atoi(argv[arg + 2]), std::atoi(argv[arg + 3]),
                           argc - arg >= 5 ? argv[arg + 4] : "")) {
                std::printf("taken\n");
                return 0;
            }
        } else if (command == "image") {
            saveImage(file);
        } else {
            return 2;
        }
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
    std::printf("saved\n");
    return 0;
}
