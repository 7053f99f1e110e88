#include "app/main_form.h"
#include "app/vidbas.h"
#include "capturewindowtest.h"
#include "clipboard/clipboard.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "imaging/savefile.h"
#include "imaging/writers.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/playmedia.h"
#include "play/playcontrol.h"
#include "printer/printer.h"
#include "settings/settingsstore.h"
#include "support/diskfaults.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "support/whileloading.h"
#include "viewers/aaprintpicture.h"
#include "viewers/tools.h"
#include "viewers/viewer.h"
#include "widgets/hslider.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

using namespace korimo;
using namespace korimo::test;

namespace {

QImage rgb(const QImage& img) {
    return img.convertToFormat(QImage::Format_RGB32);
}

// The largest difference of any colour channel between two pictures of the same size.
int maxDifference(const QImage& a, const QImage& b) {
    const QImage x = rgb(a), y = rgb(b);
    if (x.size() != y.size())
        return 256;
    int worst = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

// Qt has no TGA reader: an uncompressed 32-bit Truevision file is read here, rows top-down.
QImage readTga32(const QByteArray& bytes) {
    if (bytes.size() < 18 || bytes[2] != 2 || uchar(bytes[16]) != 32)
        return {};
    const int w = uchar(bytes[12]) | uchar(bytes[13]) << 8;
    const int h = uchar(bytes[14]) | uchar(bytes[15]) << 8;
    const bool topDown = uchar(bytes[17]) & 0x20;
    const int start = 18 + uchar(bytes[0]);
    if (bytes.size() < start + w * h * 4)
        return {};
    QImage img(w, h, QImage::Format_RGB32);
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + start;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c, p += 4)
            img.setPixel(c, topDown ? r : h - 1 - r, qRgb(p[2], p[1], p[0]));
    return img;
}

// Qt's readers try other suffixes when a name is missing, so files are read by exact name here.
QByteArray formatOf(const QString& path) {
    QByteArray bytes = readAll(path);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).format();
}
QImage decoded(const QString& path) {
    return QImage::fromData(readAll(path));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class CaptureTest : public CaptureWindowTest {
protected:
    // Opens the lossless clip paused on frame `index`.
    void openAt(int index) {
        ASSERT_NO_FATAL_FAILURE(openPaused());
        for (int i = 0; i < index; ++i)
            main.Cmd2_Click(3);
        ASSERT_EQ(decodeIndex(main.MMPlay->FramePicture(5000)), index);
    }
    // Automatic names in the scratch folder.
    void autoSaveInto(const QString& folder) {
        VidBAS::g_AutoSave = true;
        VidBAS::g_SpecialFolder = true;
        VidBAS::g_Folder = folder;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CaptureTest, CapturePutsTheShownFrameOnTheClipboardAndInAFreshViewer) {
    openAt(3);
    main.Cmd2_Click(4);
    const auto pasted = clipboard::readImage();
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(rgb(toQImage(*pasted)), rgb(sourceFrame(3)));

    QPointer<Viewer> first = findViewer(Viewer::First);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), &main);
    EXPECT_EQ(rgb(first->ImgCtl1->ImagePicture()), rgb(sourceFrame(3)));
    EXPECT_EQ(rgb(first->ClipPic->Picture()), rgb(sourceFrame(3)));
    EXPECT_TRUE(main.Cmd2[5]->Enabled());
    EXPECT_TRUE(main.Cmds[6]->Enabled());

    // The next capture replaces the window, and save stays on although the old one unloaded.
    main.Cmd2_Click(3);
    main.Cmd2_Click(4);
    Viewer* second = findViewer(Viewer::First);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(!first || !first->IsLoaded());
    EXPECT_EQ(rgb(second->ImgCtl1->ImagePicture()), rgb(sourceFrame(4)));
    EXPECT_TRUE(main.Cmd2[5]->Enabled());

    second->close();
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
    EXPECT_FALSE(main.Cmds[6]->Enabled());
}

