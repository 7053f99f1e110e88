#include "printer/printer.h"

#include "printer/pagelayout.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <cmath>
#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

namespace korimo {

namespace {
QString& pdfOutputPath() {
    static QString path;
    return path;
}

QMarginsF& pdfMargins() {
    static QMarginsF margins;
    return margins;
}

// The Windows paper codes the layout uses, each with the paper of the same size.
QPageSize::PageSizeId pageSizeForCode(int code) {
    switch (code) {
    case 11:
        return QPageSize::A5;
    case 9:
        return QPageSize::A4;
    case 8:
        return QPageSize::A3;
    case 12:
        return QPageSize::B4;
    case 13:
        return QPageSize::JisB5;
    case 15:
        return QPageSize::Quarto;
    default:
        return QPageSize::Custom;
    }
}

std::unique_ptr<Printer>& printerSlot() {
    static std::unique_ptr<Printer> slot;
    return slot;
}

constexpr int kServerAnswerMs = 3000;
constexpr int kServerSilenceMs = 10000;

[[noreturn]] void fail(const QString& text) {
    throw PrintError(kPrinterError, text);
}

enum class ServerAnswer { Answered, Absent, Silent };

// libcups waits without end for a print server that took the connection but never answers,
// and the window froze with it; the server is asked once, with a time limit, first.
ServerAnswer askServer() {
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kServerAnswerMs, nullptr);
    if (!http)
        return ServerAnswer::Absent;
    httpSetTimeout(
        http, kServerAnswerMs / 1000.0, [](http_t*, void*) { return 0; }, nullptr);
    ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    const bool answered = response != nullptr;
    ippDelete(response);
    httpClose(http);
    return answered ? ServerAnswer::Answered : ServerAnswer::Silent;
}

// Qt's engine for print queues hands the name and value pairs under this key to the job; the
// key has no public name.
constexpr auto kJobOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The resolution choices of the queue's PPD ("600dpi", "600x600dpi") by dots per inch; none
// when the PPD offers no resolution or the queue has no PPD.
QMap<int, QString> ppdResolutionChoices(const QString& queue) {
    QMap<int, QString> choices;
    // A queue's own choice names are only reachable through its PPD, whose interface is marked
    // as outdated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, name.constData());
    if (!file)
        return choices;
    const QByteArray path(file);
    if (ppd_file_t* ppd = ppdOpenFile(path.constData())) {
        static const QRegularExpression dpi(QStringLiteral("^(\\d+)(?:x(\\d+))?dpi$"));
        const ppd_option_t* option = ppdFindOption(ppd, "Resolution");
        for (int i = 0; option && i < option->num_choices; ++i) {
            const QString choice = QString::fromLatin1(option->choices[i].choice);
            const QRegularExpressionMatch m = dpi.match(choice);
            if (m.hasMatch() && (m.captured(2).isEmpty() || m.captured(2) == m.captured(1)))
                choices.insert(m.captured(1).toInt(), choice);
        }
        ppdClose(ppd);
    }
#pragma GCC diagnostic pop
    ::unlink(path.constData());
    return choices;
}

// Qt submits the finished page to the print server on this thread and drops the answer; the
// server's last status on the thread is that answer. Statuses below 0x100 are successes.
bool serverTookLastJob() {
    return cupsLastError() < 0x0100;
}
} // namespace

PrintError::PrintError(int code, const QString& text)
    : std::runtime_error(text.toStdString()), m_code(code) {}

Printer& Printer::instance() {
    auto& slot = printerSlot();
    if (!slot)
        slot.reset(new Printer);
    return *slot;
}

void Printer::setPdfOutput(const QString& path, const QMarginsF& marginsMm) {
    pdfOutputPath() = path;
    pdfMargins() = marginsMm;
    reset();
}

void Printer::reset() {
    printerSlot().reset();
}

Printer::~Printer() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

