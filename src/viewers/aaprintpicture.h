#pragma once

#include "forms/propertybag.h"
#include "printer/pagelayout.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace korimo {

// Lays one picture out on a sheet of paper, at one of nine positions or stretched over the
// page, and hands back the page as an image (the preview) or prints it on the default printer.
// The page is modelled at screen resolution; on its host the control shows as a small sheet.
class AAPrintPicture : public QWidget {
    Q_OBJECT
public:
    explicit AAPrintPicture(QWidget* parent = nullptr);

    // Measures the default printer's margins after choosing its paper; on success raises
    // MarginReaded, on any failure keeps the margins measured before.
    void GetPrinterMargin();
    // The paper's size in millimetres; a PaperSize outside 0..6 leaves both untouched.
    void GetPaperWH(int& intWidth, int& intHeight) const;
    // Lays the page out and returns it. Throws PrintError when the page has no size.
    QImage GetPreview();
    // Lays the page out for the printer (the host sets VidBAS::g_PrintLayout first) and prints
    // it. Throws PrintError when the page cannot be printed; a quality or colour mode the
    // printer refuses is passed over.
    void PrintPicture();

    int Align() const { return m_align; }
    void setAlign(int value);
    QImage Picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    QString DefultPrinter() const { return m_printerName; }
    void setDefultPrinter(const QString& name);
    int PaperSize() const { return m_paperSize; }
    void setPaperSize(int value);
    int PaperWidth() const { return m_paperWidth; }
    void setPaperWidth(int value);
    int PaperHeight() const { return m_paperHeight; }
    void setPaperHeight(int value);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool value);

    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_WriteProperties(PropertyBag& bag) const;

    // The last laid-out page and the margins it was made with.
    const QImage& pageImage() const { return m_page; }
    PrinterMargins margins() const { return m_margins; }

    // The control's face, also its picture until the host sets one.
    static QImage sheetPicture();

signals:
    void MarginReaded(long lngLeft, long lngTop, long lngRight, long lngBottom);
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UserControl_Initialize();
    void LayoutPage();

    QImage m_sheet;
    QImage m_picture;
    QImage m_page;
    QString m_printerName;
    int m_align = 4;
    bool m_showBorder = true;
    int m_paperSize = 2;
    int m_paperWidth = 210;
    int m_paperHeight = 297;
    bool m_stretch = false;
    PrinterMargins m_margins;
    int m_marginDpi = 0;
};

} // namespace korimo
