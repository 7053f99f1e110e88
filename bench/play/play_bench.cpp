// Frame access and frame stepping on a 1080p clip made with the ffmpeg CLI at start-up.
#include "play/mpvsession.h"
#include "play/playcontrol.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <mpv/client.h>

#include <cstdio>
#include <memory>

using korimo::PlayControl;
using korimo::PlayError;

namespace {

QString g_clip;

std::unique_ptr<PlayControl> openPaused() {
    auto play = std::make_unique<PlayControl>();
    play->setSource(g_clip);
    play->Pause();
    play->SeekStart();
    play->FrameDib(5000);
    return play;
}

// The floor: mpv's own raw screenshot of the shown frame, nothing converted.
void BM_ScreenshotRaw(benchmark::State& state) {
    auto play = openPaused();
    mpv_handle* h = play->session()->handle();
    const char* cmd[] = {"screenshot-raw", "video", nullptr};
    for (auto _ : state) {
        mpv_node result;
        if (mpv_command_ret(h, cmd, &result) < 0) {
            state.SkipWithError("screenshot-raw failed");
            break;
        }
        benchmark::DoNotOptimize(result.u.list);
        mpv_free_node_contents(&result);
    }
}
BENCHMARK(BM_ScreenshotRaw)->Unit(benchmark::kMillisecond);

void BM_FrameDib(benchmark::State& state) {
    auto play = openPaused();
    for (auto _ : state) {
        const QByteArray dib = play->FrameDib(5000);
        benchmark::DoNotOptimize(dib.constData());
    }
}
BENCHMARK(BM_FrameDib)->Unit(benchmark::kMillisecond);

void BM_NextFrame(benchmark::State& state) {
    auto play = openPaused();
    for (auto _ : state) {
        try {
            play->NextFrame();
        } catch (const PlayError&) {
            state.PauseTiming();
            play->SeekStart();
            play->FrameDib(5000);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_NextFrame)->Unit(benchmark::kMillisecond);

void BM_PreviousFrame(benchmark::State& state) {
    auto play = openPaused();
    play->SeekEnd();
    play->FrameDib(5000);
    for (auto _ : state) {
        try {
            play->PreviousFrame();
        } catch (const PlayError&) {
            state.PauseTiming();
            play->SeekEnd();
            play->FrameDib(5000);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_PreviousFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    PlayControl::setAudioDriver("null");

    QTemporaryDir dir;
    g_clip = dir.filePath(QStringLiteral("hd.avi"));
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"), {"-y", "-v", "error", "-f", "lavfi", "-i",
                                        "testsrc2=size=1920x1080:rate=25:duration=2", "-c:v",
                                        "mpeg4", "-q:v", "4", "-g", "12", g_clip});
    if (!ff.waitForFinished(120000) || ff.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the 1080p clip\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