QPrinter& Printer::device() {
    if (m_printer)
        return *m_printer;
    const QString pdf = pdfOutputPath();
    std::unique_ptr<QPrinter> p;
    if (!pdf.isEmpty()) {
        p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(pdf);
        p->setPageMargins(pdfMargins(), QPageLayout::Millimeter);
    } else {
        requireServer();
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            fail(QStringLiteral("No printer is installed."));
        p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        // Without the print plugin Qt silently turns the printer into a PDF writer.
        if (p->outputFormat() != QPrinter::NativeFormat || !p->isValid())
            fail(QStringLiteral("The default printer cannot be used."));
    }
    p->setFullPage(false);
    m_printer = std::move(p);
    m_resolutionChoices.reset();
    useImageableArea();
    return *m_printer;
}

void Printer::requireNoDocument(const char* what) {
    if (documentOpen())
        fail(QStringLiteral("The %1 cannot change while a page is printing.")
                 .arg(QString::fromLatin1(what)));
}

void Printer::followDefaultPrinter() {
    if (!m_printer || documentOpen() || m_printer->outputFormat() != QPrinter::NativeFormat)
        return;
    try {
        requireServer();
    } catch (...) {
        m_printer.reset();
        throw;
    }
    if (QPrinterInfo::defaultPrinterName() != m_printer->printerName())
        m_printer.reset();
}

void Printer::requireServer() {
    // A silent server is not asked again for a while, so the calls of one print do not each
    // wait out the limit.
    if (m_serverSilent.isValid() && m_serverSilent.elapsed() < kServerSilenceMs)
        fail(QStringLiteral("The print server does not answer."));
    m_serverSilent.invalidate();
    switch (askServer()) {
    case ServerAnswer::Answered:
        return;
    case ServerAnswer::Absent:
        fail(QStringLiteral("No print server is running."));
    case ServerAnswer::Silent:
        m_serverSilent.start();
        fail(QStringLiteral("The print server does not answer."));
    }
}

QString Printer::DeviceName() {
    QPrinter& p = device();
    return p.outputFormat() == QPrinter::PdfFormat ? p.outputFileName() : p.printerName();
}

