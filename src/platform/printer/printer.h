#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMap>
#include <QMarginsF>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <stdexcept>

class QPainter;
class QPrinter;

namespace korimo {

// Error numbers the printing callers tell apart.
inline constexpr int kPrinterError = 482;
inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kPrintCancelled = 32755;

// A printing or page-layout failure with its error number.
class PrintError : public std::runtime_error {
public:
    PrintError(int code, const QString& text);
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

// Device capability indexes of the printer's device context.
inline constexpr int PHYSICALWIDTH = 110;
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;
inline constexpr int PHYSICALOFFSETY = 113;

// The program's printer, always the system's default one, measured in printer pixels with the
// origin at the printable area's corner. Every call throws PrintError(kPrinterError) when no
// printer is installed or the printer refuses the request. Settings stay with the printer for
// the rest of the run, as the one printer object of the program.
class Printer {
public:
    static Printer& instance();

    // Sends the pages to a PDF file with the given unprintable margins instead of the default
    // printer (empty: the default printer again); tests use it to see the printed page.
    static void setPdfOutput(const QString& path, const QMarginsF& marginsMm = QMarginsF());
    // Forgets the printer and its settings; the next call finds the default printer afresh.
    static void reset();

    QString DeviceName();
    // Drops the printer when the system's default has changed since it was found, so the next
    // call finds the default of the moment, and when the print server does not answer (then
    // throws); nothing while a page is printing.
    void followDefaultPrinter();

    // Windows paper codes: 9 A4, 11 A5, 8 A3, 12 B4, 13 B5, 15 Quarto; 256 keeps a custom size
    // given by setPaperMillimetres.
    void setPaperCode(int code);
    void setPaperMillimetres(double width, double height);
    QSize pageSizeMillimetres();

    // The printable width and height.
    QSize printableSize();
    // PHYSICALWIDTH, PHYSICALHEIGHT, PHYSICALOFFSETX, PHYSICALOFFSETY.
    int deviceCaps(int index);

    // Dots per inch; only takes effect before a page is begun. On a print queue the job also asks
    // for the queue's own quality (high from 600 dpi up, else normal) and that resolution.
    void setPrintQuality(int dpi);
    int printQuality();
    // 1 monochrome, 2 colour; on a print queue the job asks for that colour mode too.
    void setColorMode(int mode);
    int colorMode();

    // Draws an image laid out at screen resolution at its physical size, so a page made at
    // 96 pixels per inch comes out at its size in millimetres. Begins the document when needed.
    void PaintPicture(const QImage& image, int x, int y);
    // The name print queues list the next document under; taken when its first picture is drawn.
    void setDocName(const QString& name);
    // Sends the page to the printer; nothing happens when nothing was drawn.
    void EndDoc();
    // Throws the page away.
    void KillDoc();
    bool documentOpen() const;

    ~Printer();

private:
    Printer() = default;
    QPrinter& device();
    void requireNoDocument(const char* what);
    void requireServer();
    void useImageableArea();
    void applyJobOptions();

    std::unique_ptr<QPrinter> m_printer;
    // The queue's own resolution choices by dots per inch, read once per printer.
    std::optional<QMap<int, QString>> m_resolutionChoices;
    std::unique_ptr<QPainter> m_painter;
    QSize m_customMillimetres;
    QString m_docName;
    QElapsedTimer m_serverSilent;
};

} // namespace korimo
