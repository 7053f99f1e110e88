#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <cmath>
#include <limits>

namespace korimo {

void Main::MMPlay_Progress(int P) {
    trkPosition->setValue(P);
    const long total = MMPlay->TrackLength();
    // With no length known yet there is no percentage; the slider still follows.
    if (total <= 0)
        return;
    const double exact = static_cast<double>(P) / static_cast<double>(total) * 100.0;
    const double rounded = std::nearbyint(exact);
    if (rounded < std::numeric_limits<short>::min() || rounded > std::numeric_limits<short>::max())
        return;
    m_lastPercent = static_cast<int>(rounded);
    if (m_lastPercent > 1)
        lbldl->setCaption(QStringLiteral("Downloading Video"));
    Label3->setCaption(QString::number(m_lastPercent) + QLatin1Char('%'));
    if (m_lastPercent >= 100) {
        Cmds[7]->setEnabled(false);
        lbldl->hide();
    }
    if (VidBAS::g_CurrentFile.isEmpty() && P == 0) {
        Cmd2[4]->setEnabled(false);
        Cmd2[5]->setEnabled(false);
    }
}

void Main::MMPlay_SelectionChanged(int S, int E) {
    skipOnError([&] { trkPosition->setSelStart(S); });
    skipOnError([&] {
        const long long length = static_cast<long long>(E) - S;
        trkPosition->setsellength(
            length < 0 || length > std::numeric_limits<int>::max() ? 0 : static_cast<int>(length));
    });
}

void Main::MMPlay_ErrorAbort(int code) {
    if (!VidBAS::g_ShowPlayErrors)
        return;
    ShowMessage(this, QStringLiteral("Error Abort"), playErrorMessage(GetErrorText(code)), true);
    lbldl->setCaption(QStringLiteral("Abort"));
}

void Main::trkPosition_Scroll() {
    skipOnError([this] { MMPlay->setPosition(trkPosition->Value()); });
}

} // namespace korimo
