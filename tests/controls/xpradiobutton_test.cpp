#include "controls/xpglyphs.h"
#include "controls/xpradiobutton.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

void clickOn(QWidget* w, QPoint pos = QPoint(3, 3)) {
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pos);
}

QColor captionColour(const xpradiobutton& b) {
    return b.captionPart()->palette().color(QPalette::Active, QPalette::WindowText);
}

// The options dialog's arrangement: two option buttons on one page, four on another.
struct OptionsLikeWindow {
    QWidget window;
    QWidget folderPage{&window};
    QWidget formatPage{&window};
    std::vector<xpradiobutton*> buttons;
    OptionsLikeWindow() {
        window.resize(300, 200);
        formatPage.move(0, 100);
        const char* names[] = {"Option1", "Option2", "option3", "option4", "option5", "option6"};
        for (int i = 0; i < 6; ++i) {
            QWidget* page = i < 2 ? &folderPage : &formatPage;
            auto* b = new xpradiobutton(page, QLatin1String(names[i]));
            b->setGeometry(twipsRect(300 + 600 * (i % 4), 300, 255, 255));
            buttons.push_back(b);
        }
        window.show();
        QCursor::setPos(window.mapToGlobal(QPoint(290, 190)));
    }
};

} // namespace

TEST(XpRadioButton, ClickClearsEveryOptionButtonOfTheWindow) {
    OptionsLikeWindow w;
    w.buttons[0]->setValue(true);
    w.buttons[3]->setValue(true); // a host may choose two at once
    EXPECT_TRUE(w.buttons[0]->Value());

    std::vector<std::unique_ptr<QSignalSpy>> clicks;
    for (auto* b : w.buttons)
        clicks.push_back(std::make_unique<QSignalSpy>(b, &xpradiobutton::Click));
    bool clickedWasChosen = true, previousWasChosen = false;
    QObject::connect(w.buttons[4], &xpradiobutton::Click, [&] {
        clickedWasChosen = w.buttons[4]->Value();
        previousWasChosen = w.buttons[0]->Value() && w.buttons[3]->Value();
    });

    clickOn(w.buttons[4]);
    EXPECT_FALSE(clickedWasChosen) << "Click comes before anything changes";
    EXPECT_TRUE(previousWasChosen);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w.buttons[size_t(i)]->Value(), i == 4) << i;
        EXPECT_EQ(clicks[size_t(i)]->count(), i == 4 ? 1 : 0) << i;
    }
    EXPECT_EQ(w.buttons[4]->shownGlyph(), 4);
    EXPECT_EQ(w.buttons[0]->shownGlyph(), 0);

    clickOn(w.buttons[4]->glyphPart());
    EXPECT_EQ(clicks[4]->count(), 2);
    EXPECT_TRUE(w.buttons[4]->Value()) << "clicking the chosen one keeps it chosen";
}

TEST(XpRadioButton, DisabledButtonIsClearedAndShowsItsDisabledPicture) {
    OptionsLikeWindow w;
    w.buttons[1]->setValue(true);
    w.buttons[1]->setEnabled(false);
    EXPECT_EQ(w.buttons[1]->shownGlyph(), 7);
    clickOn(w.buttons[2]);
    EXPECT_FALSE(w.buttons[1]->Value());
    EXPECT_EQ(w.buttons[1]->shownGlyph(), 3);

    // Its own glyph takes no click while disabled: the choice stays where it is.
    QSignalSpy clicks(w.buttons[1], &xpradiobutton::Click);
    clickOn(w.buttons[1]->glyphPart());
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(w.buttons[1]->Value());
    EXPECT_TRUE(w.buttons[2]->Value());
}

TEST(XpRadioButton, GlyphMovesReportTheGlyphPosition) {
    OptionsLikeWindow w;
    xpradiobutton* b = w.buttons[0];
    QSignalSpy moves(b, &xpradiobutton::MouseMove);
    QMouseEvent e(QEvent::MouseMove, QPointF(9, 11),
                  QPointF(b->glyphPart()->mapToGlobal(QPoint(9, 11))), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(b->glyphPart(), &e);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(2).toFloat(), float(b->glyphPart()->x()));
    EXPECT_EQ(moves.at(0).at(3).toFloat(), float(b->glyphPart()->y()));
}

TEST(XpRadioButton, CaptionColourFollowsEnabledAndForeColor) {
    OptionsLikeWindow w;
    xpradiobutton* b = w.buttons[2];
    b->setForeColor(static_cast<OleColor>(RGBValue(0, 0, 200)));
    EXPECT_EQ(captionColour(*b), QColor(0, 0, 200));
    b->setEnabled(false);
    EXPECT_EQ(captionColour(*b), QColor(161, 161, 146));
    b->setForeColor(static_cast<OleColor>(RGBValue(200, 0, 0)));
    EXPECT_EQ(captionColour(*b), QColor(161, 161, 146)) << "stays grey while disabled";
    EXPECT_EQ(b->ForeColor(), static_cast<OleColor>(RGBValue(200, 0, 0)));
    b->setEnabled(true);
    EXPECT_EQ(captionColour(*b), QColor(200, 0, 0));
}

