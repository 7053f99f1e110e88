#include "viewers/aaprintpicture.h"

#include "app/main_form.h"
#include "app/vidbas.h"
#include "printer/printer.h"
#include "settings/settingsstore.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "viewers/viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace korimo;

namespace {

QImage solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

bool reddish(QColor c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
bool greyInk(QColor c) {
    return c.red() < 200 && qAbs(c.red() - c.green()) <= 3 && qAbs(c.green() - c.blue()) <= 3;
}

// The page of a PDF rendered by poppler at 96 pixels per inch, the layout's own resolution.
QImage renderPdf(const QString& pdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        return {};
    const QString base = pdf + QStringLiteral(".render");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// A frame with a 1-px magenta border and sharp seams: two flat halves, a block of alternating
// single pixels and a busy ramp, everything a lossy coder smears or tints.
QImage sharpFrame() {
    QImage img(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            QRgb c;
            if (x == 0 || y == 0 || x == img.width() - 1 || y == img.height() - 1)
                c = qRgb(255, 0, 255);
            else if (y < 120)
                c = x < 160 ? qRgb(220, 20, 30) : qRgb(10, 200, 40);
            else if (x < 160)
                c = (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            else
                c = qRgb((x * 3) & 0xFF, (y * 5) & 0xFF, ((x ^ y) * 7) & 0xFF);
            img.setPixel(x, y, c);
        }
    return img;
}

// The encodings of the images a PDF holds, as poppler lists them ("image", "jpeg", "jpx", ...).
QStringList pdfImageEncodings(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    p.waitForFinished(30000);
    QStringList encodings;
    const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList cells = line.simplified().split(' ');
        if (cells.size() > 8)
            encodings << cells.at(8);
    }
    return encodings;
}

// A part of a PDF's page (in pixels at 96 per inch) as the document's own pixels: rendered five
// times finer, where poppler repeats each picture pixel instead of blending it with its
// neighbours, and read back at the middle of each repeat.
QImage renderRegion(const QString& pdf, const QRect& region) {
    constexpr int k = 5;
    const QString base = pdf + QStringLiteral(".region");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QString::number(96 * k), QStringLiteral("-x"),
                       QString::number(region.x() * k), QStringLiteral("-y"),
                       QString::number(region.y() * k), QStringLiteral("-W"),
                       QString::number(region.width() * k), QStringLiteral("-H"),
                       QString::number(region.height() * k), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), pdf, base});
    const QImage fine = QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    if (fine.size() != region.size() * k)
        return {};
    QImage sampled(region.size(), QImage::Format_RGB32);
    for (int y = 0; y < region.height(); ++y)
        for (int x = 0; x < region.width(); ++x)
            sampled.setPixel(x, y, fine.pixel(x * k + k / 2, y * k + k / 2));
    return sampled;
}

// Checks that the printed document holds no lossy image and that the picture and about 4 mm of
// page around it print as laid out, each pixel within one level (in black and white, the
// laid-out page's grey). The page box lies at `origin` on the sheet, in pixels at 96 per inch.
void expectLosslessPage(const QString& pdf, const QImage& page, QPoint origin, QRect picture,
                        bool grey) {
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.contains("/DCTDecode")) << "a JPEG image in the document";
    EXPECT_FALSE(bytes.contains("/JPXDecode")) << "a JPEG 2000 image in the document";
    EXPECT_EQ(pdfImageEncodings(pdf), QStringList{QStringLiteral("image")});

    const QRect around = picture.adjusted(-16, -16, 16, 16) & page.rect();
    const QImage sheet = renderRegion(pdf, around.translated(origin));
    ASSERT_FALSE(sheet.isNull());
    int pictureOff = 0;
    int aroundOff = 0;
    int worst = 0;
    for (int y = 0; y < around.height(); ++y)
        for (int x = 0; x < around.width(); ++x) {
            const QPoint at = around.topLeft() + QPoint(x, y);
            QRgb want = page.pixel(at);
            if (grey)
                want = qRgb(qGray(want), qGray(want), qGray(want));
            const QRgb got = sheet.pixel(x, y);
            const int d = std::max({qAbs(qRed(want) - qRed(got)), qAbs(qGreen(want) - qGreen(got)),
                                    qAbs(qBlue(want) - qBlue(got))});
            worst = std::max(worst, d);
            if (d > 1)
                ++(picture.contains(at) ? pictureOff : aroundOff);
        }
    EXPECT_EQ(pictureOff, 0) << "of " << picture.width() * picture.height()
                             << " picture pixels off by more than one level; the worst by "
                             << worst;
    EXPECT_EQ(aroundOff, 0) << "pixels around the picture off by more than one level";
}

