#include "app/errfrm.h"
#include "app/vidbas.h"
#include "controls/xpcheckbox.h"
#include "support/modalanswerer.h"
#include "widgets/elastic.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
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
    Seen s = show(QStringLiteral("Error Abort"), QStringLiteral("a"), true, clickX);
    EXPECT_TRUE(s.boxOffered);
    EXPECT_TRUE(VidBAS::g_ShowPlayErrors);
    // Ticking, then unticking again, still leaves them on.
    s = show(QStringLiteral("Error Abort"), QStringLiteral("b"), true, [](ErrFrm* f) {
        EXPECT_EQ(f->check1->Value(), 0);
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        QTest::mouseClick(f->check1, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        f->LblEnd_Click();
    });
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
        QTest::keyClick(f, Qt::Key_Escape);
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
