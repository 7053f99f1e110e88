#include "app/errfrm.h"
#include "app/vidbas.h"
#include "controls/xpcheckbox.h"
#include "controls/xpglyphs.h"
#include "controls/xpradiobutton.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/xserver.h"
#include "widgets/elastic.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace korimo;
using korimo::test::ModalAnswerer;

namespace {

void hover(QWidget* w, QPoint pos) {
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class ErrFrmTest : public ::testing::Test {
protected:
    void SetUp() override {
        VidBAS::ResetState();
        VidBAS::g_ShowPlayErrors = true;
        owner.resize(640, 480);
        owner.show();
    }

    // Shows one message and answers the window with the given action; returns what the window
    // looked like while it was open.
    struct Seen {
        QString title, message;
        bool boxOffered = false;
        bool boxTicked = false;
        QWidget* parent = nullptr;
        QRect geometry;
    };
    Seen show(const QString& title, const QString& message, bool playerError,
              const std::function<void(ErrFrm*)>& answer) {
        Seen seen;
        ModalAnswerer answerer([&](QWidget* w) {
            auto* frm = qobject_cast<ErrFrm*>(w);
            ASSERT_NE(frm, nullptr);
            seen.title = frm->ErrTitle->text();
            seen.message = frm->Label1->text();
            seen.boxOffered = frm->check1->isVisible() && frm->Label2->isVisible();
            seen.parent = frm->parentWidget();
            seen.geometry = frm->frameGeometry();
            answer(frm);
            seen.boxTicked = frm->check1->Value() == 1;
        });
        ShowMessage(&owner, title, message, playerError);
        EXPECT_EQ(answerer.answered(), 1);
        return seen;
    }

    static void tickAndClose(ErrFrm* f) {
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        f->LblEnd_Click();
    }
    static void clickX(ErrFrm* f) {
        QTest::mouseClick(f->LblEnd, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    }

    QWidget owner;
};

} // namespace

TEST_F(ErrFrmTest, HandsTitleAndMessageOverAndShowsModallyOverTheOwner) {
    const Seen s = show(QStringLiteral("Error!"),
                        QStringLiteral("Error saving captured video frame."), false, clickX);
    EXPECT_EQ(s.title, QStringLiteral("Error!"));
    EXPECT_EQ(s.message, QStringLiteral("Error saving captured video frame."));
    EXPECT_EQ(s.parent, &owner);
    EXPECT_LE((s.geometry.center() - owner.frameGeometry().center()).manhattanLength(), 2);
    EXPECT_EQ(VidBAS::g_ErrText, QStringLiteral("Error saving captured video frame."))
        << "the hand-over keeps the last message";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ErrFrmTest, TickedBoxHidesPlayerErrorsForTheRestOfTheRun) {
    const Seen first = show(QStringLiteral("Error Abort"), playErrorMessage(QStringLiteral("5")),
                            true, tickAndClose);
    EXPECT_TRUE(first.boxOffered);
    EXPECT_TRUE(first.boxTicked);
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
    EXPECT_FALSE(VidBAS::g_OfferDontShow);

    // Another message in between neither offers the box nor turns player errors back on.
    const Seen other =
        show(QStringLiteral("Clipboard Error!"), QStringLiteral("Error copying."), false, clickX);
    EXPECT_FALSE(other.boxOffered);
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
}

TEST_F(ErrFrmTest, UntickedBoxKeepsPlayerErrorsAndEachWindowStartsUnticked) {
    // Ticking, then unticking again, leaves them on.
    const Seen s = show(QStringLiteral("Error Abort"), QStringLiteral("b"), true, [](ErrFrm* f) {
        EXPECT_EQ(f->check1->Value(), 0);
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        f->LblEnd_Click();
    });
    EXPECT_TRUE(s.boxOffered);
    EXPECT_TRUE(VidBAS::g_ShowPlayErrors);
}

TEST_F(ErrFrmTest, OtherMessagesHideTheBoxAndLeaveTheSwitchAlone) {
    VidBAS::g_ShowPlayErrors = false;
    const Seen s = show(QStringLiteral("Error!"), QStringLiteral("x"), false, [](ErrFrm* f) {
        // Even a ticked (hidden) box does not count when it was not offered.
        f->check1->setValue(1);
        f->LblEnd_Click();
    });
    EXPECT_FALSE(s.boxOffered);
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
    VidBAS::g_ShowPlayErrors = true;
    show(QStringLiteral("Error!"), QStringLiteral("x"), false, tickAndClose);
    EXPECT_TRUE(VidBAS::g_ShowPlayErrors);
}

TEST_F(ErrFrmTest, EscapeAndTheWindowManagerCloseTakeTheSameSteps) {
    show(QStringLiteral("Error Abort"), QStringLiteral("a"), true, [](ErrFrm* f) {
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        korimo::test::closeLikeWindowManager(f);
    });
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
    EXPECT_FALSE(VidBAS::g_OfferDontShow);

    VidBAS::g_ShowPlayErrors = true;
    show(QStringLiteral("Error Abort"), QStringLiteral("b"), true, [](ErrFrm* f) {
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        f->activateWindow();
        // Keys go to the focus window. The message's own window counts as active already while
        // its owner has the focus, so that is not waited for.
        EXPECT_TRUE(QTest::qWaitFor(
            [f] { return QGuiApplication::focusWindow() == f->windowHandle(); }, 5000));
        QTest::keyClick(f->check1, Qt::Key_Escape);
    });
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
    EXPECT_FALSE(VidBAS::g_OfferDontShow);
}

TEST_F(ErrFrmTest, MessagesArrivingWhileOpenWaitTheirTurn) {
    QStringList order;
    int depth = 0, deepest = 0;
    bool secondReturnedAtOnce = false;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* frm = qobject_cast<ErrFrm*>(w);
        ASSERT_NE(frm, nullptr);
        order << frm->ErrTitle->text();
        deepest = std::max(deepest, ++depth);
        if (order.size() == 1) {
            // A save error and a player error come in while the first message is on screen.
            ShowMessage(&owner, QStringLiteral("Error!"), QStringLiteral("second"));
            ShowMessage(&owner, QStringLiteral("Error Abort"), QStringLiteral("third"), true);
            secondReturnedAtOnce = frm->isVisible() && frm->ErrTitle->text() == order.first();
        }
        frm->LblEnd_Click();
        --depth;
    });
    ShowMessage(&owner, QStringLiteral("Clipboard Error!"), QStringLiteral("first"));
    EXPECT_TRUE(secondReturnedAtOnce);
    EXPECT_EQ(order, (QStringList{QStringLiteral("Clipboard Error!"), QStringLiteral("Error!"),
                                  QStringLiteral("Error Abort")}));
    EXPECT_EQ(deepest, 1) << "no window opens inside another";
    EXPECT_EQ(VidBAS::g_ErrText, QStringLiteral("third"));
}

