#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "app/vidbas_dialogs.h"
#include "clipboard/clipboard.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "viewers/viewer.h"
#include "widgets/hslider.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <limits>

namespace korimo {

namespace {

// The capture formats by index: extension, imaging format code, quality, bits per pixel.
struct CaptureFormat {
    const char* ext;
    std::int16_t code;
    std::int16_t quality;
    std::int16_t bits;
};
constexpr CaptureFormat kCaptureFormats[] = {
    {"bmp", 6, 0, 24},
    {"jpg", 10, 2, 24},
    {"tga", 4, 0, 32},
    {"gif", 2, 0, 8},
};

// The index of an extension by its last three characters, compared exactly; -1 for none.
std::int16_t captureFormatIndex(const QString& ext) {
    const QString tail = ext.right(3);
    for (std::int16_t i = 0; i < 4; ++i)
        if (tail == QLatin1String(kCaptureFormats[i].ext))
            return i;
    return -1;
}

// Description and pattern pairs, each text ended by a NUL and the list by a second one.
QString graphicFilesFilter() {
    const char* const pairs[] = {"Graphic Files (*.bmp;*.jpg;*.tga;*.gif)",
                                 "*.bmp;*.jpg;*.tga;*.gif",
                                 "BMP Files (*.bmp)",
                                 "*.bmp",
                                 "JPEG Files (*.jpg)",
                                 "*.jpg",
                                 "TGA Files (*.tga)",
                                 "*.tga",
                                 "GIF Files (*.gif)",
                                 "*.gif"};
    QString filter;
    for (const char* text : pairs)
        filter += QString::fromLatin1(text) + QChar(0);
    return filter + QChar(0);
}

// A folder or other non-file under the name: no file can be saved there, so an automatic name
// passes over it. So it does over a link to nothing, which a save would follow out of the folder.
bool nameTakenByOther(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? !info.isFile() : info.isSymLink();
}

// The save dialog's own question before it replaces a file.
bool confirmReplace(QWidget* owner, const QString& path) {
    const QString text = QStringLiteral("%1 already exists.\nDo you want to replace it?")
                             .arg(QFileInfo(path).fileName());
    return messageBox(owner, QMessageBox::Question, QStringLiteral("Save Video Frame"), text,
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

} // namespace

void Main::GetSaveFormat(std::int16_t& format, std::int16_t& quality, std::int16_t& bits) {
    if (format < 0 || format > 3)
        return;
    const CaptureFormat& row = kCaptureFormats[format];
    format = row.code;
    quality = row.quality;
    bits = row.bits;
}

void Main::ShowFailure(const QString& title, const QString& message) {
    // Closing the window ends a wait on the player; the action cut short has nobody to tell.
    if (IsLoaded())
        ShowMessage(this, title, message);
}

void Main::CaptureFrame() {
    try {
        SetFocus(trkPosition);
        const QByteArray dib = MMPlay->FrameDib(5000);
        if (dib.isEmpty())
            throw StepError("The player gave no frame.");
        if (clipboard::putFrame(dib)) {
            // A window left hidden by a save without the viewer holds that save's frame, not
            // this one, so it is made afresh as a shown one is.
            if (Viewer* loaded = findViewer(Viewer::First))
                loaded->Unload();
            DoEvents();
            Viewer* viewer = loadViewer(Viewer::First);
            viewer->Show(0, this);
            Cmd2[5]->setEnabled(true);
        } else {
            Cmd2[5]->setEnabled(false);
        }
    } catch (...) {
        ShowFailure(QStringLiteral("Clipboard Error!"),
                    QStringLiteral("Error copying frame to clipboard. Restart video, then pause, "
                                   "then try to capture again."));
    }
    SetFocus(trkPosition);
}

void Main::SaveFrame() {
    using namespace VidBAS;
    try {
        std::int16_t n = 0;
        g_Ext = SettingsStore::get(QStringLiteral("Ext"), QStringLiteral(".bmp"));
        const QString keptExt = g_Ext;
        if (g_VidSave)
            g_Ext = QStringLiteral(".bmp");

        NextName nextName;
        if (g_AutoSave) {
            auto pickName = [&n] {
                do {
                    if (n == std::numeric_limits<std::int16_t>::max())
                        throw StepError("No free automatic name is left.");
                    ++n;
                    const QString base = g_SpecialFolder ? g_Folder + QLatin1Char('/')
                                         : g_AutoDir     ? AutoSaveFolder() + QLatin1Char('/')
                                                         : QDir::currentPath() + QLatin1Char('/');
                    g_SaveFile = base + QStringLiteral("auto") + QString::number(n) + g_Ext;
                } while (FileExists(g_SaveFile) || nameTakenByOther(g_SaveFile));
                return g_SaveFile;
            };
            pickName();
            // Another copy of the program may take the name before the file is ready: the
            // writer then never replaces it but goes on to the next free number.
            nextName = pickName;
        } else {
            if (g_SpecialFolder && !QDir::setCurrent(g_Folder))
                throw StepError("The capture folder cannot be made current.");
            g_SaveFile = ShowSave(QStringLiteral("Save Video Frame"), graphicFilesFilter());
            if (g_SaveFile.isEmpty()) {
                SetFocus(trkPosition);
                return;
            }
            if (g_SaveFile.right(4).toLower() != g_Ext) {
                g_SaveFile += g_Ext;
                // The dialog asked before replacing the name it gave, not this one; a "No"
                // ends the click as a cancel does.
                if (QFileInfo(g_SaveFile).isFile() && !confirmReplace(this, g_SaveFile)) {
                    SetFocus(trkPosition);
                    return;
                }
            }
        }

        if (g_VidSave) {
            SavePicture(MMPlay->FramePicture(5000), g_SaveFile, nextName);
        } else {
            g_Ext = SettingsStore::get(QStringLiteral("Ext"), QStringLiteral(".bmp"));
            g_SaveFormat = captureFormatIndex(g_Ext);
            GetSaveFormat(g_SaveFormat, g_SaveQuality, g_SaveBits);
            Viewer* saver = nullptr;
            bool writtenOnLoad = false;
            if (g_Viewer2Open) {
                saver = findViewer(Viewer::Second);
            } else {
                // Without the viewer each save takes the frame shown now, so a window left
                // hidden by an earlier such save is made afresh.
                if (Viewer* hidden = findViewer(Viewer::First);
                    g_NoCap && hidden && !hidden->isVisible()) {
                    const bool saveOn = Cmd2[5]->Enabled();
                    hidden->Unload();
                    Cmd2[5]->setEnabled(saveOn);
                }
                const bool fresh = findViewer(Viewer::First) == nullptr;
                saver = loadViewer(Viewer::First, true, nextName);
                writtenOnLoad = fresh && saver->savedOnLoad();
            }
            if (!saver)
                throw StepError("No viewer holds a frame.");
            if (!writtenOnLoad)
                saver->ImgCtl1->SaveImage(g_SaveFile, g_SaveFormat, g_SaveBits, g_SaveQuality,
                                          nextName);
        }

        if (g_VidSave)
            g_Ext = keptExt;
        if (g_NoWin) {
            if (Viewer* v = findViewer(g_Viewer2Open ? Viewer::Second : Viewer::First))
                v->Unload();
        }
    } catch (...) {
        // The cause, such as a full disk, goes on its own line below the message.
        const QString reason = currentErrorText();
        ShowFailure(QStringLiteral("Error!"),
                    QStringLiteral("Error saving captured video frame.") +
                        (reason.isEmpty() ? QString() : QStringLiteral("\r\n") + reason));
    }
    SetFocus(trkPosition);
}

} // namespace korimo
