// Frame access and frame stepping on clips made with the ffmpeg CLI at start-up: a 1080p clip
// with a short GOP, and 1080p and 2160p H.264 clips with a keyframe every 10 seconds; and the
// picture times of a 10-minute file made on first use.
#include "play/mpvsession.h"
#include "play/picturetimes.h"
#include "play/playcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <mpv/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
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

// Long-GOP clips with a keyframe every 10 seconds (250 frames). Steps run in series on one
// player, from the middle of the first interval and from 9.6 s into it, where a step back has to
// decode from a keyframe 240 frames behind. Most steps back show a kept picture and a few wait
// for the engine, so every step is timed and the series reports the mean and the maximum, in
// wall time and in the process's CPU time (the engine's threads included), which a busy machine
// disturbs less.
constexpr int kLongGopSteps = 100;
std::map<int, QString> g_longGop; // by picture height

struct StepFigures {
    double mean = 0.0;
    double max = 0.0;
    double cpuMean = 0.0;
    double cpuMax = 0.0;
};
std::map<std::tuple<int, int, bool>, StepFigures> g_steps; // by height, start frame, back

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void BM_LongGopSteps(benchmark::State& state) {
    const int height = int(state.range(0));
    const int from = int(state.range(1));
    const bool back = state.range(2) != 0;
    PlayControl play;
    play.setSource(g_longGop[height]);
    play.Pause();
    play.setPosition(from);
    play.FrameDib(60000);
    StepFigures f;
    int steps = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        const double cpu0 = processCpuMs();
        wall.start();
        try {
            if (back)
                play.PreviousFrame();
            else
                play.NextFrame();
        } catch (const PlayError& e) {
            state.SkipWithError(e.what());
            break;
        }
        const double ms = double(wall.nsecsElapsed()) / 1e6;
        const double cpu = processCpuMs() - cpu0;
        state.SetIterationTime(ms / 1e3);
        f.mean += ms;
        f.max = std::max(f.max, ms);
        f.cpuMean += cpu;
        f.cpuMax = std::max(f.cpuMax, cpu);
        ++steps;
    }
    if (steps == 0)
        return;
    const int expected = from + (back ? -steps : steps);
    if (play.Position() != expected) {
        state.SkipWithError("the steps did not land one frame apart");
        return;
    }
    f.mean /= steps;
    f.cpuMean /= steps;
    state.counters["mean_ms"] = f.mean;
    state.counters["max_ms"] = f.max;
    state.counters["cpu_mean_ms"] = f.cpuMean;
    state.counters["cpu_max_ms"] = f.cpuMax;
    g_steps[{height, from, back}] = f;
}
BENCHMARK(BM_LongGopSteps)
    ->ArgNames({"height", "from", "back"})
    ->ArgsProduct({{1080, 2160}, {125, 240}, {0, 1}})
    ->Iterations(kLongGopSteps)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// How many forward steps a step back costs, from the same frame of the same clip.
void printRatios() {
    for (const auto& [key, backward] : g_steps) {
        const auto& [height, from, back] = key;
        const auto forward = g_steps.find({height, from, false});
        if (!back || forward == g_steps.end() || !(forward->second.mean > 0.0))
            continue;
        const StepFigures& f = forward->second;
        std::printf("%dp from frame %d (keyframe every 10 s): step back mean %.1f ms, max %.0f ms; "
                    "step forward mean %.1f ms, max %.0f ms; back / forward: mean %.2f, CPU mean "
                    "%.2f\n",
                    height, from, backward.mean, backward.max, f.mean, f.max,
                    backward.mean / f.mean, f.cpuMean > 0.0 ? backward.cpuMean / f.cpuMean : 0.0);
    }
}

bool makeClip(const QString& path, const QStringList& args) {
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"), QStringList{"-y", "-v", "error"} + args + QStringList{path});
    return ff.waitForFinished(1200000) && ff.exitCode() == 0;
}

// The picture times of a 10-minute 1080p H.264 file with sound, beside the floor they should
// approach: one read of the same file. Both read it from the page cache once it has been made.
QTemporaryDir* g_dir = nullptr;

const QString& longFile() {
    static const QString path = [] {
        const QString p = g_dir->filePath(QStringLiteral("ten_minutes.mp4"));
        return makeClip(p, {"-f",       "lavfi",
                            "-i",       "testsrc2=size=1920x1080:rate=25:duration=600",
                            "-f",       "lavfi",
                            "-i",       "sine=frequency=440:duration=600",
                            "-c:v",     "libx264",
                            "-preset",  "ultrafast",
                            "-pix_fmt", "yuv420p",
                            "-b:v",     "6M",
                            "-g",       "50",
                            "-c:a",     "aac",
                            "-b:a",     "128k"})
                   ? p
                   : QString();
    }();
    return path;
}

void BM_ReadFileOnce(benchmark::State& state) {
    if (longFile().isEmpty()) {
        state.SkipWithError("ffmpeg could not make the 10-minute file");
        return;
    }
    std::vector<char> buffer(size_t(1) << 20);
    qint64 total = 0;
    for (auto _ : state) {
        QFile f(longFile());
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        total = 0;
        for (qint64 n; (n = f.read(buffer.data(), qint64(buffer.size()))) > 0;)
            total += n;
    }
    state.counters["MB"] = double(total) / 1e6;
}
BENCHMARK(BM_ReadFileOnce)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PictureTimes(benchmark::State& state) {
    if (longFile().isEmpty()) {
        state.SkipWithError("ffmpeg could not make the 10-minute file");
        return;
    }
    const std::atomic<bool> cancel{false};
    size_t pictures = 0;
    for (auto _ : state) {
        const auto times = korimo::probePictureTimes(longFile(), cancel);
        if (!times) {
            state.SkipWithError("no picture times");
            break;
        }
        pictures = times->size();
    }
    state.counters["pictures"] = double(pictures);
}
BENCHMARK(BM_PictureTimes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each run's mean time, for the ratio of the index to the read.
class TimeKeeper : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (!r.error_occurred)
                m_ms[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto read = m_ms.find("BM_ReadFileOnce/min_time:2.000");
        const auto index = m_ms.find("BM_PictureTimes/min_time:2.000");
        if (read != m_ms.end() && index != m_ms.end() && read->second > 0.0)
            std::printf("10-minute 1080p file: picture times %.1f ms, one read %.1f ms, "
                        "ratio %.2f\n",
                        index->second, read->second, index->second / read->second);
    }

private:
    std::map<std::string, double> m_ms;
};

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
                             QStringLiteral("testsrc2=size=%1:rate=25:duration=16").arg(size),
                             "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g",
                             "250", "-keyint_min", "250", "-sc_threshold", "0", "-b:v", rate})) {
            std::fprintf(stderr, "ffmpeg could not make the %dp clip\n", height);
            return 1;
        }
        g_longGop[height] = path;
    }
    g_dir = &dir;
    TimeKeeper reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios();
    benchmark::Shutdown();
    return 0;
}
