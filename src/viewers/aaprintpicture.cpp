#include "viewers/aaprintpicture.h"

#include "app/main_form.h"
#include "app/vidbas.h"
#include "draw/olecolor.h"
#include "forms/runtime.h"
#include "printer/printer.h"

#include <QPainter>
#include <cmath>

namespace korimo {

namespace {
constexpr int kMarginDpi = 600;
}

AAPrintPicture::AAPrintPicture(QWidget* parent) : QWidget(parent), m_sheet(sheetPicture()) {
    UserControl_Initialize();
    // The control always shows as its sheet image, whatever size the host gives it.
    setFixedSize(m_sheet.size());
}

void AAPrintPicture::UserControl_Initialize() {
    m_printerName.clear();
    m_align = 4;
    m_showBorder = true;
    m_paperSize = 2;
    m_paperWidth = 210;
    m_paperHeight = 297;
    m_stretch = false;
    m_picture = m_sheet;
}

QImage AAPrintPicture::sheetPicture() {
    QImage sheet(24, 23, QImage::Format_RGB32);
    sheet.fill(oleToQColor(kSysButtonFace));
    QPainter p(&sheet);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.setBrush(Qt::white);
    const QPolygon page{{5, 1}, {15, 1}, {19, 5}, {19, 21}, {5, 21}};
    p.drawPolygon(page);
    p.drawPolyline(QPolygon{{15, 1}, {15, 5}, {19, 5}});
    p.setPen(QColor(0x31, 0x6A, 0xC5));
    for (int y = 9; y <= 17; y += 2)
        p.drawLine(8, y, 16, y);
    return sheet;
}

void AAPrintPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_sheet);
}

void AAPrintPicture::GetPrinterMargin() {
    Printer& printer = Printer::instance();
    try {
        printer.followDefaultPrinter();
        if (m_paperSize == 0) {
            printer.setPaperMillimetres(m_paperWidth, m_paperHeight);
            printer.setPaperCode(256);
        } else if (const auto code = paperCode(m_paperSize)) {
            printer.setPaperCode(*code);
        }
        // The page box takes a quarter of the margins in printer pixels, which keeps it on the
        // sheet only at a fine resolution; measuring at whatever quality the last print left
        // behind pushed a corner picture off the paper on the next print.
        printer.setPrintQuality(kMarginDpi);
        const QSize physical(printer.deviceCaps(PHYSICALWIDTH), printer.deviceCaps(PHYSICALHEIGHT));
        const QPoint offset(printer.deviceCaps(PHYSICALOFFSETX),
                            printer.deviceCaps(PHYSICALOFFSETY));
        const PrinterMargins measured =
            marginsFromDevice(physical, printer.printableSize(), offset);
        m_marginDpi = printer.printQuality();
        m_margins = measured;
    } catch (...) {
        // No printer, or one that refuses the paper: the layout goes on with the old margins.
        DoEvents();
        return;
    }
    emit MarginReaded(m_margins.left, m_margins.top, m_margins.right, m_margins.bottom);
}

void AAPrintPicture::GetPaperWH(int& intWidth, int& intHeight) const {
    if (const auto mm = paperMillimetres(m_paperSize, m_paperWidth, m_paperHeight)) {
        intWidth = mm->width();
        intHeight = mm->height();
    }
}

void AAPrintPicture::LayoutPage() {
    GetPrinterMargin();
    int paperW = 0;
    int paperH = 0;
    GetPaperWH(paperW, paperH);
    const QSize page = pageBoxSize(QSize(paperW, paperH), m_margins, VidBAS::g_PrintLayout);
    if (page.width() <= 0 || page.height() <= 0)
        throw PrintError(kInvalidPropertyValue, QStringLiteral("The page has no size."));
    VidBAS::g_PrintLayout = false;

    const QPoint at = picturePosition(m_align, page, m_picture.size());
    m_page = QImage(page, QImage::Format_RGB32);
    m_page.fill(oleToQColor(kSysWindow));
    if (!m_picture.isNull()) {
        QPainter p(&m_page);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (m_stretch)
            p.drawImage(QRect(QPoint(0, 0), page), m_picture);
        else
            p.drawImage(at, m_picture);
    }
    DoEvents();
}

