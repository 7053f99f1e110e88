#include "play/stepping.h"

#include "play/mpvsession.h"
#include "play/playcontrol.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <unistd.h>

// Frame steps, and the pictures kept from steps back.

namespace korimo {

namespace {

// Pictures kept for steps back: as many as fit a sixteenth of the machine's memory, within
// these bounds. More make the steps that wait for the engine rarer, but each of those waits
// longer, as it keeps them all.
constexpr int kMemoryShare = 16;
constexpr qint64 kFallbackBudget = qint64(256) << 20;
constexpr int kMinBackFrames = 2;
constexpr int kMaxBackFrames = 64;

constexpr int kBusyPointerMs = 150;
BusyPointer* g_innermostBusy = nullptr;

qint64 backFrameBudget() {
    static const qint64 budget = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / kMemoryShare
                                         : kFallbackBudget;
    }();
    return budget;
}

} // namespace

BusyPointer::BusyPointer() : m_outer(g_innermostBusy) {
    g_innermostBusy = this;
    m_clock.start();
}

BusyPointer::~BusyPointer() {
    g_innermostBusy = m_outer;
    if (m_shown && QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void BusyPointer::tick() {
    if (m_outer) {
        m_outer->tick();
        return;
    }
    if (m_shown || m_clock.elapsed() < kBusyPointerMs ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    m_shown = true;
}

// Pauses for a step and lets any seek land first; returns the time the step starts from.
double PlayControl::beginStep() {
    requireVideo();
    if (m_state == 3) {
        applyEndLimit(false);
        setProp("pause", "yes");
    }
    m_state = 2;
    disableAudio();
    awaitSeek();
    return timePosNow();
}

void PlayControl::NextFrame() {
    const BusyPointer busy;
    if (showingKept()) {
        // Up through the kept pictures; past the last one the engine's own picture is next.
        if (++m_shownKept >= int(m_kept.size()))
            m_shownKept = -1;
        shownChanged();
        return;
    }
    const double before = beginStep();
    if (m_eof || (m_knownLastFrame >= 0.0 && before >= m_knownLastFrame - kTimeEpsilon))
        throw PlayError(kPlayErrNoFrame);
    dropKept();
    // The step plays one frame in real time; run fast so a slow clip does not hold the window.
    setProp("speed", "16");
    const auto speed =
        qScopeGuard([this] { setProp("speed", QByteArray::number(m_rate, 'g', 10)); });
    const double after = frameStepFrom(before);
    if (std::abs(after - before) <= kTimeEpsilon) {
        // The engine answered without a new picture: the end of the file.
        m_knownLastFrame = before;
        throw PlayError(kPlayErrNoFrame);
    }
    reportPosition();
}

void PlayControl::PreviousFrame() {
    const BusyPointer busy;
    if (showingKept() && m_shownKept > 0) {
        --m_shownKept;
        shownChanged();
        return;
    }
    const double shown = showingKept() ? m_kept.front().time : beginStep();
    // Only the first picture's own time rules a step out: the frame rate is an average, and
    // where it varies the second picture can come sooner than half a frame after the first.
    if (shown <= m_t0 + kTimeEpsilon)
        throw PlayError(kPlayErrNoFrame);
    if (!showingKept() && !m_kept.empty() && std::abs(m_keptUpTo - shown) <= kTimeEpsilon) {
        m_shownKept = int(m_kept.size()) - 1;
        shownChanged();
        return;
    }
    keepFramesBefore(shown);
}

// A step back makes the engine decode from the keyframe before the frame asked for, which on
// long-GOP video is most of a GOP for every step. So one such seek lands a few frames further
// back, and the engine steps forward from there to the frame shown now, keeping each picture it
// passes: the steps back that follow show those, until the engine is needed again.
void PlayControl::keepFramesBefore(double target) {
    const int capacity = keptCapacity();
    // The pictures passed on the way are not shown; the window keeps the one it has, which the
    // engine's last rendered picture is not when a kept one is shown.
    m_heldPicture = showingKept() ? m_kept[size_t(m_shownKept)].image : m_session->lastFrame();
    m_filling = true;
    m_fillingFrom = target;
    dropKept();
    m_session->setRenderSize({});
    const auto finish = qScopeGuard([this] {
        m_filling = false;
        // Without a kept picture to show, the held one stays until the engine draws its own.
        if (showingKept())
            m_heldPicture = QImage();
        setProp("speed", QByteArray::number(m_rate, 'g', 10));
        updateRenderTarget();
        update();
    });
    seekExact(frameTime(std::max(0, frameAt(target) - capacity)));
    awaitSeek();
    double at = timePosNow();
    m_timePos = at;
    std::vector<KeptFrame> frames;
    if (at < target - kTimeEpsilon) {
        // As fast as the engine goes: each step otherwise waits out part of a frame's time.
        setProp("speed", "100");
        while (at < target - kTimeEpsilon) {
            // The engine takes its next step while this picture is converted; it answers the
            // screenshot first, as its commands run in the order given.
            const uint64_t shot = requestScreenshot(FrameForm::Kept);
            const auto unwanted = qScopeGuard([this, shot] {
                m_wanted.erase(shot);
                m_replies.erase(shot);
            });
            const double next = frameStepFrom(at);
            frames.push_back({at, takeScreenshot(shot, kEngineWaitMs).image});
            if (int(frames.size()) > capacity)
                frames.erase(frames.begin());
            if (next <= at + kTimeEpsilon)
                break;
            at = next;
        }
    }
    if (std::abs(at - target) > kTimeEpsilon) {
        // Uneven picture times can make the seek or a step miss the frame the step began on.
        seekExact(target);
        awaitSeek();
        at = timePosNow();
        m_timePos = at;
    }
    m_eof = false;
    m_filling = false;
    if (frames.empty() || std::abs(at - target) > kTimeEpsilon) {
        engineBackStep(at);
        return;
    }
    m_kept = std::move(frames);
    m_keptUpTo = at;
    m_shownKept = int(m_kept.size()) - 1;
    shownChanged();
}

// The engine's own step back, for where no picture could be kept on the way.
void PlayControl::engineBackStep(double before) {
    const int restarts = m_restarts;
    commandAsync({"frame-back-step"});
    if (!waitFor([&] { return m_restarts > restarts; }, kEngineWaitMs))
        engineHung();
    const double after = timePosNow();
    m_timePos = after;
    if (after >= before - kTimeEpsilon)
        throw PlayError(kPlayErrNoFrame);
    m_eof = false;
    reportPosition();
}

// One frame on at the speed set, waiting for the engine's answer: the next picture or the end
// of the file. Returns the time then shown.
double PlayControl::frameStepFrom(double before) {
    commandAsync({"frame-step"});
    if (!waitFor([&] { return m_eof || std::abs(m_timePos - before) > kTimeEpsilon; },
                 kEngineWaitMs))
        engineHung();
    const double after = timePosNow();
    m_timePos = after;
    return after;
}

// Lets the seek asked for land; an engine that never answers fails the step.
void PlayControl::awaitSeek() {
    if (!waitFor([this] { return !m_seeking; }, kEngineWaitMs))
        engineHung();
}

void PlayControl::engineHung() {
    dropKept();
    m_pendingSeekFrame = -1;
    throw PlayError(kPlayErrTimeout);
}

int PlayControl::keptCapacity() const {
    const QSize size = m_videoSize.isEmpty() ? QSize(1920, 1080) : m_videoSize;
    // Kept three bytes a pixel, each row filled out to four bytes.
    const qint64 bytes =
        std::max<qint64>(1, qint64((size.width() * 3 + 3) & ~3) * std::max(1, size.height()));
    return int(std::clamp<qint64>(backFrameBudget() / bytes, kMinBackFrames, kMaxBackFrames));
}

// While pictures are being kept, the window still shows the one the step began on.
double PlayControl::shownTime() const {
    return m_filling ? m_fillingFrom : showingKept() ? m_kept[size_t(m_shownKept)].time : m_timePos;
}

void PlayControl::shownChanged() {
    update();
    reportPosition();
}

void PlayControl::dropKept() {
    if (m_kept.empty() && m_shownKept < 0)
        return;
    m_kept.clear();
    m_kept.shrink_to_fit();
    m_shownKept = -1;
    m_keptUpTo = -1.0;
    update();
}

} // namespace korimo