TEST_F(ErrFrmTest, WaitingPlayerErrorIsDroppedOnceTheUserTurnedThemOff) {
    int shown = 0;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* frm = qobject_cast<ErrFrm*>(w);
        ASSERT_NE(frm, nullptr);
        ++shown;
        if (shown == 1) {
            ShowMessage(&owner, QStringLiteral("Error Abort"), QStringLiteral("waiting"), true);
            ShowMessage(&owner, QStringLiteral("Error!"), QStringLiteral("kept"));
            tickAndClose(frm);
        } else {
            EXPECT_EQ(frm->Label1->text(), QStringLiteral("kept"));
            frm->LblEnd_Click();
        }
    });
    ShowMessage(&owner, QStringLiteral("Error Abort"), QStringLiteral("first"), true);
    EXPECT_EQ(shown, 2);
}

TEST_F(ErrFrmTest, OwnerClosedWhileWaitingStillGetsTheMessageShown) {
    auto* transient = new QWidget;
    transient->show();
    QStringList parents;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* frm = qobject_cast<ErrFrm*>(w);
        ASSERT_NE(frm, nullptr);
        parents << (frm->parentWidget() ? frm->parentWidget()->objectName() : QStringLiteral("-"));
        if (parents.size() == 1) {
            ShowMessage(transient, QStringLiteral("Print Error!"), QStringLiteral("p"));
            delete transient;
        }
        frm->LblEnd_Click();
    });
    owner.setObjectName(QStringLiteral("Main"));
    ShowMessage(&owner, QStringLiteral("Error!"), QStringLiteral("e"));
    EXPECT_EQ(parents, (QStringList{QStringLiteral("Main"), QStringLiteral("-")}));
}

