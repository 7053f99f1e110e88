// Frame access and frame stepping on clips made with the ffmpeg CLI at start-up: a 1080p clip
// with a short GOP, and 1080p and 2160p H.264 clips with a keyframe every 10 seconds.
#include "play/mpvsession.h"
#include "play/playcontrol.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <mpv/client.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

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

// Long-GOP clips: the steps start in the middle of the first GOP, so every step back has to
// reach back to a keyframe up to five seconds away. Each repetition times one step and the
// repetitions follow each other on one player, so the median is that of ten consecutive steps.
constexpr int kLongGopSteps = 10;
constexpr int kLongGopStart = 125;
std::map<int, QString> g_longGop; // by picture height

struct ConsecutiveSteps {
    std::unique_ptr<PlayControl> play;
    int done = 0;
};

template <bool Back> void BM_LongGopStep(benchmark::State& state) {
    static std::map<int, ConsecutiveSteps> runs;
    ConsecutiveSteps& run = runs[int(state.range(0))];
    if (run.done % kLongGopSteps == 0) {
        run.play = std::make_unique<PlayControl>();
        run.play->setSource(g_longGop[int(state.range(0))]);
        run.play->Pause();
        run.play->setPosition(kLongGopStart);
        run.play->FrameDib(60000);
    }
    ++run.done;
    for (auto _ : state) {
        try {
            if (Back)
                run.play->PreviousFrame();
            else
                run.play->NextFrame();
        } catch (const PlayError& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
    state.counters["frame"] = run.play->Position();
}
BENCHMARK_TEMPLATE(BM_LongGopStep, false)
    ->Name("BM_LongGopNextFrame")
    ->Arg(1080)
    ->Arg(2160)
    ->Iterations(1)
    ->Repetitions(kLongGopSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LongGopStep, true)
    ->Name("BM_LongGopPreviousFrame")
    ->Arg(1080)
    ->Arg(2160)
    ->Iterations(1)
    ->Repetitions(kLongGopSteps)
    ->Unit(benchmark::kMillisecond);

// Prints, after the runs, how many forward steps a step back costs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate)
                m_times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (int height : {1080, 2160})
            for (const char* aggregate : {"median", "mean"}) {
                const double back = time("BM_LongGopPreviousFrame", height, aggregate);
                const double forward = time("BM_LongGopNextFrame", height, aggregate);
                if (back >= 0.0 && forward > 0.0)
                    std::printf("%dp, keyframe every 10 s: %s step back / %s step forward = "
                                "%.3g\n",
                                height, aggregate, aggregate, back / forward);
            }
    }

private:
    double time(const char* name, int height, const char* aggregate) const {
        const auto it = m_times.find(std::string(name) + "/" + std::to_string(height) +
                                     "/iterations:1/repeats:" + std::to_string(kLongGopSteps) +
                                     "_" + aggregate);
        return it == m_times.end() ? -1.0 : it->second;
    }

    std::map<std::string, double> m_times;
};

bool makeClip(const QString& path, const QStringList& args) {
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"), QStringList{"-y", "-v", "error"} + args + QStringList{path});
    return ff.waitForFinished(300000) && ff.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    PlayControl::setAudioDriver("null");

    QTemporaryDir dir;
    g_clip = dir.filePath(QStringLiteral("hd.avi"));
    if (!makeClip(g_clip, {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25:duration=2",
                           "-c:v", "mpeg4", "-q:v", "4", "-g", "12"})) {
        std::fprintf(stderr, "ffmpeg could not make the 1080p clip\n");
        return 1;
    }
    for (const auto& [height, size, rate] :
         {std::tuple{1080, "1920x1080", "12M"}, std::tuple{2160, "3840x2160", "40M"}}) {
        const QString path = dir.filePath(QStringLiteral("gop10s_%1.mp4").arg(height));
        if (!makeClip(path, {"-f", "lavfi", "-i",
                             QStringLiteral("testsrc2=size=%1:rate=25:duration=12").arg(size),
                             "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g",
                             "250", "-keyint_min", "250", "-sc_threshold", "0", "-b:v", rate})) {
            std::fprintf(stderr, "ffmpeg could not make the %dp clip\n", height);
            return 1;
        }
        g_longGop[height] = path;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