template <class Pred> QRect inkBox(const QImage& page, Pred pred) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (pred(page.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

void expectNear(const QRect& got, const QRect& want, int tolerance = 1) {
    EXPECT_NEAR(got.left(), want.left(), tolerance) << "left";
    EXPECT_NEAR(got.top(), want.top(), tolerance) << "top";
    EXPECT_NEAR(got.right(), want.right(), tolerance) << "right";
    EXPECT_NEAR(got.bottom(), want.bottom(), tolerance) << "bottom";
}

// Runs `check(bw)` at each print quality in colour and in black and white; a fatal failure ends
// the round, so one broken case does not bury the report under the rest.
template <class Check> void forEachQualityAndColour(Check check) {
    for (bool bw : {false, true})
        for (bool highQ : {true, false}) {
            SCOPED_TRACE(testing::Message() << "HighQ " << highQ << ", B/W " << bw);
            VidBAS::g_HighQ = highQ;
            VidBAS::g_BW = bw;
            check(bw);
            if (testing::Test::HasFatalFailure())
                return;
        }
}

class PrintedPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        VidBAS::g_HighQ = true;
        VidBAS::g_BW = false;
    }
    void TearDown() override { Printer::setPdfOutput(QString()); }

    // Prints one page into a fresh PDF with the given margins and returns it rendered.
    QImage print(AAPrintPicture& pp, QMarginsF marginsMm = {}) {
        const QString pdf = dir.filePath(QStringLiteral("page%1.pdf").arg(++pages));
        Printer::setPdfOutput(pdf, marginsMm);
        VidBAS::g_PrintLayout = true;
        pp.PrintPicture();
        EXPECT_FALSE(VidBAS::g_PrintLayout);
        return renderPdf(pdf);
    }

    QTemporaryDir dir;
    int pages = 0;
};

} // namespace

TEST_F(PrintedPage, PositionsAndStretchLandWhereThePageSays) {
    AAPrintPicture pp;
    pp.setPicture(solid(102, 68, Qt::red));
    const struct {
        int align;
        Qt::Alignment where;
    } cases[] = {{0, Qt::AlignLeft | Qt::AlignTop},
                 {2, Qt::AlignRight | Qt::AlignTop},
                 {4, Qt::AlignCenter},
                 {6, Qt::AlignLeft | Qt::AlignBottom},
                 {8, Qt::AlignRight | Qt::AlignBottom}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.align);
        pp.setAlign(c.align);
        const QImage page = print(pp);
        ASSERT_FALSE(page.isNull());
        // A4 with no unprintable margins: the page box is the whole sheet.
        ASSERT_NEAR(page.width(), 794, 1);
        ASSERT_NEAR(page.height(), 1123, 1);
        const QRect want =
            QStyle::alignedRect(Qt::LeftToRight, c.where, QSize(102, 68), page.rect());
        expectNear(inkBox(page, reddish), want, 2);
    }

    pp.setAlign(8);
    pp.setStretch(true);
    const QImage stretched = print(pp);
    expectNear(inkBox(stretched, reddish), stretched.rect(), 2);
}

