#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "viewers/resizedialog.h"
#include "viewers/viewer.h"
#include "widgets/elastic.h"
#include "widgets/picturebox.h"

#include <QPointer>

namespace korimo {

void Main::ImageResize_Click() {
    VidBAS::ShowHourglass();
    Viewer* viewer = findViewer(Viewer::First);
    // Without a captured image there is nothing to size and no proportion to keep.
    if (!viewer || !viewer->ImgCtl1->hasImage()) {
        VidBAS::ShowDefaultPointer();
        return;
    }

    QPointer<Resize> dialog = Loaded<Resize>();
    if (!dialog)
        dialog = new Resize;
    skipOnError([&] {
        dialog->Load();
        dialog->InitTheForm(0);
        dialog->Show(1, this);
    });
    bool fOK = false;
    int w = 0, h = 0;
    bool resample = false;
    // Closing the dialog by its frame unloads it: that counts as a cancel.
    if (dialog && dialog->IsLoaded())
        dialog->GetResults(fOK, w, h, resample);

    if (fOK) {
        const int flag = resample ? 1 : 0;
        VidBAS::ShowHourglass();
        bool resized = false;
        skipOnError([&] { ImgCtl3->setBitmap(viewer->ImgCtl1->Bitmap()); });
        skipOnError([&] { ImgCtl3->setResizeSwitch(1); });
        resized = skipOnError([&] { ImgCtl3->ResizeImage(w, h, flag); });
        skipOnError([&] { ImgCtl3->setResizeSwitch(0); });

        if (!resized) {
            // Showing the unsized image as the result would pass the failure off as done.
            ShowMessage(this, QStringLiteral("Error"),
                        QStringLiteral("Not enough memory available.  Try a smaller size."));
        } else {
            Viewer* viewer2 = findViewer(Viewer::Second);
            if (viewer2 && viewer2->isVisible())
                skipOnError([&] { viewer2->Unload(); });
            skipOnError([&] { viewer2 = loadViewer(Viewer::Second); });
            if (viewer2) {
                skipOnError([&] { viewer2->Elastic1->setLayoutMode(0); });
                skipOnError([&] { viewer2->ClipPic->setAutoSize(true); });
                skipOnError([&] { viewer2->ImgCtl1->setBitmap(ImgCtl3->Bitmap()); });
                skipOnError([&] { viewer2->ImgCtl1->ResizeImage(w, h, flag); });
                skipOnError(
                    [&] { viewer2->ClipPic->setPicture(viewer2->ImgCtl1->ImagePicture()); });
                Refresh();
                DoEvents();
                skipOnError([&] { viewer2->Elastic1->setLayoutMode(7); });
                // While the layout was released the window wrapped the picture box, so it already
                // has the size the new picture needs.
                skipOnError([&] { viewer2->ClipPic->setAutoSize(false); });
                DoEvents();
                skipOnError([&] { viewer2->Show(0, this); });
            }
        }
        if (dialog)
            dialog->Unload();
        VidBAS::ShowDefaultPointer();
    }
    VidBAS::ShowDefaultPointer();
}

} // namespace korimo
