#include "viewers/viewer.h"

#include "viewers/aaprintpicture.h"
#include "viewers/tools.h"

#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/desktop.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "imaging/savefile.h"
#include "imaging/writers.h"
#include "play/playcontrol.h"
#include "printer/printer.h"
#include "settings/settingsstore.h"
#include "widgets/elastic.h"
#include "widgets/picturebox.h"

#include <QScreen>

namespace korimo {

namespace {

const char* const kDesignCaption = "Click on \"Save\" to save this frame.";

// Margins of Picture1 inside the skin, in pixels: 120 twips left and top, and what the design's
// 6360 x 4785 client leaves right and below a 6105 x 4495 box.
constexpr int kMarginLeft = 8;
constexpr int kMarginTop = 8;
constexpr int kMarginRight = 9;
constexpr int kMarginBottom = 11;

// Form_Initialize runs once per run for each of the two windows.
bool g_initialised[2] = {false, false};

QString formName(Viewer::Kind kind) {
    return kind == Viewer::First ? QStringLiteral("Viewer") : QStringLiteral("viewer2");
}

Main& requireMain() {
    Main* m = mainForm();
    if (!m)
        throw StepError("The main window is not open.");
    return *m;
}

} // namespace

Viewer::Viewer(Kind kind, QWidget* owner) : Form(formName(kind), owner), m_kind(kind) {
    const QRect client = twipsRect(0, 0, 6360, 4785);
    resize(client.size());
    setWindowTitle(QString::fromUtf8(kDesignCaption));

    Elastic1 = new Elastic(this);
    Elastic1->setPicture(Elastic::darkSkin(QSize(217, 275)));
    Elastic1->setGeometry(rect());

    Picture1 = new QWidget(Elastic1);
    Picture1->setAutoFillBackground(true);
    QPalette black = Picture1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Picture1->setPalette(black);
    Picture1->setGeometry(twipsRect(120, 120, 6105, 4495));

    AAPrintPicture1 = new AAPrintPicture(Picture1);
    AAPrintPicture1->hide();

    ClipPic = new PictureBox(Picture1);
    ClipPic->setGeometry(twipsRect(0, 0, 3225, 3225));
    connect(ClipPic, &PictureBox::Resize, this, [this] {
        if (Elastic1->LayoutMode() == 0)
            followClipPic();
    });
    connect(ClipPic, &PictureBox::MouseDown, this, &Viewer::ClipPic_MouseDown);

    ImgCtl1 = new ImgCtl(ClipPic);
    ImgCtl1->hide();

    Form_Initialize();
}

Viewer::~Viewer() = default;

void Viewer::Form_Initialize() {
    bool& done = g_initialised[m_kind == First ? 0 : 1];
    if (done)
        return;
    done = true;
    setWindowTitle(literalTitle(m_kind == First
                                    ? VidBAS::g_CurrentFile
                                    : VidBAS::g_CurrentFile + QStringLiteral(" - Resize")));
}

void Viewer::Form_Load() {
    LoadCapture();
}

void Viewer::LoadCapture() {
    if (m_kind == Second) {
        try {
            if (ImgCtl1->Paste(ImgCtl::kPasteTestOnly))
                ImgCtl1->Paste(0);
            requireMain().Cmds[6]->setEnabled(true);
            ClipPic->setPicture(ImgCtl1->ImagePicture());
            fit();
        } catch (...) {
            ShowMessage(this, QStringLiteral("Error Opening Capture!"),
                        QStringLiteral("Error opening clipboard capture."));
            return;
        }
        VidBAS::g_Viewer2Open = true;
        return;
    }

    // Only a save writes straight from the player: a capture that slips through while NoCap is
    // set must not overwrite the file saved last. The written frame is then the image, not
    // whatever older picture the clipboard holds. It is written once, in the save's format, so
    // a save that fails leaves no stray bitmap in place of an older file.
    std::shared_ptr<const Image> written;
    m_savedOnLoad = false;
    if (VidBAS::g_NoCap && m_forSave) {
        try {
            const Main& main = requireMain();
            auto frame = std::make_shared<const Image>(fromQImage(main.MMPlay->FramePicture(5000)));
            saveImageFile(*frame, VidBAS::g_SaveFile, main.g_SaveFormat, main.g_SaveBits,
                          main.g_SaveQuality, m_nextName);
            m_savedOnLoad = true;
            written = std::move(frame);
        } catch (...) {
            ShowMessage(this, QStringLiteral("Error Opening Capture!"),
                        QStringLiteral("Error opening clipboard capture."));
            return;
        }
    }
    skipOnError([this, &written] {
        if (written)
            ImgCtl1->setBitmap(written);
        else if (ImgCtl1->Paste(ImgCtl::kPasteTestOnly))
            ImgCtl1->Paste(0);
    });
    skipOnError([] { requireMain().Cmds[6]->setEnabled(true); });
    skipOnError([this] {
        ClipPic->setPicture(ImgCtl1->ImagePicture());
        fit();
    });
    skipOnError([this] { Tools::LTools(this); });
}

void Viewer::fit() {
    Elastic1->setLayoutMode(0);
    ClipPic->setAutoSize(true);
    Refresh();
    DoEvents();
    Elastic1->setLayoutMode(7);
    ClipPic->setAutoSize(false);
}

void Viewer::Form_QueryUnload(int&, int) {
    if (m_kind == Second) {
        VidBAS::g_Viewer2Open = false;
        return;
    }
    skipOnError([] { requireMain().Cmd2[5]->setEnabled(false); });
    skipOnError([] { requireMain().Cmds[6]->setEnabled(false); });
    skipOnError([] { Tools::UnloadLTools(); });
}

void Viewer::ClipPic_MouseDown(int Button, int, float X, float Y) {
    beginWindowDrag(Button, ClipPic, QPointF(X, Y));
}

void Viewer::PrintMe() {
    // A stored option that is no Boolean leaves the one in force: the printer is not to blame.
    skipOnError([] { VidBAS::g_HighQ = SettingsStore::getBool(QStringLiteral("HighQ"), true); });
    skipOnError([] { VidBAS::g_BW = SettingsStore::getBool(QStringLiteral("BW"), false); });
    try {
        VidBAS::g_PrintLayout = true;
        AAPrintPicture1->setAlign(VidBAS::g_PPosition);
        AAPrintPicture1->setPicture(ClipPic->Picture());
        AAPrintPicture1->setAlign(VidBAS::g_PPosition);
        AAPrintPicture1->PrintPicture();
        return;
    } catch (const PrintError& e) {
        if (e.code() == kPrintCancelled)
            return;
    } catch (...) {
    }
    ShowMessage(
        this, QStringLiteral("Print Error!"),
        QStringLiteral("Error with printing. Check printer, cables, and printer settings."));
    skipOnError([] { Printer::instance().EndDoc(); });
}

void Viewer::Form_Resize() {
    // While the layout is released the fit sizes the skin and the box itself: a window manager
    // that answers late still reports the old size then, which must not become the new base.
    if (Elastic1 && Elastic1->LayoutMode() != 0) {
        Elastic1->setGeometry(rect());
        layoutPicture(size());
    }
}

void Viewer::layoutPicture(QSize client) {
    Picture1->setGeometry(QRect(QPoint(0, 0), client)
                              .adjusted(kMarginLeft, kMarginTop, -kMarginRight, -kMarginBottom));
}

void Viewer::followClipPic() {
    // With the skin's layout released the window wraps the picture box.
    QSize wanted(ClipPic->width() + kMarginLeft + kMarginRight,
                 ClipPic->height() + kMarginTop + kMarginBottom);
    // A frame larger than the screen gets a window the screen can hold, with its title and
    // borders and, below the capture viewer, its tool window; the rest is cut. A window that
    // grows past the screen's edge moves back onto it.
    const QScreen* s = screen();
    const QRect frame = desktop::frameGeometry(this);
    const QSize border = isVisible() ? frame.size() - size() : QSize(0, 0);
    const QRect area = s ? s->availableGeometry() : QRect();
    const int toolsRoom =
        m_kind == First ? Tools::clientSize().height() + border.height() + Tools::gapBelowHost()
                        : 0;
    const QRect room = area.adjusted(0, 0, 0, -toolsRoom);
    if (room.isValid())
        wanted = wanted.boundedTo(room.size() - border).expandedTo(QSize(1, 1));
    resize(wanted);
    if (isVisible() && room.isValid()) {
        const QRect grown(frame.topLeft(), wanted + border);
        const QPoint shift = desktop::keptInside(grown, room).topLeft() - grown.topLeft();
        if (!shift.isNull())
            move(pos() + shift);
    }
    // A hidden window gets its resize event only when shown, and a window manager answers a
    // shown one later still: the skin and the box take the new size at once.
    Elastic1->setGeometry(QRect(QPoint(0, 0), wanted));
    layoutPicture(wanted);
}

void SavePicture(const QImage& picture, const QString& file, const NextName& next) {
    saveImageFile(fromQImage(picture), file, kFormatBmp, 24, 0, next);
}

Viewer* findViewer(Viewer::Kind kind) {
    return qobject_cast<Viewer*>(Form::Loaded(formName(kind)));
}

Viewer* loadViewer(Viewer::Kind kind, bool forSave, const NextName& nextName) {
    if (Viewer* v = findViewer(kind))
        return v;
    auto* v = new Viewer(kind);
    v->m_forSave = forSave;
    v->m_nextName = nextName;
    v->Load();
    v->m_forSave = false;
    v->m_nextName = nullptr;
    return v;
}

} // namespace korimo