TEST_F(PrintedPage, MarginsOffsetThePictureAtEitherQuality) {
    AAPrintPicture pp;
    QSignalSpy margins(&pp, &AAPrintPicture::MarginReaded);
    pp.setPicture(solid(102, 68, Qt::red));
    pp.setAlign(0);
    // 5 mm unprintable on every side: the picture starts that far inside the printable area,
    // 10 mm from the sheet's corner, and keeps its size in millimetres at 600 and 300 dpi.
    const double tenMm = 10.0 / 25.4 * 96.0;
    for (bool highQ : {true, false, true}) {
        SCOPED_TRACE(highQ);
        VidBAS::g_HighQ = highQ;
        const QImage page = print(pp, QMarginsF(5, 5, 5, 5));
        ASSERT_FALSE(page.isNull());
        const QRect box = inkBox(page, reddish);
        EXPECT_NEAR(box.left(), tenMm, 2);
        EXPECT_NEAR(box.top(), tenMm, 2);
        EXPECT_NEAR(box.width(), 102, 2);
        EXPECT_NEAR(box.height(), 68, 2);
    }
    ASSERT_GE(margins.count(), 1);
    const QList<QVariant> last = margins.last();
    // Equal margins all round, whatever resolution they were measured at.
    EXPECT_GT(last.at(0).toLongLong(), 0);
    for (int i = 1; i < 4; ++i)
        EXPECT_NEAR(last.at(i).toLongLong(), last.at(0).toLongLong(), 1);
}

TEST_F(PrintedPage, BlackAndWhiteTurnsColourToGrey) {
    AAPrintPicture pp;
    pp.setPicture(solid(102, 68, Qt::red));
    pp.setAlign(4);
    VidBAS::g_BW = true;
    const QImage grey = print(pp);
    ASSERT_FALSE(grey.isNull());
    EXPECT_TRUE(inkBox(grey, reddish).isNull());
    EXPECT_NEAR(inkBox(grey, greyInk).width(), 102, 2);

    VidBAS::g_BW = false;
    const QImage colour = print(pp);
    EXPECT_NEAR(inkBox(colour, reddish).width(), 102, 2);
}

TEST_F(PrintedPage, ThePictureIsPrintedLosslesslyInColourAndGreyAtEitherQuality) {
    AAPrintPicture pp;
    const QImage frame = sharpFrame();
    pp.setPicture(frame);
    pp.setAlign(4);
    forEachQualityAndColour([&](bool bw) {
        const QString pdf = dir.filePath(QStringLiteral("page%1.pdf").arg(pages + 1));
        ASSERT_FALSE(print(pp).isNull());
        // The laid-out page carries the frame itself, so the sheet must show it unchanged.
        const QImage page = pp.pageImage();
        const QRect picture(picturePosition(4, page.size(), frame.size()), frame.size());
        ASSERT_EQ(page.copy(picture), frame);
        expectLosslessPage(pdf, page, QPoint(0, 0), picture, bw);
    });
}

TEST_F(PrintedPage, CustomPaperSizesThePrintedSheet) {
    AAPrintPicture pp;
    pp.setPicture(solid(50, 50, Qt::red));
    pp.setPaperSize(0);
    pp.setPaperWidth(100);
    pp.setPaperHeight(150);
    pp.setAlign(8);
    const QImage page = print(pp);
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 100 / 25.4 * 96, 1.5);
    EXPECT_NEAR(page.height(), 150 / 25.4 * 96, 1.5);
    const QRect box = inkBox(page, reddish);
    EXPECT_NEAR(box.right(), page.width() - 1, 2);
    EXPECT_NEAR(box.bottom(), page.height() - 1, 2);
}