QImage AAPrintPicture::GetPreview() {
    LayoutPage();
    return m_page;
}

void AAPrintPicture::PrintPicture() {
    LayoutPage();
    Printer& printer = Printer::instance();
    const bool highQ = VidBAS::g_HighQ;
    const bool bw = VidBAS::g_BW;
    skipOnError([&] { printer.setPrintQuality(highQ ? 600 : 300); });
    skipOnError([&] { printer.setColorMode(bw ? 1 : 2); });
    // Queue viewers list the job under the program's title.
    printer.setDocName(QString::fromLatin1(Main::kTitle));
    try {
        // The margins were measured before the quality changed the printer's pixel size.
        const double toNow = m_marginDpi > 0 ? double(printer.printQuality()) / m_marginDpi : 1.0;
        printer.PaintPicture(m_page, int(std::lround(m_margins.left * toNow)),
                             int(std::lround(m_margins.top * toNow)));
    } catch (...) {
        // A half-drawn page must not go out with the next print.
        skipOnError([&] { printer.KillDoc(); });
        throw;
    }
    printer.EndDoc();
}

void AAPrintPicture::setAlign(int value) {
    m_align = value;
    emit PropertyChanged(QStringLiteral("Align"));
}

void AAPrintPicture::setPicture(const QImage& picture) {
    m_picture = picture;
    emit PropertyChanged(QStringLiteral("Picture"));
}

void AAPrintPicture::setDefultPrinter(const QString& name) {
    m_printerName = name;
    emit PropertyChanged(QStringLiteral("DefultPrinter"));
}

void AAPrintPicture::setPaperSize(int value) {
    m_paperSize = value;
    emit PropertyChanged(QStringLiteral("PaperSize"));
}

void AAPrintPicture::setPaperWidth(int value) {
    m_paperWidth = value;
    emit PropertyChanged(QStringLiteral("PaperWidth"));
}

void AAPrintPicture::setPaperHeight(int value) {
    m_paperHeight = value;
    emit PropertyChanged(QStringLiteral("PaperHeight"));
}

void AAPrintPicture::setStretch(bool value) {
    m_stretch = value;
    emit PropertyChanged(QStringLiteral("Stretch"));
}

void AAPrintPicture::UserControl_ReadProperties(const PropertyBag& bag) {
    m_align = bag.ReadProperty(QStringLiteral("Align"), 4).toInt();
    m_picture = bag.ReadProperty(QStringLiteral("Picture"), m_sheet).value<QImage>();
    m_showBorder = bag.ReadProperty(QStringLiteral("ShowBorder"), true).toBool();
    m_printerName = bag.ReadProperty(QStringLiteral("Printer"), QString()).toString();
    m_paperSize = bag.ReadProperty(QStringLiteral("PaperSize"), 2).toInt();
    m_paperWidth = bag.ReadProperty(QStringLiteral("PaperWidth"), 210).toInt();
    m_paperHeight = bag.ReadProperty(QStringLiteral("PaperHeight"), 297).toInt();
    m_stretch = bag.ReadProperty(QStringLiteral("Stretch"), false).toBool();
}

void AAPrintPicture::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("Align"), m_align, 4);
    bag.WriteProperty(QStringLiteral("Picture"), m_picture, m_sheet);
    bag.WriteProperty(QStringLiteral("ShowBorder"), m_showBorder, true);
    bag.WriteProperty(QStringLiteral("Printer"), m_printerName, QString());
    bag.WriteProperty(QStringLiteral("PaperSize"), m_paperSize, 2);
    bag.WriteProperty(QStringLiteral("PaperWidth"), m_paperWidth, 210);
    bag.WriteProperty(QStringLiteral("PaperHeight"), m_paperHeight, 297);
    bag.WriteProperty(QStringLiteral("Stretch"), m_stretch, false);
}

} // namespace korimo
