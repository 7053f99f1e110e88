#include "app/main_form.h"
#include "app/options.h"
#include "app/urlfrm.h"
#include "app/vidbas.h"
#include "app/videolist.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "viewers/viewer.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QDesktopServices>
#include <QUrl>

namespace korimo {

namespace {
const char* const kToolbarHints[10] = {
    "Load Videos to capture",
    "Show Video List. Click on name to load video",
    "Load video from internet URL address",
    "Load Help File",
    "Stretch video to window",
    "Show video at normal video size",
    "Print video captured frame",
    "Cancel URL video download",
    "Show Korimo video options",
    "Fit video to screen, keeping aspect ratio",
};
} // namespace

QUrl helpUrl(const QString& helpFile, int context) {
    QUrl url = QUrl::fromLocalFile(helpFile);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return url;
}

void Main::Cmds_Click(int Index) {
    switch (Index) {
    case 0:
        skipOnError([this] { OpenVideos(); });
        skipOnError([this] { Cmd2[4]->setEnabled(!VidBAS::g_CurrentFile.isEmpty()); });
        if (!VidBAS::g_CurrentFile.isEmpty()) {
            // A stored value that is not a Boolean leaves the last one in force for the buttons.
            skipOnError(
                [] { VidBAS::g_NoCap = SettingsStore::getBool(QStringLiteral("NoCap"), false); });
            skipOnError([this] {
                Cmd2[5]->setEnabled(VidBAS::g_NoCap);
                Cmd2[4]->setEnabled(!VidBAS::g_NoCap);
            });
        }
        break;
    case 1:
        SetFocus(trkPosition);
        skipOnError([this] {
            Form* list = Loaded(QStringLiteral("VideoList"));
            if (!list)
                list = new VideoList(this);
            list->Show(0, this);
        });
        break;
    case 2:
        skipOnError([this] { MMPlay->Stop(); });
        SetFocus(trkPosition);
        skipOnError([this] { (new URLFrm(this))->Show(1, this); });
        break;
    case 3:
        skipOnError([] { QDesktopServices::openUrl(helpUrl(VidBAS::g_HelpFile, 9999)); });
        break;
    case 4:
        skipOnError([this] { MMPlay->setSizeMode(1); });
        break;
    case 5:
        skipOnError([this] { MMPlay->setSizeMode(2); });
        break;
    case 6:
        skipOnError([] {
            Viewer* v = findViewer(VidBAS::g_Viewer2Open ? Viewer::Second : Viewer::First);
            if (v)
                v->PrintMe();
        });
        break;
    case 7:
        skipOnError([this] { MMPlay->setSource(QString()); });
        Cmds[7]->setEnabled(false);
        lbldl->hide();
        VidBAS::ShowDefaultPointer();
        break;
    case 8:
        // A second click handled while the dialog still loads would open another one, whose
        // values, read before the first was saved, its own save would write back.
        if (Loaded(QStringLiteral("Options")))
            break;
        VidBAS::ShowHourglass();
        skipOnError([this] { (new Options(this))->Show(1, this); });
        VidBAS::ShowDefaultPointer();
        for (VidBAS::g_CtlIndex = 0; VidBAS::g_CtlIndex < Controls().size(); ++VidBAS::g_CtlIndex) {
            QWidget* c = Controls().at(VidBAS::g_CtlIndex);
            c->setToolTip(VidBAS::g_ToolTip ? tag(c) : QString());
        }
        break;
    case 9:
        skipOnError([this] { MMPlay->setSizeMode(0); });
        break;
    default:
        break;
    }
    // The video list just shown keeps the activation, so its names can be chosen with the keys
    // at once; the slider is still the control that has the focus when Main is active again.
    if (Index == 1)
        trkPosition->setFocus();
    else
        SetFocus(trkPosition);
}

void Main::Cmds_MouseMove(int Index, int, int, float, float) {
    // A stored value that is not a Boolean leaves the last setting in force.
    skipOnError(
        [] { VidBAS::g_ToolTip = SettingsStore::getBool(QStringLiteral("ToolTip"), true); });
    if (VidBAS::g_ToolTip && Index >= 0 && Index <= 9 && !statusNoticeHeld())
        LblHide->setCaption(QString::fromUtf8(kToolbarHints[Index]));
}

} // namespace korimo