namespace {

// A private print server: cupsd with its own configuration, spool and socket in a temporary
// folder, one queue whose device is a file, made the default.
class PrivateCups {
public:
    QString start() {
        if (geteuid() != 0)
            return QStringLiteral("the print server must be started as root");
        for (const char* tool : {"cupsd", "lpadmin"})
            if (QStandardPaths::findExecutable(
                    QString::fromLatin1(tool),
                    {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")})
                    .isEmpty())
                return QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
        if (!QFile::exists(QStringLiteral("/usr/lib/cups/filter/pdftopdf")))
            return QStringLiteral("the pdftopdf filter is not installed");
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        const QString root = m_dir.path();
        for (const char* sub : {"spool", "tmp", "cache", "state", "log", "out"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        // Filters run as the unprivileged print user and must write their temporary files and
        // the output.
        QFile::setPermissions(root, QFileDevice::Permissions(0x7755));
        for (const char* sub : {"tmp", "out"})
            QFile::setPermissions(root + QLatin1Char('/') + QString::fromLatin1(sub),
                                  QFileDevice::Permissions(0x7777));
        m_socket = root + QStringLiteral("/cups.sock");
        write(QStringLiteral("cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel info\nWebInterface No\nDefaultAuthType None\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                             "    Allow all\n  </Limit>\n</Policy>\n")
                  .arg(m_socket));
        write(QStringLiteral("cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\n"
                             "CacheDir %1/cache\nStateDir %1/state\nServerBin /usr/lib/cups\n"
                             "DataDir /usr/share/cups\nErrorLog %1/log/error_log\n"
                             "AccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                             "FileDevice Yes\nSandboxing Relaxed\n")
                  .arg(root));

        m_cupsd.setProgram(QStringLiteral("/usr/sbin/cupsd"));
        m_cupsd.setArguments({QStringLiteral("-f"), QStringLiteral("-c"), root + "/cupsd.conf",
                              QStringLiteral("-s"), root + "/cups-files.conf"});
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start();
        if (!m_cupsd.waitForStarted(5000))
            return QStringLiteral("cupsd did not start: ") + m_cupsd.errorString();
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(m_socket) && t.elapsed() < 10000) {
            if (m_cupsd.state() == QProcess::NotRunning)
                return QStringLiteral("cupsd stopped at once: ") +
                       QString::fromLocal8Bit(m_cupsd.readAll()) + log();
            QThread::msleep(50);
        }
        if (!QFile::exists(m_socket))
            return QStringLiteral("cupsd opened no socket: ") + log();

        qputenv("CUPS_SERVER", m_socket.toLocal8Bit());
        return addQueue();
    }

    // Sets up a queue writing to the file and makes it the default; empty on success, else why
    // not. Its PDF device has the margin in points unprintable on every side and, when asked,
    // offers a choice of 300 and 600 dpi.
    QString addQueue(const QString& name = QStringLiteral("KorimoCatcher"), QString file = {},
                     int marginPt = 18, bool resolutions = true) {
        if (file.isEmpty())
            file = outputPath();
        write(name + QStringLiteral(".ppd"), ppd(marginPt, resolutions));
        QString out;
        if (!admin({QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                    QStringLiteral("file://") + file, QStringLiteral("-P"),
                    m_dir.path() + QLatin1Char('/') + name + QStringLiteral(".ppd")},
                   out) ||
            !admin({QStringLiteral("-d"), name}, out))
            return QStringLiteral("lpadmin refused the queue: ") + out;
        return {};
    }

    QString outputPath(const QString& name = QStringLiteral("page")) const {
        return m_dir.path() + QStringLiteral("/out/") + name + QStringLiteral(".pdf");
    }

    // Waits for the queue to write the job's output.
    bool waitForOutput(int ms, const QString& name = QStringLiteral("page")) const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QFile f(outputPath(name));
            if (f.size() > 0 && f.open(QIODevice::ReadOnly) && f.readAll().contains("%%EOF"))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    // Runs one of the print system's command-line tools against this server.
    bool run(const char* tool, const QStringList& args, QString* out = nullptr) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(
            QStandardPaths::findExecutable(QString::fromLatin1(tool), {QStringLiteral("/usr/sbin"),
                                                                       QStringLiteral("/usr/bin")}),
            args);
        p.waitForFinished(15000);
        if (out)
            *out = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    qint64 pid() const { return m_cupsd.processId(); }
    void stop() {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(5000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(2000);
            }
        }
    }

    QString log() const {
        QFile f(m_dir.path() + QStringLiteral("/log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(2000))
                                           : QString();
    }

    ~PrivateCups() {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(5000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(2000);
            }
        }
    }

private:
    void write(const QString& name, const QString& text) {
        QFile f(m_dir.path() + QLatin1Char('/') + name);
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
    }

    bool admin(const QStringList& args, QString& out) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("/usr/sbin/lpadmin"), args);
        p.waitForFinished(15000);
        out = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    static QString ppd(int m, bool resolutions) {
        const auto area = [m](int w, int h) {
            return QStringLiteral("\"%1 %1 %2 %3\"").arg(m).arg(w - m).arg(h - m);
        };
        QString text =
            QStringLiteral(
                "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
                "*PCFileName: \"CATCHER.PPD\"\n*Manufacturer: \"Korimo\"\n*Product: \"(Catcher)\"\n"
                "*ModelName: \"Page Catcher\"\n*ShortNickName: \"Page Catcher\"\n"
                "*NickName: \"Page Catcher\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
                "*ColorDevice: True\n*DefaultColorSpace: RGB\n*FileSystem: False\n"
                "*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
                "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
                "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
                "*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                "*PageSize A5/A5: \"<</PageSize[420 595]>>setpagedevice\"\n*CloseUI: *PageSize\n"
                "*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
                "*DefaultPageRegion: A4\n*PageRegion A4/A4: \"<</PageSize[595 "
                "842]>>setpagedevice\"\n"
                "*PageRegion A5/A5: \"<</PageSize[420 595]>>setpagedevice\"\n*CloseUI: "
                "*PageRegion\n"
                "*DefaultImageableArea: A4\n*ImageableArea A4/A4: %1\n"
                "*ImageableArea A5/A5: %2\n*DefaultPaperDimension: A4\n"
                "*PaperDimension A4/A4: \"595 842\"\n*PaperDimension A5/A5: \"420 595\"\n")
                .arg(area(595, 842), area(420, 595));
        if (resolutions)
            text += QStringLiteral(
                "*OpenUI *Resolution/Resolution: PickOne\n"
                "*OrderDependency: 20 AnySetup *Resolution\n*DefaultResolution: 300dpi\n"
                "*Resolution 300dpi/300 dpi: \"<</HWResolution[300 300]>>setpagedevice\"\n"
                "*Resolution 600dpi/600 dpi: \"<</HWResolution[600 600]>>setpagedevice\"\n"
                "*CloseUI: *Resolution\n");
        return text;
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_cupsd;
};

} // namespace

// Runs in a process of its own (ctest starts one per case): the print system reads the server's
// address once, at its first use.
TEST(PrintOnCupsQueue, PageReachesTheDefaultQueueWithThePrinterMargins) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    PrivateCups cups;
    const QString why = cups.start();
    if (!why.isEmpty())
        GTEST_SKIP() << "no private print server in this sandbox: " << why.toStdString();

    Printer::setPdfOutput(QString());
    ASSERT_EQ(Printer::instance().DeviceName(), QStringLiteral("KorimoCatcher"));

    AAPrintPicture pp;
    QSignalSpy margins(&pp, &AAPrintPicture::MarginReaded);
    pp.setPicture(solid(102, 68, Qt::red));
    pp.setAlign(0);
    VidBAS::g_HighQ = false;
    VidBAS::g_BW = false;
    VidBAS::g_PrintLayout = true;
    ASSERT_NO_THROW(pp.PrintPicture());
    ASSERT_EQ(margins.count(), 1);
    // 18 points on each side at the printer's resolution.
    const long left = margins.at(0).at(0).toLongLong();
    const int dpi = Printer::instance().printQuality();
    EXPECT_EQ(dpi, 300);
    EXPECT_GT(left, 0);
    for (int i = 1; i < 4; ++i)
        EXPECT_NEAR(margins.at(0).at(i).toLongLong(), left, 1);

    ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
    const QImage page = renderPdf(cups.outputPath());
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 794, 1);
    // The picture sits one margin inside the printable area: 36 points from the corner.
    const QRect box = inkBox(page, reddish);
    EXPECT_NEAR(box.left(), 48, 2);
    EXPECT_NEAR(box.top(), 48, 2);
    EXPECT_NEAR(box.width(), 102, 2);
    EXPECT_NEAR(box.height(), 68, 2);
    Printer::reset();
}

namespace {
// A fresh private server per case, its default queue set up, the program's printer forgotten.
class CupsQueue : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        const QString why = cups.start();
        if (!why.isEmpty())
            GTEST_SKIP() << "no private print server in this sandbox: " << why.toStdString();
        Printer::setPdfOutput(QString());
        pp.setPicture(solid(102, 68, Qt::red));
        VidBAS::g_HighQ = false;
        VidBAS::g_BW = false;
    }
    void TearDown() override { Printer::reset(); }

    // Prints and returns the error number, 0 when the print claims success.
    int print() {
        VidBAS::g_PrintLayout = true;
        try {
            pp.PrintPicture();
        } catch (const PrintError& e) {
            return e.code();
        }
        return 0;
    }
    bool queue(const char* tool, QString* out = nullptr) {
        return cups.run(tool, {QStringLiteral("KorimoCatcher")}, out);
    }

    // What the server keeps of the newest job: each attribute by name, as text.
    static QMap<QString, QString> newestJobAttributes() {
        QMap<QString, QString> found;
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
        int id = 0;
        for (int i = 0; i < count; ++i)
            id = std::max(id, jobs[i].id);
        cupsFreeJobs(count, jobs);
        if (id == 0)
            return found;
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(id);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
        // The server shows a job's name only to its owner.
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "all");
        ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
        for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
            if (!ippGetName(a))
                continue;
            char text[256];
            ippAttributeString(a, text, sizeof text);
            found.insert(QString::fromUtf8(ippGetName(a)), QString::fromUtf8(text));
        }
        ippDelete(response);
        return found;
    }