TEST_F(CaptureTest, CaptureWithoutAVideoShowsTheClipboardError) {
    MessageCatcher messages;
    main.Cmd2_Click(4);
    EXPECT_EQ(messages.titles, QStringList{"Clipboard Error!"});
    EXPECT_EQ(messages.texts, QStringList{"Error copying frame to clipboard. Restart video, then "
                                          "pause, then try to capture again."});
    EXPECT_EQ(findViewer(Viewer::First), nullptr);
}

TEST_F(CaptureTest, AutomaticNamesTakeTheFirstFreeNumberOnEverySave) {
    openAt(2);
    main.Cmd2_Click(4);
    autoSaveInto(dir.path());
    writeFile(dir.filePath("auto1.bmp"), "kept one");
    writeFile(dir.filePath("auto2.bmp"), "kept two");

    main.Cmd2_Click(5);
    EXPECT_EQ(VidBAS::g_SaveFile, dir.path() + "/auto3.bmp");
    EXPECT_EQ(rgb(decoded(dir.filePath("auto3.bmp"))), rgb(sourceFrame(2)));
    EXPECT_EQ(readAll(dir.filePath("auto1.bmp")), "kept one");

    // An empty file counts as free; numbers freed by deleting files are used again.
    writeFile(dir.filePath("auto1.bmp"), "");
    main.Cmd2_Click(5);
    EXPECT_FALSE(decoded(dir.filePath("auto1.bmp")).isNull());
    ASSERT_TRUE(QFile::remove(dir.filePath("auto2.bmp")));
    main.Cmd2_Click(5);
    EXPECT_FALSE(decoded(dir.filePath("auto2.bmp")).isNull());
    EXPECT_FALSE(QFile::exists(dir.filePath("auto4.bmp")));

    // Without a chosen folder the names go to the current folder.
    QTemporaryDir here;
    QDir::setCurrent(here.path());
    VidBAS::g_SpecialFolder = false;
    main.Cmd2_Click(5);
    EXPECT_FALSE(decoded(here.filePath("auto1.bmp")).isNull());
    EXPECT_EQ(dialogs.asked, 1); // only the open dialog was shown
}

TEST_F(CaptureTest, AnAutomaticNameTakenByAFolderIsPassedOver) {
    openAt(2);
    main.Cmd2_Click(4);
    autoSaveInto(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir("auto1.bmp"));
    MessageCatcher messages;

    main.Cmd2_Click(5);
    EXPECT_TRUE(messages.titles.isEmpty()) << messages.titles.join(',').toStdString();
    EXPECT_EQ(VidBAS::g_SaveFile, dir.path() + "/auto2.bmp");
    EXPECT_EQ(rgb(decoded(dir.filePath("auto2.bmp"))), rgb(sourceFrame(2)));
    EXPECT_TRUE(QFileInfo(dir.filePath("auto1.bmp")).isDir());
}

TEST_F(CaptureTest, AnAutomaticNameHeldByALinkToNothingIsPassedOver) {
    openAt(2);
    main.Cmd2_Click(4);
    autoSaveInto(dir.path());
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("not-yet.bmp");
    ASSERT_TRUE(QFile::link(target, dir.filePath("auto1.bmp")));
    MessageCatcher messages;

    main.Cmd2_Click(5);
    EXPECT_TRUE(messages.titles.isEmpty()) << messages.titles.join(',').toStdString();
    EXPECT_EQ(VidBAS::g_SaveFile, dir.path() + "/auto2.bmp");
    EXPECT_EQ(rgb(decoded(dir.filePath("auto2.bmp"))), rgb(sourceFrame(2)));
    EXPECT_FALSE(QFile::exists(target)) << "nothing is written through the link";
    EXPECT_TRUE(QFileInfo(dir.filePath("auto1.bmp")).isSymLink());
}

