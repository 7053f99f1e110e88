#include "app/urlfrm.h"

#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "widgets/elastic.h"
#include "widgets/label.h"

#include <QLineEdit>

namespace korimo {

URLFrm::URLFrm(QWidget* owner) : Form(QStringLiteral("URLFrm"), owner) {
    setWindowTitle(QStringLiteral("Open URL"));
    setCentreOnOwner(true);
    setFixedToolFrame(QSize(twipsToPixels(5220), twipsToPixels(1275)));

    Elastic1 = new Elastic(this);
    Elastic1->setGeometry(twipsRect(0, 0, 5220, 1275));
    Elastic1->setPicture(Elastic::darkSkin(QSize(270, 69)));

    Label1 = new Label(Elastic1);
    Label1->setGeometry(twipsRect(120, 360, 495, 255));
    Label1->setCaption(QStringLiteral("URL"));
    Label1->setForeColor(0x00E0E0E0);

    edtURL = new QLineEdit(Elastic1);
    edtURL->setGeometry(twipsRect(720, 360, 4245, 525));
    edtURL->setFont(designFont(QStringLiteral("MS Sans Serif"), 9.75, true));
    edtURL->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: black; }"));
    connect(edtURL, &QLineEdit::textChanged, this, &URLFrm::edtURL_Change);

    ButtonDesign ok;
    ok.geometry = twipsRect(60, 630, 420, 315);
    ok.caption = QStringLiteral("ok");
    Cmdok = placeButton(Elastic1, ok);
    connect(Cmdok, &Button_XP::Click, this, &URLFrm::Cmdok_Click);
    setTabOrder(edtURL, Cmdok);
}

void URLFrm::Form_Load() {
    Cmdok->setEnabled(false);
}

void URLFrm::edtURL_Change() {
    Cmdok->setEnabled(!edtURL->text().isEmpty());
}

void URLFrm::Cmdok_Click() {
    Main* main = mainForm();
    try {
        if (!main)
            throw StepError("the main window is gone");
        main->MMPlay->ResetSource();
        VidBAS::ShowArrowHourglass();
        main->MMPlay->setSource(edtURL->text());
        main->Cmds[7]->setEnabled(true);
        main->Cmd2[4]->setEnabled(true);
        main->lbldl->setCaption(QStringLiteral("Downloading Video"));
        main->lbldl->show();
        Unload();
    } catch (...) {
        if (main) {
            main->Cmd2[4]->setEnabled(false);
            main->Cmds[7]->setEnabled(false);
            main->lbldl->hide();
        }
        VidBAS::ShowDefaultPointer();
        ShowMessage(this,
                    QStringLiteral("Error Downloading Video! Are you connected to the Internet?"),
                    QStringLiteral("Error downloading video. Check URL address and try again. "
                                   "Also, server may be slow or down."));
    }
}

} // namespace korimo