    PrivateCups cups;
    AAPrintPicture pp;
};
} // namespace

TEST_F(CupsQueue, AQueueThatTakesNoJobIsAnErrorAndTheNextPrintFindsTheDefaultAgain) {
    ASSERT_TRUE(queue("cupsreject"));
    EXPECT_EQ(print(), kPrinterError) << "a refused job is no print";
    ASSERT_TRUE(queue("cupsaccept"));
    EXPECT_EQ(print(), 0);
    ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();

    QFile::remove(cups.outputPath());
    ASSERT_TRUE(cups.run("lpadmin", {QStringLiteral("-x"), QStringLiteral("KorimoCatcher")}));
    EXPECT_EQ(print(), kPrinterError) << "the queue was removed";
    ASSERT_EQ(cups.addQueue(), QString());
    EXPECT_EQ(print(), 0);
    EXPECT_TRUE(cups.waitForOutput(30000)) << "the queue set up again prints";

    // A paused queue holds the job: that is no failure.
    ASSERT_TRUE(queue("cupsdisable"));
    EXPECT_EQ(print(), 0);
    QString jobs;
    cups.run("lpstat", {QStringLiteral("-o"), QStringLiteral("KorimoCatcher")}, &jobs);
    EXPECT_TRUE(jobs.contains(QStringLiteral("KorimoCatcher-"))) << jobs.toStdString();
}

