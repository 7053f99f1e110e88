#include "forms/desktop.h"
#include "forms/form.h"
#include "forms/runtime.h"
#include "support/modalanswerer.h"
#include "support/waiting.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korimo;

namespace {
class ProbeForm : public Form {
public:
    explicit ProbeForm(const QString& name) : Form(name) { setDeleteOnUnload(false); }
    int loads = 0, queries = 0, unloads = 0;
    bool cancelQuery = false;
    int lastMode = -1;
    std::function<void()> onLoad;

protected:
    void Form_Load() override {
        ++loads;
        if (onLoad)
            onLoad();
    }
    void Form_QueryUnload(int& Cancel, int mode) override {
        ++queries;
        lastMode = mode;
        if (cancelQuery)
            Cancel = 1;
    }
    void Form_Unload(int&) override { ++unloads; }
};
} // namespace

TEST(FormRuntime, LoadRunsOnceAndRegisters) {
    ProbeForm f(QStringLiteral("Probe"));
    EXPECT_FALSE(Form::Forms().contains(&f));
    f.Load();
    f.Load();
    EXPECT_EQ(f.loads, 1);
    EXPECT_TRUE(Form::Forms().contains(&f));
    EXPECT_EQ(Form::Loaded(QStringLiteral("Probe")), &f);
    EXPECT_TRUE(f.Unload());
    EXPECT_FALSE(Form::Forms().contains(&f));
    EXPECT_EQ(Form::Loaded(QStringLiteral("Probe")), nullptr);
    EXPECT_EQ(f.queries, 1);
    EXPECT_EQ(f.unloads, 1);
}

TEST(FormRuntime, CancelledQueryKeepsTheFormLoaded) {
    ProbeForm f(QStringLiteral("Probe"));
    f.Load();
    f.cancelQuery = true;
    EXPECT_FALSE(f.Unload());
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_EQ(f.unloads, 0);
    f.cancelQuery = false;
    EXPECT_TRUE(f.Unload());
}

TEST(FormRuntime, WindowManagerCloseRunsTheUnload) {
    ProbeForm f(QStringLiteral("Probe"));
    f.Show();
    EXPECT_TRUE(f.isVisible());
    f.close();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.lastMode, Form::FormControlMenu);
}

TEST(FormRuntime, ModalShowReturnsWhenAnsweredIncludingNested) {
    ProbeForm outer(QStringLiteral("Outer"));
    ProbeForm inner(QStringLiteral("Inner"));
    bool innerShown = false;
    outer.onLoad = [&] {
        // The outer form opens a nested modal window once it is up.
        QTimer::singleShot(30, [&] {
            innerShown = true;
            inner.Show(1, &outer);
        });
    };
    test::ModalAnswerer answerer([&](QWidget* w) {
        // Close the inner window first; the outer one only once the inner is gone.
        if (w == &outer && !innerShown)
            return;
        if (auto* f = qobject_cast<Form*>(w))
            f->Unload();
    });
    outer.Show(1);
    EXPECT_TRUE(innerShown);
    EXPECT_FALSE(inner.IsLoaded());
    EXPECT_FALSE(outer.IsLoaded());
    EXPECT_GE(answerer.answered(), 2);
}

TEST(FormRuntime, UnloadedFormDeletesItselfByDefault) {
    QPointer<Form> f = new Form(QStringLiteral("Temp"));
    f->Load();
    f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.isNull());
}

TEST(FormRuntime, AFormUnloadedWhileAHandlerLetsEventsRunOutlivesThatHandler) {
    QPointer<Form> f = new Form(QStringLiteral("Temp"));
    f->Show();
    // The close arrives while a handler lets events run, as a click on the close box might; the
    // handler lets them run once more before it goes on.
    QCoreApplication::postEvent(f, new QCloseEvent);
    DoEvents();
    DoEvents();
    ASSERT_FALSE(f.isNull()) << "deleted under the waiting handler";
    EXPECT_FALSE(f->IsLoaded());
    EXPECT_FALSE(f->isVisible());
    // Back in the loop, it goes.
    EXPECT_TRUE(test::waitFor([&] { return f.isNull(); }));

    // A form shown again before that stays.
    QPointer<Form> g = new Form(QStringLiteral("Temp"));
    g->Show();
    QCoreApplication::postEvent(g, new QCloseEvent);
    DoEvents();
    ASSERT_FALSE(g.isNull());
    g->Show();
    // A timer due later than the form's pending removal has fired, so that removal was tried.
    bool later = false;
    QTimer::singleShot(200, [&] { later = true; });
    ASSERT_TRUE(test::waitFor([&] { return later; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(g.isNull());
    EXPECT_TRUE(g->IsLoaded());
    g->Unload();
}

TEST(FormRuntime, CentredFormsOpenOverTheirOwnerOrTheScreen) {
    QWidget owner;
    owner.setGeometry(100, 80, 600, 400);
    owner.show();
    for (QWidget* o : {&owner, static_cast<QWidget*>(nullptr)}) {
        ProbeForm f(QStringLiteral("Probe"));
        f.resize(200, 100);
        f.setCentreOnOwner(true);
        f.Show(0, o);
        const QRect area =
            o ? owner.frameGeometry() : QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE((f.geometry().center() - area.center()).manhattanLength(), 2) << (o != nullptr);
        f.Unload();
    }
}

TEST(FormRuntime, TwipsConvertAtFifteenAPixel) {
    EXPECT_EQ(twipsToPixels(10755), 717);
    EXPECT_EQ(twipsToPixels(7170), 478);
    EXPECT_EQ(twipsToPixels(22), 1);
    EXPECT_EQ(twipsToPixels(23), 2);
    EXPECT_EQ(twipsRect(960, 5730, 415, 315), QRect(64, 382, 28, 21));
}

TEST(FormRuntime, SkipOnErrorSwallowsAndReports) {
    int after = 0;
    EXPECT_FALSE(skipOnError([] { throw StepError("no"); }));
    EXPECT_FALSE(skipOnError([] { throw 42; }));
    EXPECT_TRUE(skipOnError([&] { ++after; }));
    EXPECT_EQ(after, 1);
}

TEST(FormRuntime, ScreenPointerFollowsTheDesignedCodes) {
    setScreenMousePointer(11);
    EXPECT_EQ(screenMousePointer(), 11);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    setScreenMousePointer(13);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    setScreenMousePointer(0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(screenMousePointer(), 0);
}

TEST(KeptInside, AFramePastAnEdgeMovesTheLeastBackAndOneLargerThanTheAreaSitsAtItsTopLeft) {
    const QRect area(0, 20, 1280, 1004);
    const QRect inside(100, 100, 500, 200);
    EXPECT_EQ(desktop::keptInside(inside, area), inside);
    // Past the right and the bottom edge: back just inside, the size kept.
    EXPECT_EQ(desktop::keptInside(QRect(1000, 900, 500, 200), area), QRect(780, 824, 500, 200));
    // Past the left and the top edge.
    EXPECT_EQ(desktop::keptInside(QRect(-60, 0, 500, 200), area), QRect(0, 20, 500, 200));
    // Wider and taller than the area: its title and left edge stay in reach.
    EXPECT_EQ(desktop::keptInside(QRect(300, 300, 1400, 1100), area), QRect(0, 20, 1400, 1100));
    // No area known: left as it is.
    EXPECT_EQ(desktop::keptInside(inside, QRect()), inside);
}