TEST_F(CaptureTest, EveryCaptureFormatWritesItsKindOfFile) {
    openAt(5);
    main.Cmd2_Click(4);
    autoSaveInto(dir.path());
    const QImage frame = sourceFrame(5);

    SettingsStore::save("Ext", ".jpg");
    main.Cmd2_Click(5);
    EXPECT_EQ(formatOf(dir.filePath("auto1.jpg")), "jpeg");
    EXPECT_LE(maxDifference(decoded(dir.filePath("auto1.jpg")), frame), 16);

    SettingsStore::save("Ext", ".gif");
    main.Cmd2_Click(5);
    EXPECT_EQ(formatOf(dir.filePath("auto1.gif")), "gif");
    const QImage gifImage = decoded(dir.filePath("auto1.gif"));
    EXPECT_EQ(gifImage.size(), frame.size());
    EXPECT_LE(gifImage.colorCount(), 256);

    SettingsStore::save("Ext", ".tga");
    main.Cmd2_Click(5);
    EXPECT_EQ(readTga32(readAll(dir.filePath("auto1.tga"))), rgb(frame));

    SettingsStore::save("Ext", ".bmp");
    main.Cmd2_Click(5);
    const QByteArray bmp = readAll(dir.filePath("auto1.bmp"));
    ASSERT_GT(bmp.size(), 30);
    EXPECT_EQ(uchar(bmp[28]), 24); // bits per pixel
    EXPECT_EQ(rgb(QImage::fromData(bmp, "BMP")), rgb(frame));

    // An extension no option writes is refused rather than guessed at.
    MessageCatcher messages;
    SettingsStore::save("Ext", ".png");
    main.Cmd2_Click(5);
    EXPECT_EQ(messages.titles, QStringList{"Error!"});
    EXPECT_FALSE(QFile::exists(dir.filePath("auto1.png")));
}

TEST_F(CaptureTest, DialogNamesGetTheExtensionUnlessTheyEndInItInAnyCase) {
    openAt(1);
    main.Cmd2_Click(4);
    SettingsStore::save("Ext", ".jpg");

    dialogs.saveAnswer = dir.filePath("frame.JPG");
    main.Cmd2_Click(5);
    EXPECT_EQ(dialogs.last.title, "Save Video Frame");
    EXPECT_EQ(formatOf(dir.filePath("frame.JPG")), "jpeg");

    dialogs.saveAnswer = dir.filePath("frame.png");
    main.Cmd2_Click(5);
    EXPECT_EQ(VidBAS::g_SaveFile, dir.filePath("frame.png.jpg"));
    EXPECT_EQ(formatOf(dir.filePath("frame.png.jpg")), "jpeg");
    EXPECT_FALSE(QFile::exists(dir.filePath("frame.png")));

    // A name the user chose replaces the file there.
    writeFile(dir.filePath("old.jpg"), "old bytes");
    dialogs.saveAnswer = dir.filePath("old.jpg");
    main.Cmd2_Click(5);
    EXPECT_EQ(formatOf(dir.filePath("old.jpg")), "jpeg");

    // Cancelling writes nothing and says nothing.
    MessageCatcher messages;
    const int before = QDir(dir.path()).count();
    dialogs.saveAnswer.clear();
    main.Cmd2_Click(5);
    EXPECT_EQ(QDir(dir.path()).count(), before);
    EXPECT_TRUE(messages.titles.isEmpty());

    // A chosen folder becomes the current folder before the dialog opens, and stays so.
    QTemporaryDir chosen;
    VidBAS::g_SpecialFolder = true;
    VidBAS::g_Folder = chosen.path();
    main.Cmd2_Click(5);
    EXPECT_EQ(QDir::currentPath(), QDir(chosen.path()).canonicalPath());
}