TEST_F(CupsQueue, AServerThatStoppedAfterAPrintIsAnError) {
    EXPECT_EQ(print(), 0);
    ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
    cups.stop();
    EXPECT_EQ(print(), kPrinterError);
    EXPECT_FALSE(Printer::instance().documentOpen());
}

TEST_F(CupsQueue, ACornerPictureStaysWholeOnThePrintableAreaWhateverTheQualityBefore) {
    pp.setAlign(8);
    // The queue's first quality is its own; each later print starts from the one before.
    QRect first;
    for (bool highQ : {false, false, true, true, false}) {
        SCOPED_TRACE(highQ);
        VidBAS::g_HighQ = highQ;
        QFile::remove(cups.outputPath());
        ASSERT_EQ(print(), 0);
        ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
        const QImage page = renderPdf(cups.outputPath());
        ASSERT_FALSE(page.isNull());
        const QRect box = inkBox(page, reddish);
        EXPECT_NEAR(box.width(), 102, 2);
        EXPECT_NEAR(box.height(), 68, 2);
        // 18 points unprintable on each side.
        EXPECT_LE(box.right(), page.width() - 1 - 24 + 1);
        EXPECT_LE(box.bottom(), page.height() - 1 - 24 + 1);
        if (first.isNull())
            first = box;
        expectNear(box, first, 1);
    }
}

TEST_F(CupsQueue, APrintGoesToTheDefaultPrinterOfTheMoment) {
    EXPECT_EQ(print(), 0);
    ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
    QFile::remove(cups.outputPath());

    ASSERT_EQ(cups.addQueue(QStringLiteral("KorimoOther"), cups.outputPath("other")), QString());
    EXPECT_EQ(print(), 0);
    EXPECT_TRUE(cups.waitForOutput(30000, QStringLiteral("other"))) << cups.log().toStdString();
    EXPECT_FALSE(QFile::exists(cups.outputPath())) << "the page went to the former default";
    EXPECT_EQ(Printer::instance().DeviceName(), QStringLiteral("KorimoOther"));

    // With the default queue gone and none chosen, nothing passes as printed.
    ASSERT_TRUE(cups.run("lpadmin", {QStringLiteral("-x"), QStringLiteral("KorimoOther")}));
    EXPECT_EQ(print(), kPrinterError);
}

