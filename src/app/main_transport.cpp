#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/switchlook.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QScopedValueRollback>

namespace korimo {

void Main::Cmd2_Click(int Index) {
    switch (Index) {
    case 0:
        skipOnError([this] {
            if (!g_SelectionMarked)
                MMPlay->setSelectionStart(0.0);
        });
        skipOnError([this] { MMPlay->Run(); });
        skipOnError([this] {
            if (!VidBAS::g_CurrentFile.isEmpty())
                Cmd2[4]->setEnabled(true);
        });
        VidBAS::ShowDefaultPointer();
        lbldl->setCaption(QStringLiteral("Reset"));
        break;
    case 1:
        skipOnError([this] {
            if (MMPlay->State() == 3)
                MMPlay->Pause();
            else
                MMPlay->Run();
        });
        skipOnError([this] {
            if (!VidBAS::g_CurrentFile.isEmpty())
                Cmd2[4]->setEnabled(true);
        });
        break;
    case 2:
    case 3: {
        // Input waits until the step is done; anything else that clicks meanwhile is passed over
        // rather than started in the middle of this step.
        if (m_stepBusy)
            break;
        const QScopedValueRollback<bool> busy(m_stepBusy, true);
        try {
            if (Index == 2)
                MMPlay->PreviousFrame();
            else
                MMPlay->NextFrame();
        } catch (...) {
            ShowFailure(QStringLiteral("Error!"),
                        QStringLiteral("Frame advance not supported by this format. Or video at "
                                       "end of play, or not loaded. Use PAUSE to control video "
                                       "if video is a .wmv file."));
        }
        break;
    }
    case 4:
    case 5: {
        // A click that arrives while the last one still loads its viewer would unload that
        // viewer under it and leave two windows, the tool window editing the one not saved.
        if (m_frameBusy)
            break;
        const QScopedValueRollback<bool> busy(m_frameBusy, true);
        if (Index == 4)
            CaptureFrame();
        else
            SaveFrame();
        break;
    }
    case 6:
        if (switchIsOn(Cmd2[6])) {
            setSwitchLook(Cmd2[6], false);
            skipOnError([this] { MMPlay->setMute(true); });
            Cmd2[6]->setToolTip(QStringLiteral(" Sound OFF "));
        } else {
            setSwitchLook(Cmd2[6], true);
            Cmd2[6]->setToolTip(QStringLiteral(" Sound ON "));
            skipOnError([this] { MMPlay->setMute(false); });
        }
        Cmd2[6]->Refresh();
        break;
    case 7:
        if (switchIsOn(Cmd2[7])) {
            setSwitchLook(Cmd2[7], false);
            skipOnError([this] { MMPlay->setAutoRewind(false); });
            Cmd2[7]->setToolTip(QStringLiteral(" Auto Rewind OFF "));
        } else {
            setSwitchLook(Cmd2[7], true);
            skipOnError([this] { MMPlay->setAutoRewind(true); });
            Cmd2[7]->setToolTip(QStringLiteral(" Auto Rewind ON "));
        }
        Cmd2[7]->Refresh();
        break;
    case 8:
        if (switchIsOn(Cmd2[8])) {
            setSwitchLook(Cmd2[8], false);
            Cmd2[8]->setToolTip(QStringLiteral(" Loop OFF "));
            skipOnError([this] { MMPlay->setPlayCount(1); });
        } else {
            setSwitchLook(Cmd2[8], true);
            Cmd2[8]->setToolTip(QStringLiteral(" Loop ON "));
            skipOnError([this] { MMPlay->setPlayCount(0); });
        }
        Cmd2[8]->Refresh();
        break;
    default:
        break;
    }
    SetFocus(trkPosition);
}

void Main::clearSelectionMarks(Button_XP* first, Button_XP* second, bool withTooltips) {
    setSwitchLook(first, false);
    setSwitchLook(second, false);
    skipOnError([this] { MMPlay->setSelectionStart(0.0); });
    skipOnError([this] { MMPlay->setSelectionEnd(MMPlay->Duration()); });
    if (withTooltips) {
        first->setToolTip(QStringLiteral(" Cleared Marked Selection "));
        second->setToolTip(QStringLiteral(" Cleared Marked Selection "));
    }
    g_SelectionMarked = false;
}

void Main::btnSelStart_Click() {
    if (switchIsOn(btnSelStart)) {
        clearSelectionMarks(btnSelStart, btnSelEnd, true);
    } else {
        setSwitchLook(btnSelStart, true);
        skipOnError([this] { MMPlay->MarkSelectionStart(); });
        btnSelStart->setToolTip(QStringLiteral(" Start Selection Marked "));
        g_SelectionMarked = true;
    }
    btnSelStart->Refresh();
    // The arrow keys step the video after the marks as after every other button of the strip.
    SetFocus(trkPosition);
}

void Main::btnSelEnd_Click() {
    if (switchIsOn(btnSelEnd)) {
        clearSelectionMarks(btnSelEnd, btnSelStart, true);
    } else {
        setSwitchLook(btnSelEnd, true);
        skipOnError([this] { MMPlay->MarkSelectionEnd(); });
        btnSelEnd->setToolTip(QStringLiteral(" End Selection Marked "));
        g_SelectionMarked = true;
    }
    btnSelEnd->Refresh();
    SetFocus(trkPosition);
}

void Main::btnStart_Click() {
    clearSelectionMarks(btnSelEnd, btnSelStart, false);
    skipOnError([this] { MMPlay->SeekStart(); });
    SetFocus(trkPosition);
}

void Main::btnEnd_Click() {
    clearSelectionMarks(btnSelEnd, btnSelStart, false);
    skipOnError([this] { MMPlay->SeekEnd(); });
    SetFocus(trkPosition);
}

void Main::Cmd2_MouseMove(int Index, int, int, float, float) {
    skipOnError(
        [] { VidBAS::g_ToolTip = SettingsStore::getBool(QStringLiteral("ToolTip"), true); });
    if (!VidBAS::g_ToolTip || statusNoticeHeld())
        return;
    if (Index == 4)
        LblHide->setCaption(QStringLiteral("Capture video frame to graphic"));
    else if (Index == 5)
        LblHide->setCaption(QStringLiteral("Save captured graphic frame to file"));
}

} // namespace korimo