TEST_F(ErrFrmTest, CloseLabelTurnsYellowUnderThePointerAndBlackOverTheSkin) {
    show(QStringLiteral("Error!"), QStringLiteral("m"), false, [](ErrFrm* f) {
        auto colour = [f] { return f->LblEnd->palette().color(QPalette::WindowText); };
        hover(f->LblEnd, QPoint(3, 3));
        EXPECT_EQ(colour(), QColor(255, 255, 0));
        hover(f->Label1, QPoint(3, 3));
        EXPECT_EQ(colour(), QColor(255, 255, 0)) << "only the bare skin turns it back";
        hover(f->Elastic1, QPoint(f->Elastic1->width() / 2, 5));
        EXPECT_EQ(colour(), QColor(0, 0, 0));
        f->LblEnd_Click();
    });
}

TEST_F(ErrFrmTest, LongMessagesWrapAndBlanksAreKept) {
    const QString longText = QStringLiteral(
        "Frame advance not supported by this format. Or video at end of play, or not loaded. "
        "Use PAUSE to control video if video is a .wmv file.");
    show(QStringLiteral("Error!"), longText, false, [&](ErrFrm* f) {
        EXPECT_TRUE(f->Label1->wordWrap());
        const QFontMetrics fm(f->Label1->font());
        const QRect needed =
            fm.boundingRect(QRect(0, 0, f->Label1->width(), 10000), Qt::TextWordWrap, longText);
        EXPECT_GT(needed.height(), fm.lineSpacing()) << "the text takes several lines";
        EXPECT_LE(needed.width(), f->Label1->width());
        EXPECT_LE(needed.height(), f->Label1->height()) << "and all of them fit";
        f->LblEnd_Click();
    });

    // An error without a description keeps the blanks and the line breaks.
    const Seen open =
        show(QStringLiteral("Error"), openVideoErrorMessage(QString()), false, clickX);
    EXPECT_EQ(open.message, QStringLiteral("Error Opening Video File.    "));
    const Seen list =
        show(QStringLiteral("Error"), listVideoErrorMessage(QString()), false, clickX);
    EXPECT_EQ(list.message,
              QStringLiteral("Error Opening Video File.    \n\nOr CANCEL was selected."));
    EXPECT_EQ(VidBAS::g_ErrText,
              QStringLiteral("Error Opening Video File.    \r\n\r\nOr CANCEL was selected."));
}

// Pictures of the message window and of every glyph look, taken on a real X server.
namespace {

bool grabRoot(const QString& file) {
    QProcess grab;
    grab.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return grab.waitForFinished(30000) && grab.exitCode() == 0;
}

int countColour(const QImage& img, QColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

void setLook(XpGlyphControl* c, int look) {
    auto send = [c](QEvent::Type type, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(type, QPointF(4, 4), QPointF(c->mapToGlobal(QPoint(4, 4))), b, bs,
                      Qt::NoModifier);
        QApplication::sendEvent(c, &e);
    };
    if (look == LookHover)
        send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    else if (look == LookPressed)
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    else if (look == LookDisabled)
        c->setEnabled(false);
    // Hold the look still for the picture: the hover watch would put it back.
    if (auto* watch = c->findChild<QTimer*>(QStringLiteral("Timer1")))
        watch->stop();
}

// What the board must show once it is painted.
bool boardShown(const QImage& board) {
    return countColour(board, QColor(31, 80, 128)) >= 9 * 60 &&
           countColour(board, QColor(207, 207, 191)) >= 3 * 60 &&
           countColour(board, QColor(255, 176, 48)) >= 3 &&
           countColour(board, QColor(28, 81, 128)) >= 6 &&
           countColour(board, QColor(192, 191, 181)) >= 25;
}

// Grabs the screen until the picture shows what it must: a loaded server paints late.
bool grabWhenShown(const QString& file, const std::function<bool(const QImage&)>& shown) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (grabRoot(file) && shown(QImage(file)))
            return true;
    } while (t.elapsed() < 30000);
    return false;
}

} // namespace