TEST_F(CupsQueue, AServerThatHangsEndsInAnErrorInsteadOfAFrozenWindow) {
    EXPECT_EQ(print(), 0);
    ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
    const auto pid = pid_t(cups.pid());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    const auto resume = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(print(), kPrinterError);
    EXPECT_LT(t.elapsed(), 15000);
    EXPECT_FALSE(Printer::instance().documentOpen());
}

TEST_F(CupsQueue, QualityAndColourReachTheJobAsTheQueuesOwnOptions) {
    // The jobs wait in the paused queue, where their attributes can be read.
    ASSERT_TRUE(queue("cupsdisable"));
    struct Case {
        bool highQ, bw;
        const char *quality, *dpi, *colour;
    };
    for (const Case& c : {Case{true, false, "high", "600dpi", "color"},
                          Case{false, false, "normal", "300dpi", "color"},
                          Case{false, true, "normal", "300dpi", "monochrome"},
                          Case{true, true, "high", "600dpi", "monochrome"}}) {
        SCOPED_TRACE(testing::Message() << "HighQ " << c.highQ << ", B/W " << c.bw);
        VidBAS::g_HighQ = c.highQ;
        VidBAS::g_BW = c.bw;
        ASSERT_EQ(print(), 0);
        const QMap<QString, QString> job = newestJobAttributes();
        EXPECT_EQ(job.value("print-quality"), c.quality);
        EXPECT_EQ(job.value("printer-resolution"), c.dpi);
        // The queue's PPD offers both resolutions as its own choices.
        EXPECT_EQ(job.value("Resolution"), c.dpi);
        EXPECT_EQ(job.value("print-color-mode"), c.colour);
    }

    // A queue whose PPD has no resolution choice gets none, only the standard attributes.
    ASSERT_EQ(cups.addQueue(QStringLiteral("KorimoPlain"), cups.outputPath("plain"), 18, false),
              QString());
    ASSERT_TRUE(cups.run("cupsdisable", {QStringLiteral("KorimoPlain")}));
    VidBAS::g_HighQ = true;
    VidBAS::g_BW = false;
    ASSERT_EQ(print(), 0);
    const QMap<QString, QString> job = newestJobAttributes();
    EXPECT_EQ(job.value("job-printer-uri").section('/', -1), QStringLiteral("KorimoPlain"));
    EXPECT_EQ(job.value("print-quality"), "high");
    EXPECT_EQ(job.value("printer-resolution"), "600dpi");
    EXPECT_FALSE(job.contains("Resolution"));
}

