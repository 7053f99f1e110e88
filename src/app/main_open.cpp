#include "app/cfiledialog.h"
#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "app/vidbas_video.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QDir>

namespace korimo {

const QString Main::kVideoFilter = QStringLiteral(
    "Video Files (*.avi;*.mpeg;*.mpg;*.mpa;*.mov;*.wmv)|*.avi;*.mpeg;*.mpg;*.mpa;*.mov;*.wmv|AVI, "
    "DivX Files (*.avi)|*.avi|MPEG Files (*.mpeg)|*.mpeg|MPG Files (*.mpg)|*.mpg|MPA Files "
    "(*.mpa)|*.mpa|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|All Files (*.*)|*.*");

void Main::OpenVideos() {
    using namespace VidBAS;
    try {
        MMPlay->Stop();
        MMPlay->setSizeMode(2);
        g_OldDir = SettingsStore::get(QStringLiteral("OldDir"), QString());
        if (g_OldDir.isEmpty())
            g_OldDir = QDir::currentPath();
        g_OpenDialog = std::make_unique<cFileDialog>();
        g_OpenDialog->setDialogTitle(QStringLiteral("Open Videos To Capture"));
        g_OpenDialog->setFilter(kVideoFilter);
        g_OpenDialog->setInitDir(g_OldDir);
        g_OpenDialog->setflags(0x200006);
        g_OpenDialog->setflags(g_OpenDialog->flags() | 0x200);
        g_OpenDialog->sethwnd(this);
        g_OpenCancelled = false;
        g_OpenDialog->setCancelError(false);
        g_OpenDialog->ShowOpen();
        SettingsStore::save(QStringLiteral("OldDir"), QDir::currentPath());
        QString folder;
        QStringList names;
        int count = 0;
        g_OpenDialog->ParseMultiFileName(folder, names, count);
        if (g_OpenCancelled)
            return;

        g_PlaylistCount = 0;
        g_CurrentFile.clear();
        // Index 0 stays empty: the playlist counts from 1.
        g_Playlist = QStringList(count + 1, QString());
        const QString current = QDir::currentPath();
        for (int i = 0; i < count && i < names.size(); ++i) {
            const QString& name = names.at(i);
            if (name.trimmed().isEmpty())
                continue;
            CheckVideoType(name);
            if (!g_NotVideo) {
                ++g_PlaylistCount;
                g_Playlist[g_PlaylistCount] = current + QLatin1Char('/') + name;
            } else {
                g_NotVideo = false;
            }
        }
        g_CurrentFile = g_Playlist.value(1);
        g_CurrentExt = g_CurrentFile.right(4).toLower().trimmed();

        // The file replaces any stream still downloading, so "Cancel URL" would only drop it.
        Cmds[7]->setEnabled(false);
        lbldl->hide();
        if (g_LoadVid &&
            (g_CurrentExt == QLatin1String("mpeg") || g_CurrentExt == QLatin1String(".mpg"))) {
            g_LoadPath = g_CurrentFile;
            LoadVideoToMemory(*MMPlay);
        } else {
            MMPlay->setSource(g_CurrentFile);
        }
        trkPosition->setMax(MMPlay->TrackLength());
        g_SelectionMarked = false;
        Label3->show();
        if (!g_CurrentFile.trimmed().isEmpty()) {
            for (int i : {1, 4, 5, 9})
                Cmds[i]->setEnabled(true);
        }
        if (MMPlay->IsRateSupported(0.5))
            MMPlay->setRate(g_HalfSpeed ? 0.5 : 1.0);
        if (g_CurrentExt == QLatin1String(".wmv")) {
            Timer4.stop();
            Timer4.setInterval(4000);
            Timer4.start();
            LblHide->setCaption(QStringLiteral("Streaming video, please wait for video to play"));
            holdStatusNotice();
        }
    } catch (...) {
        const QString desc = currentErrorText();
        ShowMessage(this, QStringLiteral("Error"), openVideoErrorMessage(desc));
        for (Button_XP* b : {Cmds[1], Cmd2[4], Cmds[4], Cmds[5], Cmds[9]})
            b->setEnabled(false);
        SetFocus(trkPosition);
    }
}

} // namespace korimo