TEST_F(CaptureTest, AnExtensionAddedToADialogNameAsksBeforeReplacingThatFile) {
    openAt(1);
    main.Cmd2_Click(4);
    SettingsStore::save("Ext", ".jpg");
    writeFile(dir.filePath("shot.jpg"), "old bytes");
    // The dialog asked about "shot" only; the file written is shot.jpg.
    dialogs.saveAnswer = dir.filePath("shot");
    QStringList asked;
    {
        ModalAnswerer no([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << w->metaObject()->className();
            asked << box->text();
            box->button(QMessageBox::No)->click();
        });
        main.Cmd2_Click(5);
    }
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked.first().startsWith("shot.jpg already exists."))
        << asked.first().toStdString();
    EXPECT_EQ(readAll(dir.filePath("shot.jpg")), "old bytes");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"shot.jpg"});
    ASSERT_NE(findViewer(Viewer::First), nullptr);
    EXPECT_TRUE(findViewer(Viewer::First)->isVisible());

    {
        ModalAnswerer yes([](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->button(QMessageBox::Yes)->click();
            else
                w->close();
        });
        main.Cmd2_Click(5);
        EXPECT_EQ(yes.answered(), 1);
    }
    EXPECT_EQ(formatOf(dir.filePath("shot.jpg")), "jpeg");

    // A new name is written without a question.
    MessageCatcher messages;
    dialogs.saveAnswer = dir.filePath("fresh");
    main.Cmd2_Click(5);
    EXPECT_EQ(messages.answerer.answered(), 0);
    EXPECT_EQ(formatOf(dir.filePath("fresh.jpg")), "jpeg");
}