void Printer::setPaperCode(int code) {
    QPrinter& p = device();
    requireNoDocument("paper");
    QPageSize size;
    if (code == 256) {
        if (m_customMillimetres.isEmpty())
            fail(QStringLiteral("No custom paper size was given."));
        size = QPageSize(QSizeF(m_customMillimetres), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    } else {
        const QPageSize::PageSizeId id = pageSizeForCode(code);
        if (id == QPageSize::Custom)
            fail(QStringLiteral("Unknown paper code %1.").arg(code));
        size = QPageSize(id);
    }
    if (!p.setPageSize(size))
        fail(QStringLiteral("The printer refused the paper."));
    useImageableArea();
}

void Printer::useImageableArea() {
    // Qt starts a queue's page with margins of 10 points and only ever widens them to the
    // queue's unprintable area; the layout needs the queue's own area, however narrow.
    QPrinter& p = *m_printer;
    if (p.outputFormat() != QPrinter::NativeFormat)
        return;
    const QPageLayout layout = p.pageLayout();
    p.setPageMargins(layout.minimumMargins(), layout.units());
}

void Printer::applyJobOptions() {
    // Qt only sets the grid it draws on; the queue hears of quality and colour from the job.
    QPrinter& p = *m_printer;
    if (p.outputFormat() != QPrinter::NativeFormat)
        return;
    if (!m_resolutionChoices)
        m_resolutionChoices = ppdResolutionChoices(p.printerName());
    const int dpi = p.resolution();
    QStringList options = {QStringLiteral("print-quality"),
                           QString::number(dpi >= 600 ? IPP_QUALITY_HIGH : IPP_QUALITY_NORMAL),
                           QStringLiteral("printer-resolution"),
                           QStringLiteral("%1dpi").arg(dpi),
                           QStringLiteral("print-color-mode"),
                           p.colorMode() == QPrinter::GrayScale ? QStringLiteral("monochrome")
                                                                : QStringLiteral("color")};
    if (const auto choice = m_resolutionChoices->constFind(dpi);
        choice != m_resolutionChoices->cend())
        options << QStringLiteral("Resolution") << *choice;
    p.printEngine()->setProperty(kJobOptions, options);
}

void Printer::setPaperMillimetres(double width, double height) {
    device();
    if (!(width > 0 && height > 0))
        fail(QStringLiteral("A paper needs a width and a height."));
    m_customMillimetres = QSize(int(std::lround(width)), int(std::lround(height)));
}

QSize Printer::pageSizeMillimetres() {
    return device().pageLayout().pageSize().size(QPageSize::Millimeter).toSize();
}

QSize Printer::printableSize() {
    return device().pageRect(QPrinter::DevicePixel).toAlignedRect().size();
}

int Printer::deviceCaps(int index) {
    QPrinter& p = device();
    const QRectF paper = p.paperRect(QPrinter::DevicePixel);
    const QRectF page = p.pageRect(QPrinter::DevicePixel);
    switch (index) {
    case PHYSICALWIDTH:
        return int(std::lround(paper.width()));
    case PHYSICALHEIGHT:
        return int(std::lround(paper.height()));
    case PHYSICALOFFSETX:
        return int(std::lround(page.left() - paper.left()));
    case PHYSICALOFFSETY:
        return int(std::lround(page.top() - paper.top()));
    default:
        return 0;
    }
}

void Printer::setPrintQuality(int dpi) {
    QPrinter& p = device();
    requireNoDocument("print quality");
    if (dpi <= 0)
        fail(QStringLiteral("Invalid print quality."));
    p.setResolution(dpi);
    applyJobOptions();
}

int Printer::printQuality() {
    return device().resolution();
}

void Printer::setColorMode(int mode) {
    QPrinter& p = device();
    requireNoDocument("colour mode");
    if (mode != 1 && mode != 2)
        fail(QStringLiteral("Invalid colour mode."));
    p.setColorMode(mode == 1 ? QPrinter::GrayScale : QPrinter::Color);
    applyJobOptions();
}

int Printer::colorMode() {
    return device().colorMode() == QPrinter::GrayScale ? 1 : 2;
}

bool Printer::documentOpen() const {
    return m_painter && m_painter->isActive();
}

void Printer::PaintPicture(const QImage& image, int x, int y) {
    QPrinter& p = device();
    if (image.isNull())
        throw PrintError(kInvalidPropertyValue, QStringLiteral("There is no picture to print."));
    if (!documentOpen()) {
        p.setDocName(m_docName);
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(&p)) {
            m_painter.reset();
            fail(QStringLiteral("The printer could not start the document."));
        }
        // Qt's PDF engine, which also feeds the print queues, stores a colour picture as a JPEG
        // unless asked not to: seams smeared and thin lines lost their colour.
        m_painter->setRenderHint(QPainter::LosslessImageRendering);
    }
    const double scale = p.resolution() / kScreenPixelsPerInch;
    m_painter->drawImage(QRectF(x, y, image.width() * scale, image.height() * scale), image);
}

void Printer::setDocName(const QString& name) {
    m_docName = name;
}

void Printer::EndDoc() {
    if (!documentOpen())
        return;
    const bool ended = m_painter->end();
    m_painter.reset();
    if (m_printer && m_printer->printerState() == QPrinter::Aborted)
        throw PrintError(kPrintCancelled, QStringLiteral("Printing was cancelled."));
    if (!ended || (m_printer && m_printer->printerState() == QPrinter::Error))
        fail(QStringLiteral("The page could not be sent to the printer."));
    if (m_printer && m_printer->outputFormat() == QPrinter::NativeFormat && !serverTookLastJob()) {
        // The queue may be gone or the server down: the next print looks for the default anew.
        m_printer.reset();
        fail(QStringLiteral("The printer did not take the page."));
    }
}

void Printer::KillDoc() {
    if (!documentOpen())
        return;
    m_printer->abort();
    m_painter->end();
    m_painter.reset();
}

} // namespace korimo