TEST(ScreensOnX, InnerShowAndGrab) {
    const QString out = qEnvironmentVariable("KORIMO_SCREENS_OUT");
    if (out.isEmpty() || QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "runs inside the X server started by ScreensOnX.MessageWindowAndGlyphs";
    VidBAS::ResetState();
    VidBAS::g_ShowPlayErrors = true;
    QCursor::setPos(5, 5);

    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Main"));
    owner.setGeometry(200, 150, 800, 500);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    bool grabbed = false;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* frm = qobject_cast<ErrFrm*>(w);
        ASSERT_NE(frm, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm));
        grabbed = grabWhenShown(out + QStringLiteral("/message-window.png"), [](const QImage& i) {
            return countColour(i, QColor(31, 80, 128)) >= 60;
        });
        frm->LblEnd_Click();
    });
    ShowMessage(&owner, QStringLiteral("Error Abort"),
                playErrorMessage(QStringLiteral(
                    "The stream ended before its header was complete; the demuxer found no "
                    "playable video or audio track in the data that arrived.")),
                true);
    EXPECT_TRUE(grabbed);
    owner.hide();

    QWidget board;
    board.setWindowTitle(QStringLiteral("Glyphs"));
    board.setGeometry(100, 100, 420, 330);
    board.setAutoFillBackground(true);
    board.setPalette(QPalette(QColor(236, 233, 216)));
    const char* looks[] = {"normal", "hover", "pressed", "disabled"};
    for (int look = 0; look < 4; ++look) {
        auto* head = new QLabel(QLatin1String(looks[look]), &board);
        head->move(130 + 70 * look, 10);
    }
    auto rowLabel = [&](int row, const QString& text) {
        auto* l = new QLabel(text, &board);
        l->move(10, 40 + 40 * row);
    };
    for (int value = 0; value < 3; ++value) {
        rowLabel(value, QStringLiteral("check box %1").arg(value));
        for (int look = 0; look < 4; ++look) {
            auto* box = new xpcheckbox(&board, QStringLiteral("check"));
            box->setGeometry(140 + 70 * look, 40 + 40 * value, 17, 17);
            box->setValue(value);
            setLook(box, look);
        }
    }
    for (int chosen = 0; chosen < 2; ++chosen) {
        rowLabel(4 + chosen,
                 chosen ? QStringLiteral("option chosen") : QStringLiteral("option not chosen"));
        for (int look = 0; look < 4; ++look) {
            auto* opt = new xpradiobutton(&board, QStringLiteral("option"));
            opt->setGeometry(140 + 70 * look, 40 + 40 * (4 + chosen), 17, 17);
            opt->setBackColor(kSysButtonFace);
            opt->setValue(chosen == 1);
            setLook(opt, look);
        }
    }
    board.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&board));
    EXPECT_TRUE(grabWhenShown(out + QStringLiteral("/glyph-states.png"), boardShown));
}

TEST(ScreensOnX, MessageWindowAndGlyphs) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and ImageMagick";
    if (!qEnvironmentVariableIsEmpty("KORIMO_SCREENS_OUT"))
        GTEST_SKIP() << "already inside the X server";
    korimo::test::XServer xvfb;
    ASSERT_TRUE(xvfb.start(false)) << "Xvfb could not be started";

    // Kept only where asked for; otherwise each run grabs into a folder of its own.
    const QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString keep = qEnvironmentVariable("KORIMO_SCREENS_DIR");
    const QString out = keep.isEmpty() ? scratch.path() : keep;
    QDir().mkpath(out);
    QFile::remove(out + QStringLiteral("/message-window.png"));
    QFile::remove(out + QStringLiteral("/glyph-states.png"));
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xvfb.display()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("KORIMO_SCREENS_OUT"), out);
    // Under the address sanitizer: the X platform's D-Bus connection is never freed before exit.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    inner.setProcessEnvironment(env);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ScreensOnX.InnerShowAndGrab")});
    const bool finished = inner.waitForFinished(120000);
    const QByteArray log = inner.readAll();
    ASSERT_TRUE(finished) << log.constData();
    ASSERT_EQ(inner.exitCode(), 0) << log.constData();
    ASSERT_FALSE(log.contains("[  SKIPPED ]")) << log.constData();

    // What reached the screen: the box offered in the window, every glyph colour on the board.
    const QImage message(out + QStringLiteral("/message-window.png"));
    ASSERT_EQ(message.size(), QSize(1280, 1024));
    EXPECT_GE(countColour(message, QColor(31, 80, 128)), 60) << "the offered box's frame";
    const QImage board(out + QStringLiteral("/glyph-states.png"));
    ASSERT_EQ(board.size(), QSize(1280, 1024));
    EXPECT_TRUE(boardShown(board)) << "every glyph colour on the board";
}