TEST_F(CaptureTest, TheReplaceQuestionShowsAFileNameThatLooksLikeMarkupAsItIs) {
    openAt(1);
    main.Cmd2_Click(4);
    SettingsStore::save("Ext", ".jpg");
    const QString name = QStringLiteral("<b>shot & <i>take");
    writeFile(dir.filePath(name + ".jpg"), "old bytes");
    dialogs.saveAnswer = dir.filePath(name);
    QString text;
    bool readsMarkup = true;
    {
        ModalAnswerer no([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << w->metaObject()->className();
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            text = label->text();
            readsMarkup = label->textFormat() == Qt::RichText ||
                          (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
            box->button(QMessageBox::No)->click();
        });
        main.Cmd2_Click(5);
    }
    EXPECT_TRUE(text.startsWith(name + ".jpg already exists.")) << text.toStdString();
    EXPECT_FALSE(readsMarkup) << "the name would show with its tags taken as markup";
    EXPECT_EQ(readAll(dir.filePath(name + ".jpg")), "old bytes");
}

TEST_F(CaptureTest, SavingFromTheVideoWritesTheCurrentFrameAsABitmap) {
    openAt(2);
    main.Cmd2_Click(4);
    main.Cmd2_Click(3);
    main.Cmd2_Click(3); // the video now shows frame 4, the viewer frame 2
    SettingsStore::save("Ext", ".jpg");
    VidBAS::g_VidSave = true;
    autoSaveInto(dir.path());

    main.Cmd2_Click(5);
    EXPECT_EQ(VidBAS::g_SaveFile, dir.path() + "/auto1.bmp");
    EXPECT_EQ(rgb(decoded(dir.filePath("auto1.bmp"))), rgb(sourceFrame(4)));
    EXPECT_EQ(SettingsStore::get("Ext", ""), ".jpg");
    EXPECT_EQ(VidBAS::g_Ext, ".jpg");

    VidBAS::g_AutoSave = false;
    dialogs.saveAnswer = dir.filePath("shot.Bmp");
    main.Cmd2_Click(5);
    EXPECT_EQ(formatOf(dir.filePath("shot.Bmp")), "bmp");
    dialogs.saveAnswer = dir.filePath("shot.jpg");
    main.Cmd2_Click(5);
    EXPECT_EQ(formatOf(dir.filePath("shot.jpg.bmp")), "bmp");
}

TEST_F(CaptureTest, TheResizedWindowTakesOverSaveAndCloseAfterSave) {
    openAt(6);
    main.Cmd2_Click(4);
    const QImage resized = rgb(sourceFrame(9)).scaled(100, 75);
    QApplication::clipboard()->setImage(resized);
    Viewer* v2 = loadViewer(Viewer::Second);
    ASSERT_TRUE(VidBAS::g_Viewer2Open);
    autoSaveInto(dir.path());
    VidBAS::g_NoWin = true;

    main.Cmd2_Click(5);
    EXPECT_EQ(rgb(decoded(dir.filePath("auto1.bmp"))), resized);
    EXPECT_FALSE(v2->IsLoaded());
    EXPECT_FALSE(VidBAS::g_Viewer2Open);
    ASSERT_NE(findViewer(Viewer::First), nullptr);

    // Then the first viewer saves, and closes.
    main.Cmd2_Click(5);
    EXPECT_EQ(rgb(decoded(dir.filePath("auto2.bmp"))), rgb(sourceFrame(6)));
    EXPECT_EQ(findViewer(Viewer::First), nullptr);
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
}

TEST_F(CaptureTest, AFailedSaveSaysSoLeavesNoFileAndKeepsTheViewer) {
    openAt(1);
    main.Cmd2_Click(4);
    const QString missing = dir.filePath("gone/away");
    autoSaveInto(missing);
    VidBAS::g_NoWin = true;
    MessageCatcher messages;

    main.Cmd2_Click(5);
    EXPECT_EQ(messages.titles, QStringList{"Error!"});
    ASSERT_EQ(messages.texts.size(), 1);
    // The message as designed, and the cause on a line of its own below it.
    const QStringList lines = messages.texts[0].split("\n");
    ASSERT_EQ(lines.size(), 2) << messages.texts[0].toStdString();
    EXPECT_EQ(lines[0], "Error saving captured video frame.");
    EXPECT_EQ(lines[1], "The folder " + missing + " does not exist.");
    EXPECT_EQ(VidBAS::g_SaveFile, missing + "/auto1.bmp");
    EXPECT_FALSE(QFile::exists(VidBAS::g_SaveFile));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    EXPECT_NE(findViewer(Viewer::First), nullptr);
}

TEST_F(CaptureTest, WithoutTheViewerEachSaveWritesTheFrameShownNow) {
    openAt(2);
    // An older picture on the clipboard must not end up in the file.
    QApplication::clipboard()->setImage(rgb(sourceFrame(40)));
    VidBAS::g_NoCap = true;
    autoSaveInto(dir.path());
    SettingsStore::save("Ext", ".tga");

    main.Cmd2_Click(5);
    EXPECT_EQ(readTga32(readAll(dir.filePath("auto1.tga"))), rgb(sourceFrame(2)));
    Viewer* hidden = findViewer(Viewer::First);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->isVisible());

    main.Cmd2_Click(3);
    main.Cmd2_Click(5);
    EXPECT_EQ(readTga32(readAll(dir.filePath("auto2.tga"))), rgb(sourceFrame(3)));

    // A capture that slips through while NoCap is set leaves the last saved file alone.
    const QByteArray saved = readAll(dir.filePath("auto2.tga"));
    main.Cmd2_Click(3);
    main.Cmd2_Click(4);
    EXPECT_EQ(readAll(dir.filePath("auto2.tga")), saved);
    // The window that load made and the capture then showed still writes the next save.
    main.Cmd2_Click(5);
    EXPECT_EQ(readTga32(readAll(dir.filePath("auto3.tga"))).size(), QSize(kClipWidth, kClipHeight));
}

TEST_F(CaptureTest, AQuickSecondCaptureLeavesOneViewerThatTheToolsEditAndSaveWrites) {
    openAt(3);
    {
        test::WhileLoading<Viewer> second([&] { main.Cmd2_Click(4); });
        main.Cmd2_Click(4);
        ASSERT_TRUE(second.done());
    }
    int viewers = 0;
    for (Form* f : Form::Forms())
        viewers += f->Name() == "Viewer";
    EXPECT_EQ(viewers, 1);
    Viewer* v = findViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    ASSERT_NE(Tools::loaded(), nullptr);
    EXPECT_EQ(Tools::loaded()->host(), v);

    // The flip made in the tool window is what the save writes.
    Tools::loaded()->Cmd2_Click(1);
    autoSaveInto(dir.path());
    main.Cmd2_Click(5);
    EXPECT_EQ(rgb(decoded(dir.filePath("auto1.bmp"))), rgb(sourceFrame(3).mirrored(false, true)));
}

