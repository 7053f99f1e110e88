#include "viewers/aaprintpicture.h"

#include "app/vidbas.h"
#include "printer/printer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

// These cases run without a printer: the print system is pointed at a socket nobody serves.
const bool kNoPrinter = [] {
    qputenv("CUPS_SERVER", "/nonexistent/korimo-no-cups.sock");
    return true;
}();

QImage solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// The bounding box of the pixels of one colour.
QRect colourBox(const QImage& page, QColor c) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y) == c)
                box |= QRect(x, y, 1, 1);
    return box;
}

class AAPrintPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kNoPrinter);
        Printer::setPdfOutput(QString());
        VidBAS::g_PrintLayout = false;
        VidBAS::g_HighQ = true;
        VidBAS::g_BW = false;
    }
    void TearDown() override { Printer::reset(); }
    AAPrintPicture pp;
};

} // namespace

TEST_F(AAPrintPictureTest, PreviewWithoutPrinterIsTheShrunkenPageWithThePictureInPlace) {
    QSignalSpy margins(&pp, &AAPrintPicture::MarginReaded);
    pp.setPicture(solid(102, 68, Qt::red));
    pp.setAlign(2);
    const QImage page = pp.GetPreview();
    EXPECT_EQ(page.size(), QSize(374, 343));
    EXPECT_EQ(margins.count(), 0);
    EXPECT_EQ(colourBox(page, Qt::red), QRect(374 - 102, 0, 102, 68));
    EXPECT_EQ(page.pixelColor(0, 342), QColor(Qt::white));

    // Two previews in a row make the same page.
    EXPECT_EQ(pp.GetPreview(), page);
}

TEST_F(AAPrintPictureTest, PrintLayoutIsOneShotAndFullSize) {
    pp.setPicture(solid(102, 68, Qt::blue));
    pp.setAlign(8);
    VidBAS::g_PrintLayout = true;
    const QImage printed = pp.GetPreview();
    EXPECT_FALSE(VidBAS::g_PrintLayout);
    EXPECT_EQ(printed.size(), QSize(794, 1123));
    EXPECT_EQ(colourBox(printed, Qt::blue), QRect(794 - 102, 1123 - 68, 102, 68));
    EXPECT_EQ(pp.GetPreview().size(), QSize(374, 343));
}

TEST_F(AAPrintPictureTest, PicturesLargerThanThePageAreCutAtItsEdges) {
    QImage big = solid(400, 400, Qt::red);
    // A marker in the middle column of the picture shows which part lands on the page.
    for (int y = 0; y < 400; ++y)
        big.setPixelColor(200, y, Qt::blue);
    pp.setPicture(big);
    pp.setAlign(4);
    const QImage page = pp.GetPreview();
    // 374 - 400 = -26, so the picture starts 13 pixels left of the page; 343 - 400 = -57 → -29.
    EXPECT_EQ(colourBox(page, Qt::blue), QRect(200 - 13, 0, 1, 343));
    EXPECT_EQ(colourBox(page, Qt::red), page.rect());
}

TEST_F(AAPrintPictureTest, PaperChoiceSizesThePageAndUnknownPaperHasNone) {
    pp.setPicture(solid(4, 4, Qt::red));
    pp.setPaperSize(0);
    pp.setPaperWidth(150);
    pp.setPaperHeight(250);
    VidBAS::g_PrintLayout = true;
    EXPECT_EQ(pp.GetPreview().size(), QSize(567, 945));

    int w = -1;
    int h = -2;
    pp.GetPaperWH(w, h);
    EXPECT_EQ(w, 150);
    EXPECT_EQ(h, 250);
    pp.setPaperSize(7);
    pp.GetPaperWH(w, h);
    EXPECT_EQ(w, 150);
    EXPECT_EQ(h, 250);

    VidBAS::g_PrintLayout = true;
    try {
        pp.GetPreview();
        FAIL() << "a page of no size was laid out";
    } catch (const PrintError& e) {
        EXPECT_EQ(e.code(), kInvalidPropertyValue);
    }
}

TEST_F(AAPrintPictureTest, PrintingWithoutPrinterReportsThePrinterError) {
    pp.setPicture(solid(20, 20, Qt::red));
    VidBAS::g_PrintLayout = true;
    try {
        pp.PrintPicture();
        FAIL() << "printing without a printer reported success";
    } catch (const PrintError& e) {
        EXPECT_EQ(e.code(), kPrinterError);
    }
    EXPECT_FALSE(VidBAS::g_PrintLayout);
    EXPECT_FALSE(Printer::instance().documentOpen());
    // The laid-out page was the printer's, full size.
    EXPECT_EQ(pp.pageImage().size(), QSize(794, 1123));
}

TEST_F(AAPrintPictureTest, StoredPropertiesRoundTripAndDefaultsStayOut) {
    PropertyBag empty;
    pp.UserControl_WriteProperties(empty);
    EXPECT_TRUE(empty.keys().isEmpty()) << empty.keys().join(',').toStdString();
    // A host that never stored a picture lays out the sheet image.
    EXPECT_EQ(pp.Picture(), AAPrintPicture::sheetPicture());

    QSignalSpy changed(&pp, &AAPrintPicture::PropertyChanged);
    pp.setAlign(7);
    pp.setPicture(solid(3, 5, Qt::cyan));
    pp.setDefultPrinter(QStringLiteral("Office"));
    pp.setPaperSize(0);
    pp.setPaperWidth(100);
    pp.setPaperHeight(150);
    pp.setStretch(true);
    QStringList names;
    for (const auto& args : changed)
        names << args.at(0).toString();
    EXPECT_EQ(names, (QStringList{"Align", "Picture", "DefultPrinter", "PaperSize", "PaperWidth",
                                  "PaperHeight", "Stretch"}));

    PropertyBag bag;
    pp.UserControl_WriteProperties(bag);
    AAPrintPicture copy;
    copy.UserControl_ReadProperties(bag);
    EXPECT_EQ(copy.Align(), 7);
    EXPECT_EQ(copy.Picture(), pp.Picture());
    EXPECT_EQ(copy.DefultPrinter(), QStringLiteral("Office"));
    EXPECT_EQ(copy.PaperSize(), 0);
    EXPECT_EQ(copy.PaperWidth(), 100);
    EXPECT_EQ(copy.PaperHeight(), 150);
    EXPECT_TRUE(copy.Stretch());
    EXPECT_FALSE(bag.contains(QStringLiteral("ShowBorder")));

    // The control keeps the size of its sheet on any host.
    copy.resize(300, 300);
    EXPECT_EQ(copy.size(), AAPrintPicture::sheetPicture().size());
}