TEST(XpRadioButton, LayoutAndFont) {
    EXPECT_EQ(xpradiobutton::glyphTopTwips(255), 7);
    EXPECT_EQ(xpradiobutton::captionTopTwips(255, 195), 30 - 40);
    OptionsLikeWindow w;
    xpradiobutton* b = w.buttons[0];
    b->resize(200, twipsToPixels(600));
    EXPECT_EQ(b->captionPart()->x(), twipsToPixels(280));
    const int smallTop = b->captionPart()->y();
    QSignalSpy changed(b, &xpradiobutton::PropertyChanged);
    QFont big = b->Font();
    big.setPointSize(28);
    b->setFont(big);
    EXPECT_EQ(b->captionPart()->font().pointSize(), 28);
    EXPECT_LT(b->captionPart()->y(), smallTop);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Font"));
}

TEST(XpRadioButton, StoredPropertiesLoadAndSave) {
    QWidget host;
    QFont hostFont(QStringLiteral("DejaVu Sans"));
    hostFont.setPointSize(11);
    host.setFont(hostFont);

    xpradiobutton fresh(&host, QStringLiteral("option5"));
    fresh.InitProperties();
    EXPECT_EQ(fresh.Caption(), QStringLiteral("option5"));
    EXPECT_EQ(fresh.Font(), hostFont);
    PropertyBag none;
    fresh.WriteProperties(none);
    EXPECT_TRUE(none.keys().isEmpty());

    QFont stored(QStringLiteral("DejaVu Sans"));
    stored.setPointSizeF(8.25);
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Value"), true, false);
    bag.WriteProperty(QStringLiteral("Font"), stored);
    bag.WriteProperty(QStringLiteral("BackColor"), static_cast<OleColor>(0x00EFC9AE),
                      kSysButtonFace);
    xpradiobutton loaded(&host, QStringLiteral("Option1"));
    loaded.ReadProperties(bag);
    EXPECT_TRUE(loaded.Value());
    EXPECT_EQ(loaded.Font(), stored);
    EXPECT_EQ(loaded.BackColor(), static_cast<OleColor>(0x00EFC9AE));
    EXPECT_EQ(loaded.palette().color(QPalette::Window), QColor(0xAE, 0xC9, 0xEF));
    EXPECT_EQ(loaded.shownGlyph(), 4);

    PropertyBag out;
    loaded.WriteProperties(out);
    EXPECT_EQ(out.keys().size(), 3);
    EXPECT_TRUE(out.ReadProperty(QStringLiteral("Value")).toBool());
    EXPECT_EQ(out.ReadProperty(QStringLiteral("Font")).value<QFont>(), stored);
}

TEST(XpRadioButton, StoredKeysMatchWhateverTheirCase) {
    QWidget host;
    QFont stored(QStringLiteral("DejaVu Sans"));
    stored.setPointSizeF(8.25);
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("VALUE"), true);
    bag.WriteProperty(QStringLiteral("caption"), QStringLiteral("JPEG"));
    bag.WriteProperty(QStringLiteral("ENABLED"), false);
    bag.WriteProperty(QStringLiteral("font"), stored);
    bag.WriteProperty(QStringLiteral("backcolor"), static_cast<OleColor>(0x00EEC5A9));
    bag.WriteProperty(QStringLiteral("FORECOLOR"), static_cast<OleColor>(0x000000FF));
    xpradiobutton b(&host, QStringLiteral("option4"));
    b.ReadProperties(bag);
    EXPECT_TRUE(b.Value());
    EXPECT_EQ(b.Caption(), QStringLiteral("JPEG"));
    EXPECT_FALSE(b.Enabled());
    EXPECT_EQ(b.shownGlyph(), 7);
    EXPECT_EQ(b.Font(), stored);
    EXPECT_EQ(b.BackColor(), static_cast<OleColor>(0x00EEC5A9));
    EXPECT_EQ(b.ForeColor(), static_cast<OleColor>(0x000000FF));
}

TEST(XpRadioButton, GlyphPicturesFollowTheDescribedArtwork) {
    for (int n = 0; n < 8; ++n) {
        const QImage g = radioButtonGlyph(n);
        ASSERT_EQ(g.size(), QSize(13, 13)) << n;
        const bool clear = n == 3 || n == 6 || n == 7;
        EXPECT_EQ(g.pixelColor(0, 0).alpha(), clear ? 0 : 255) << n;
        if (!clear) {
            EXPECT_EQ(g.pixelColor(0, 0), QColor(181, 206, 241)) << n;
        }
        const QColor mid = g.pixelColor(6, 6);
        if (n >= 4 && n != 7) {
            EXPECT_GT(mid.green(), mid.red() + 40) << "green dot in " << n;
            EXPECT_EQ(g.pixelColor(4, 4), radioButtonGlyph(n - 4).pixelColor(4, 4))
                << "the dot is round in " << n;
        }
    }
    EXPECT_EQ(radioButtonGlyph(7).pixelColor(4, 4), QColor(192, 191, 181))
        << "the disabled mark is a square, corners included";
    // The ring crosses the middle of the top row in the ring colour.
    EXPECT_EQ(radioButtonGlyph(0).pixelColor(6, 0), QColor(28, 81, 128));
    EXPECT_TRUE(radioButtonGlyph(8).isNull());
}