TEST_F(CaptureTest, ACaptureAfterSavesWithoutTheViewerShowsTheNewFrame) {
    openAt(2);
    VidBAS::g_NoCap = true;
    autoSaveInto(dir.path());
    main.Cmd2_Click(5); // leaves the window that held the saved frame hidden
    ASSERT_NE(findViewer(Viewer::First), nullptr);

    VidBAS::g_NoCap = false;
    main.Cmd2_Click(3);
    main.Cmd2_Click(4);
    Viewer* v = findViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(rgb(v->ImgCtl1->ImagePicture()), rgb(sourceFrame(3)));
    EXPECT_EQ(rgb(v->ClipPic->Picture()), rgb(sourceFrame(3)));
    EXPECT_TRUE(main.Cmd2[5]->Enabled());

    // And the save writes the frame shown.
    main.Cmd2_Click(5);
    EXPECT_EQ(rgb(decoded(dir.filePath("auto2.bmp"))), rgb(sourceFrame(3)));
}

TEST_F(CaptureTest, WithoutTheViewerAFrameThatCannotBeWrittenOpensNoPicture) {
    openAt(2);
    VidBAS::g_NoCap = true;
    autoSaveInto(dir.filePath("missing"));
    MessageCatcher messages;

    main.Cmd2_Click(5);
    EXPECT_EQ(messages.titles, (QStringList{"Error Opening Capture!", "Error!"}));
    Viewer* v = findViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    EXPECT_FALSE(v->ImgCtl1->hasImage());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

TEST_F(CaptureTest, WithoutTheViewerAFailedSaveLeavesNoFileAndKeepsTheOldOne) {
    openAt(2);
    VidBAS::g_NoCap = true;
    autoSaveInto(dir.path());
    // An extension no option writes: the save fails, and must not leave a file behind.
    SettingsStore::save("Ext", ".png");
    {
        MessageCatcher messages;
        main.Cmd2_Click(5);
        ASSERT_FALSE(messages.titles.isEmpty());
        EXPECT_EQ(messages.titles.last(), "Error!");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    // A file chosen in the dialog keeps its contents when the frame does not fit on the disk.
    SettingsStore::save("Ext", ".tga");
    VidBAS::g_AutoSave = false;
    writeFile(dir.filePath("keep.tga"), "old picture");
    dialogs.saveAnswer = dir.filePath("keep.tga");
    // A file-size limit above a 24-bit bitmap of the frame and below its 32-bit Targa file.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 54 + kClipWidth * kClipHeight * 3 + 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QStringList titles;
    {
        MessageCatcher messages;
        main.Cmd2_Click(5);
        titles = messages.titles;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_EQ(titles.last(), "Error!");
    EXPECT_EQ(readAll(dir.filePath("keep.tga")), "old picture");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"keep.tga"});
}

// The save dialog's name over an older file on a disk with no room left, in each format, for a
// frame small enough to sit in the writer's buffer and for the whole frame.
class CaptureOntoAFullDisk : public CaptureTest,
                             public ::testing::WithParamInterface<FullFolder::Kind> {};

TEST_P(CaptureOntoAFullDisk, SaysSoWithTheCauseAndKeepsTheOlderFile) {
    FullFolder folder(GetParam());
    if (!folder.unavailable().isEmpty())
        GTEST_SKIP() << "no small file system can be mounted here ("
                     << folder.unavailable().toStdString() << "); the file-size limit case runs";
    openAt(4);
    main.Cmd2_Click(4);
    Viewer* v = findViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    QStringList expected;
    for (const QSize size : {QSize(kClipWidth, kClipHeight), QSize(16, 12)}) {
        v->ImgCtl1->ResizeImage(size.width(), size.height(), 0);
        for (const char* ext : {".bmp", ".jpg", ".tga", ".gif"}) {
            const QString name = QStringLiteral("older%1%2").arg(size.width()).arg(ext);
            const QByteArray older = "the older picture " + name.toUtf8();
            writeFile(folder.filePath(name), older);
            expected << name;
            SettingsStore::save("Ext", ext);
            dialogs.saveAnswer = folder.filePath(name);
            MessageCatcher messages;
            folder.fill();
            main.Cmd2_Click(5);
            folder.release();
            ASSERT_EQ(messages.texts.size(), 1) << name.toStdString();
            EXPECT_EQ(messages.titles[0], "Error!");
            const QStringList lines = messages.texts[0].split('\n');
            EXPECT_EQ(lines[0], "Error saving captured video frame.");
            EXPECT_TRUE(lines.size() == 2 && lines[1].endsWith(folder.reason() + '.'))
                << messages.texts[0].toStdString();
            EXPECT_EQ(readAll(folder.filePath(name)), older) << name.toStdString();
        }
    }
    QStringList left = folder.entries();
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected) << "no temporary file is left";
    EXPECT_EQ(findViewer(Viewer::First), v);
}