TEST_F(CupsQueue, TheLayoutUsesTheQueuesOwnMarginsNarrowOnesToo) {
    QSignalSpy margins(&pp, &AAPrintPicture::MarginReaded);
    const QSize picture(102, 68);
    const QSize a4 = QSize(210, 297);
    for (int marginPt : {0, 5, 18}) {
        SCOPED_TRACE(testing::Message() << marginPt << " pt");
        const QString name = QStringLiteral("KorimoMargin%1").arg(marginPt);
        ASSERT_EQ(cups.addQueue(name, cups.outputPath(name), marginPt, false), QString());
        for (int align : {0, 4, 8}) {
            SCOPED_TRACE(testing::Message() << "Align " << align);
            pp.setAlign(align);
            margins.clear();
            QFile::remove(cups.outputPath(name));
            ASSERT_EQ(print(), 0);
            ASSERT_EQ(margins.count(), 1);
            // Measured at 600 dpi, the same on every side.
            const double printerPixels = marginPt / 72.0 * 600.0;
            for (int i = 0; i < 4; ++i)
                EXPECT_NEAR(margins.at(0).at(i).toDouble(), printerPixels, 1.0);
            // The page box is the paper less a quarter of the margins on both sides.
            const QSize box = pp.pageImage().size();
            EXPECT_NEAR(box.width(), a4.width() / 25.4 * 96 - printerPixels / 2, 1);
            EXPECT_NEAR(box.height(), a4.height() / 25.4 * 96 - printerPixels / 2, 1);

            ASSERT_TRUE(cups.waitForOutput(30000, name)) << cups.log().toStdString();
            const QImage page = renderPdf(cups.outputPath(name));
            ASSERT_FALSE(page.isNull());
            ASSERT_NEAR(page.width(), 794, 1);
            // The page box starts one margin inside the printable area, itself one margin in.
            const double origin = 2 * marginPt / 72.0 * 96.0;
            const int column = align % 3;
            const int row = align / 3;
            const double x = column == 0   ? 0
                             : column == 1 ? std::floor((box.width() - picture.width()) / 2.0)
                                           : box.width() - picture.width();
            const double y = row == 0   ? 0
                             : row == 1 ? std::floor((box.height() - picture.height()) / 2.0)
                                        : box.height() - picture.height();
            const QRect ink = inkBox(page, reddish);
            EXPECT_NEAR(ink.left(), origin + x, 2);
            EXPECT_NEAR(ink.top(), origin + y, 2);
            EXPECT_NEAR(ink.width(), picture.width(), 2);
            EXPECT_NEAR(ink.height(), picture.height(), 2);
            if (marginPt == 0) {
                // Nothing unprintable: the corners and the centre of the sheet itself.
                const QRect want = QStyle::alignedRect(
                    Qt::LeftToRight,
                    QFlags<Qt::AlignmentFlag>(
                        std::array{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight}[column]) |
                        std::array{Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom}[row],
                    picture, page.rect());
                expectNear(ink, want, 2);
            }
        }
    }
}

TEST_F(CupsQueue, ThePictureReachesTheQueueLosslesslyInColourAndGreyAtEitherQuality) {
    const QImage frame = sharpFrame();
    pp.setPicture(frame);
    pp.setAlign(4);
    forEachQualityAndColour([&](bool bw) {
        QFile::remove(cups.outputPath());
        ASSERT_EQ(print(), 0);
        ASSERT_TRUE(cups.waitForOutput(30000)) << cups.log().toStdString();
        // 18 points unprintable, and the page box one margin inside the printable area.
        const QImage page = pp.pageImage();
        const QRect picture(picturePosition(4, page.size(), frame.size()), frame.size());
        expectLosslessPage(cups.outputPath(), page, QPoint(48, 48), picture, bw);
    });
}

TEST_F(CupsQueue, TheJobIsNamedAfterTheProgram) {
    // The job waits in the paused queue, where queue viewers list it.
    ASSERT_TRUE(queue("cupsdisable"));
    ASSERT_EQ(print(), 0);
    EXPECT_EQ(newestJobAttributes().value("job-name").toStdString(), "Korimo v3.0");
}

TEST_F(CupsQueue, ANewUsersFirstPrintGoesOutAtHighQuality) {
    test::ScopedSettingsFile settings;
    VidBAS::ResetState();
    ASSERT_FALSE(VidBAS::g_HighQ) << "the quality must come from the store's default";
    Main main;
    main.Load();
    QApplication::clipboard()->setImage(sharpFrame());
    Viewer* v = loadViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    const auto unload = qScopeGuard([v] { v->Unload(); });
    test::MessageCatcher messages;

    ASSERT_TRUE(queue("cupsdisable"));
    main.Cmds_Click(6);
    EXPECT_TRUE(messages.titles.isEmpty()) << messages.texts.join(' ').toStdString();
    const QMap<QString, QString> job = newestJobAttributes();
    EXPECT_EQ(job.value("print-quality").toStdString(), "high");
    EXPECT_EQ(job.value("printer-resolution").toStdString(), "600dpi");
    EXPECT_EQ(job.value("Resolution").toStdString(), "600dpi");
    EXPECT_EQ(job.value("print-color-mode").toStdString(), "color");
    EXPECT_EQ(SettingsStore::get(QStringLiteral("HighQ"), QStringLiteral("none")).toStdString(),
              "none")
        << "printing stores nothing";
}