INSTANTIATE_TEST_SUITE_P(, CaptureOntoAFullDisk,
                         ::testing::Values(FullFolder::FileSystem, FullFolder::SizeLimit),
                         [](const auto& p) {
                             return p.param == FullFolder::FileSystem ? std::string("FileSystem")
                                                                      : std::string("SizeLimit");
                         });

// Another copy of the program saving under automatic names into the same folder at the same
// time, here a thread that names and writes its files the way the save does.
TEST_F(CaptureTest, AutomaticNamesNeverReplaceAFileAnotherSaverJustWrote) {
    openAt(2);
    main.Cmd2_Click(4);
    autoSaveInto(dir.path());
    Viewer* v = findViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    v->ImgCtl1->ResizeImage(16, 12, 0);
    const QImage ours = rgb(v->ImgCtl1->ImagePicture());
    const QImage theirs = rgb(sourceFrame(9).scaled(16, 12));
    constexpr int kSaves = 150;

    std::atomic<bool> start{false};
    QStringList theirNames;
    std::thread other([&] {
        const Image image = fromQImage(theirs);
        while (!start)
            std::this_thread::yield();
        for (int i = 0; i < kSaves; ++i) {
            int n = 0;
            const NextName next = [&] {
                QString name;
                do
                    name = dir.filePath(QStringLiteral("auto%1.bmp").arg(++n));
                while (QFileInfo(name).size() > 0);
                return name;
            };
            theirNames << saveImageFile(image, next(), kFormatBmp, 24, 0, next);
        }
    });
    MessageCatcher messages;
    QStringList ourNames;
    start = true;
    for (int i = 0; i < kSaves; ++i) {
        main.Cmd2_Click(5);
        ourNames << VidBAS::g_SaveFile;
    }
    other.join();

    EXPECT_TRUE(messages.titles.isEmpty()) << messages.texts.join('|').toStdString();
    QStringList all = ourNames + theirNames;
    EXPECT_EQ(all.removeDuplicates(), 0) << "two saves were given one name";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2 * kSaves);
    int replaced = 0;
    for (const QString& name : ourNames)
        replaced += rgb(decoded(name)) != ours;
    for (const QString& name : theirNames)
        replaced += rgb(decoded(name)) != theirs;
    EXPECT_EQ(replaced, 0) << "files hold what another save wrote";
}

TEST_F(CaptureTest, ThePrintButtonPrintsTheResizedFrameWhileItsWindowIsOpen) {
    Printer::setPdfOutput(dir.filePath("page.pdf"));
    openAt(1);
    main.Cmd2_Click(4);
    Viewer* first = findViewer(Viewer::First);
    ASSERT_NE(first, nullptr);
    const QImage resized = rgb(sourceFrame(7)).scaled(64, 48);
    QApplication::clipboard()->setImage(resized);
    Viewer* v2 = loadViewer(Viewer::Second);

    main.Cmds_Click(6);
    EXPECT_EQ(rgb(v2->AAPrintPicture1->Picture()), resized);
    EXPECT_NE(rgb(first->AAPrintPicture1->Picture()), rgb(sourceFrame(1)));

    v2->Unload();
    main.Cmds_Click(6);
    EXPECT_EQ(rgb(first->AAPrintPicture1->Picture()), rgb(sourceFrame(1)));
    Printer::setPdfOutput(QString());
    Printer::reset();
}

namespace {

// The largest channel difference between the colour at a point and the one expected there.
int colourDistance(const QImage& picture, QPoint at, QRgb expected) {
    if (picture.isNull() || !picture.rect().contains(at))
        return 256;
    const QRgb c = picture.pixel(at);
    return std::max({std::abs(qRed(c) - qRed(expected)), std::abs(qGreen(c) - qGreen(expected)),
                     std::abs(qBlue(c) - qBlue(expected))});
}

// Both flat halves of a captured SD picture (640 x 480) within three levels of what was encoded.
void expectEncodedColours(const QImage& picture, const char* what) {
    EXPECT_LE(colourDistance(picture, {160, 240}, kFlatLeft), 3) << what;
    EXPECT_LE(colourDistance(picture, {480, 240}, kFlatRight), 3) << what;
}

} // namespace

// A BT.601 video keeps its colours on every road out of the program: the clipboard, the viewer,
// every file format and the save straight from the video.
TEST_F(CaptureTest, EveryCaptureOfAnSdVideoKeepsTheEncodedColours) {
    ASSERT_NO_FATAL_FAILURE(openAndPause(clipPath("flat601.mov")));
    main.btnStart_Click();
    main.Cmd2_Click(4);
    const auto pasted = clipboard::readImage();
    ASSERT_TRUE(pasted.has_value());
    expectEncodedColours(toQImage(*pasted), "clipboard");
    Viewer* viewer = findViewer(Viewer::First);
    ASSERT_NE(viewer, nullptr);
    expectEncodedColours(viewer->ImgCtl1->ImagePicture(), "viewer");

    autoSaveInto(dir.path());
    for (const char* ext : {".bmp", ".jpg", ".gif"}) {
        SettingsStore::save("Ext", ext);
        main.Cmd2_Click(5);
        expectEncodedColours(decoded(dir.filePath(QStringLiteral("auto1") + ext)), ext);
    }
    SettingsStore::save("Ext", ".tga");
    main.Cmd2_Click(5);
    expectEncodedColours(readTga32(readAll(dir.filePath("auto1.tga"))), ".tga");

    VidBAS::g_VidSave = true;
    main.Cmd2_Click(5);
    expectEncodedColours(decoded(dir.filePath("auto2.bmp")), "from the video");
}

// Where the sound runs on past the pictures, End shows, marks on the slider and captures the
// last picture, and a step on from there gives the frame advance message.
TEST_F(CaptureTest, EndReachesTheLastPictureOfAVideoWhoseSoundRunsOn) {
    ASSERT_NO_FATAL_FAILURE(openAndPause(clipPath("longsound.mpg")));
    EXPECT_EQ(main.trkPosition->Max(), kLongSoundFrames);
    main.btnEnd_Click();
    EXPECT_TRUE(waitFor([&] { return main.trkPosition->Value() == kLongSoundFrames - 1; }));
    main.Cmd2_Click(4);
    const auto pasted = clipboard::readImage();
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(decodeIndex(toQImage(*pasted)), kLongSoundFrames - 1);

    MessageCatcher messages;
    main.Cmd2_Click(3);
    EXPECT_EQ(messages.titles, QStringList{"Error!"});
    main.Cmd2_Click(2);
    EXPECT_EQ(messages.titles.size(), 1);
    EXPECT_EQ(decodeIndex(main.MMPlay->FramePicture(5000)), kLongSoundFrames - 2);
    EXPECT_TRUE(waitFor([&] { return main.trkPosition->Value() == kLongSoundFrames - 2; }));
}
