#include "app/main_form.h"

#include "app/cfiledialog.h"
#include "app/errfrm.h"
#include "app/pictures.h"
#include "app/skins.h"
#include "app/switchlook.h"
#include "app/transportglyphs.h"
#include "app/vidbas.h"
#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "controls/picture.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "widgets/elastic.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QIcon>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <utility>

namespace korimo {

namespace {

constexpr OleColor kButtonBack = 0x00000040;
constexpr OleColor kWhite = 0x00FFFFFF;
constexpr OleColor kYellow = 0x0000FFFF;
constexpr OleColor kStatusColour = 0x005AC7E2;

// The program's dark red tile with its name or initial: the logo and the task bar's icon.
QImage makeTile(QSize size, qreal radius, int pointSize, const QString& text) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(120, 20, 20));
    g.setColorAt(1, QColor(40, 0, 0));
    p.setBrush(g);
    p.setPen(QPen(QColor(226, 199, 90), 2));
    p.drawRoundedRect(QRectF(2, 2, size.width() - 4, size.height() - 4), radius, radius);
    p.setFont(designFont(QStringLiteral("Sans Serif"), pointSize, true));
    p.setPen(QColor(240, 230, 200));
    p.drawText(img.rect(), Qt::AlignCenter, text);
    return img;
}

QImage makeLogo(QSize size) {
    return makeTile(size, 12, 22, QStringLiteral("Korimo"));
}

QImage makeIcon() {
    return makeTile(QSize(48, 48), 8, 20, QStringLiteral("K"));
}

QImage makeSample() {
    // The options dialog's print preview sample: a small landscape.
    QImage img(102, 68, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, 40);
    sky.setColorAt(0, QColor(90, 150, 230));
    sky.setColorAt(1, QColor(200, 225, 250));
    p.fillRect(QRect(0, 0, 102, 42), sky);
    p.fillRect(QRect(0, 42, 102, 26), QColor(70, 140, 60));
    p.setBrush(QColor(250, 220, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(78, 16), 8, 8);
    return img;
}

} // namespace

QRegion roundRectRegion(int w, int h, int ew, int eh) {
    if (w <= 0 || h <= 0)
        return QRegion();
    const double rx = std::min(ew, w) / 2.0;
    const double ry = std::min(eh, h) / 2.0;
    const int rows = static_cast<int>(std::ceil(ry));
    QRegion region(0, rows, w, std::max(0, h - 2 * rows));
    for (int y = 0; y < rows; ++y) {
        const double dy = (ry - y - 0.5) / ry;
        const double dx = rx * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        const int inset = static_cast<int>(std::floor(rx - dx + 0.5));
        const int width = std::max(0, w - 2 * inset);
        region += QRegion(inset, y, width, 1);
        region += QRegion(inset, h - 1 - y, width, 1);
    }
    return region;
}

QRegion mainWindowRegion(QSize size) {
    return roundRectRegion(size.width(), size.height(), 20, 20);
}

namespace {
Main* g_mainForm = nullptr;

// A settings file that cannot be written is told once, over the window whose action wrote it;
// the values chosen hold for the run all the same.
void tellSettingsNotSaved(const QString& file, const QString& reason) {
    // The modal window whose action wrote, else the main window; the active window may be a
    // message window that has just closed and is about to go.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = g_mainForm;
    ShowMessage(owner, QStringLiteral("Settings Error!"),
                QStringLiteral("Error saving settings. The options chosen stay in force until "
                               "the program closes.\r\n") +
                    file + QStringLiteral(": ") + reason);
}
} // namespace

Main* mainForm() {
    return g_mainForm;
}

Main::Main(QWidget* parent) : Form(QStringLiteral("Main"), parent) {
    g_mainForm = this;
    SettingsStore::setWriteFailureHandler(tellSettingsNotSaved);
    setDeleteOnUnload(false);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowIcon(QIcon(QPixmap::fromImage(makeIcon())));
    resize(twipsToPixels(10755), twipsToPixels(7170));
    setMouseTracking(true);
    buildControls();

    Timer1.setInterval(1000);
    Timer2.setInterval(3000);
    Timer3.setInterval(7000);
    Timer4.setInterval(5000);
    connect(&Timer1, &QTimer::timeout, this, &Main::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &Main::Timer2_Timer);
    connect(&Timer3, &QTimer::timeout, this, &Main::Timer3_Timer);
    connect(&Timer4, &QTimer::timeout, this, &Main::Timer4_Timer);
    // A manager that never sizes the window still gets the switches their ON look back.
    m_onLooksBack.setSingleShot(true);
    m_onLooksBack.setInterval(2000);
    connect(&m_onLooksBack, &QTimer::timeout, this, &Main::restoreOnLooks);
}

Main::~Main() {
    if (g_mainForm == this)
        g_mainForm = nullptr;
}

Button_XP* Main::placeButton(int left, int top, int width, int height, const QString& caption,
                             bool enabled, const QString& hint, bool twoState) {
    ButtonDesign design;
    design.geometry = twipsRect(left, top, width, height);
    design.caption = caption;
    design.enabled = enabled;
    design.backColor = kButtonBack;
    design.foreColor = kWhite;
    design.keepFaceColours = twoState;
    Button_XP* b = korimo::placeButton(Elastic1, design);
    setTag(b, hint);
    m_controls.append(b);
    return b;
}

Label* Main::placeLabel(int left, int top, int width, int height, const QString& caption) {
    auto* l = new Label(Elastic1);
    l->setGeometry(twipsRect(left, top, width, height));
    l->setCaption(caption);
    m_controls.append(l);
    return l;
}

void Main::buildControls() {
    Elastic1 = new Elastic(this);
    Elastic1->setGeometry(twipsRect(0, 0, 10755, 7170));
    Elastic1->setPicture(mainSkin());
    m_controls.append(Elastic1);
    connect(Elastic1, &Elastic::MouseMove, this, &Main::Elastic1_MouseMove);
    connect(Elastic1, &Elastic::MouseDown, this, &Main::Elastic1_MouseDown);

    MMPlay = new PlayControl(Elastic1);
    MMPlay->setObjectName(QStringLiteral("MMPlay"));
    MMPlay->setGeometry(twipsRect(880, 360, 6830, 5295));
    m_controls.append(MMPlay);

    trkPosition = new HSlider(Elastic1);
    trkPosition->setGeometry(twipsRect(2720, 5730, 1835, 315));
    setTag(trkPosition, QStringLiteral(" Position Video - Use ARROW keys for single advance "));
    m_controls.append(trkPosition);

    struct Design {
        int left, top, width, height;
        const char* caption;
        bool enabled;
        const char* hint;
        bool twoState;
    };
    static const Design cmd2[9] = {
        {960, 5730, 415, 315, "", true, " Play ", false},
        {1380, 5730, 420, 315, "", true, " Pause ", false},
        {1800, 5730, 420, 315, "", true, " Previous Frame ", false},
        {2220, 5730, 420, 315, "", true, " Next Frame ", false},
        {8040, 4890, 1050, 435, "Capture", false, " Capture Frame to 24 bit BMP ", false},
        {9165, 4890, 1050, 435, "Save", false, " Save Frame ", false},
        {7400, 5730, 420, 315, "", true, " Sound ON", true},
        {6440, 5730, 420, 315, "", true, " Auto Rewind OFF ", true},
        {6920, 5730, 420, 315, "", true, " Loop OFF ", true},
    };
    for (int i = 0; i < 9; ++i) {
        const Design& d = cmd2[i];
        Cmd2[i] = placeButton(d.left, d.top, d.width, d.height, QString::fromUtf8(d.caption),
                              d.enabled, QString::fromUtf8(d.hint), d.twoState);
        Cmd2[i]->setObjectName(QStringLiteral("Cmd2_%1").arg(i));
    }
    btnStart =
        placeButton(4600, 5730, 420, 315, QString(), true, QStringLiteral(" Seek Start "), false);
    btnEnd =
        placeButton(5040, 5730, 420, 315, QString(), true, QStringLiteral(" Seek End "), false);
    btnSelStart = placeButton(5520, 5730, 420, 315, QString(), true,
                              QStringLiteral(" Select Start - Position Slider at START "), true);
    btnSelEnd = placeButton(5950, 5730, 420, 315, QString(), true,
                            QStringLiteral(" Select End - Position Slider at END "), true);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    btnEnd->setObjectName(QStringLiteral("btnEnd"));
    btnSelStart->setObjectName(QStringLiteral("btnSelStart"));
    btnSelEnd->setObjectName(QStringLiteral("btnSelEnd"));

    const std::pair<Button_XP*, TransportGlyph> glyphs[] = {
        {Cmd2[0], TransportGlyph::Play},      {Cmd2[1], TransportGlyph::Pause},
        {Cmd2[2], TransportGlyph::PrevFrame}, {Cmd2[3], TransportGlyph::NextFrame},
        {Cmd2[6], TransportGlyph::Sound},     {Cmd2[7], TransportGlyph::AutoRewind},
        {Cmd2[8], TransportGlyph::Loop},      {btnStart, TransportGlyph::SeekStart},
        {btnEnd, TransportGlyph::SeekEnd},    {btnSelStart, TransportGlyph::SelStart},
        {btnSelEnd, TransportGlyph::SelEnd},
    };
    for (const auto& [button, glyph] : glyphs) {
        button->setPicture(Picture::fromBitmap(transportGlyph(glyph)));
        button->setPictureSize(2);
    }

    static const Design cmds[10] = {
        {8040, 2260, 2175, 435, "Load  Video", true, " Load Videos for capture ", false},
        {8040, 2850, 2175, 435, "Show Video List", false, " Show selected video list ", false},
        {8040, 3870, 1050, 435, "Video URL", true, " Load video from URL address ", false},
        {8040, 5460, 2175, 435, "Help", true, " Help with Korimo ", false},
        {8040, 3360, 675, 435, "Stretch", false, " Stretch Video to window ", false},
        {9540, 3360, 675, 435, "Normal", false, " View video normal size ", false},
        {8040, 4380, 1050, 435, "Print Frame", false, " Print captured video frame ", false},
        {9165, 3870, 1050, 435, "Cancel URL", false, "Cancel URL video download", false},
        {9165, 4380, 1050, 435, "Options", true, " Set Options ", false},
        {8790, 3360, 675, 435, "Fit", false, " Fit Video to window ", false},
    };
    for (int i = 0; i < 10; ++i) {
        const Design& d = cmds[i];
        Cmds[i] = placeButton(d.left, d.top, d.width, d.height, QString::fromUtf8(d.caption),
                              d.enabled, QString::fromUtf8(d.hint), false);
        Cmds[i]->setObjectName(QStringLiteral("Cmds_%1").arg(i));
    }

    struct CaptionDesign {
        int left, top;
        const char* text;
        const char* family;
        double size;
        bool bold;
        const char* tip;
    };
    static const CaptionDesign caps[3] = {
        {9675, -15, "-", "MS Sans Serif", 13.5, true, "Minimize"},
        {9960, 60, "[]", "MS Serif", 6.75, false, "Maximize"},
        {10245, -15, "x", "MS Sans Serif", 12, false, "Close Korimo"},
    };
    for (int i = 0; i < 3; ++i) {
        const CaptionDesign& c = caps[i];
        LblCmds[i] = placeLabel(c.left, c.top, 135, 375, QString::fromUtf8(c.text));
        LblCmds[i]->setWordWrap(false);
        LblCmds[i]->setFont(designFont(QString::fromUtf8(c.family), c.size, c.bold));
        LblCmds[i]->setToolTip(QString::fromUtf8(c.tip));
        LblCmds[i]->setObjectName(QStringLiteral("LblCmds_%1").arg(i));
        connect(LblCmds[i], &Label::Click, this, [this, i] { LblCmds_Click(i); });
        connect(LblCmds[i], &Label::MouseMove, this,
                [this, i](int b, int s, float x, float y) { LblCmds_MouseMove(i, b, s, x, y); });
    }

    LblHide = placeLabel(2760, 6540, 7695, 255, QString());
    LblHide->setForeColor(kStatusColour);
    LblHide->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    connect(LblHide, &Label::MouseDown, this, &Main::LblHide_MouseDown);

    lbldl = placeLabel(4440, 6330, 2175, 255, QStringLiteral("Downloading Video"));
    lbldl->setAlignment(2);
    lbldl->setForeColor(kStatusColour);
    lbldl->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    lbldl->hide();

    Label3 = placeLabel(3360, 6030, 615, 255, QStringLiteral("0%"));
    Label3->setAlignment(2);
    Label3->setForeColor(kStatusColour);
    Label3->hide();

    Label4 = placeLabel(7200, 6360, 3255, 375,
                        QStringLiteral("Videos are captured at their normal video size. Use "
                                       "toolbar to resize captured frame."));
    Label4->setForeColor(kWhite);
    Label4->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));

    ImgCtl3 = new ImgCtl(Elastic1);
    ImgCtl3->setGeometry(twipsRect(1680, 5160, 495, 375));
    ImgCtl3->hide();
    m_controls.append(ImgCtl3);

    Picture4 = new QLabel(Elastic1);
    Picture4->setPixmap(QPixmap::fromImage(makeSample()));
    Picture4->setGeometry(QRect(twipsToPixels(6360), twipsToPixels(9120), 102, 68));
    Picture4->hide();
    m_controls.append(Picture4);

    connectHandlers();

    // Decoration; no operation touches it.
    const auto decorate = [this](const char* name, const QRect& place, const QImage& picture) {
        auto* image = new QLabel(Elastic1);
        image->setObjectName(QString::fromLatin1(name));
        image->setGeometry(place);
        image->setScaledContents(true);
        image->setPixmap(QPixmap::fromImage(picture));
        m_controls.append(image);
    };
    const QRect logo = twipsRect(8130, 480, 2100, 1725);
    decorate("Image2", logo, makeLogo(logo.size()));
    decorate("Image1", twipsRect(960, 6480, 990, 510),
             programPicture(QStringLiteral("filmstrip.png")));
    decorate("Image3", twipsRect(1920, 6600, 615, 315),
             programPicture(QStringLiteral("still.png")));
    decorate("Label1", twipsRect(1860, 6360, 255, 255), programPicture(QStringLiteral("lamp.png")));
}

void Main::connectHandlers() {
    for (int i = 0; i < static_cast<int>(Cmd2.size()); ++i) {
        connect(Cmd2[i], &Button_XP::Click, this, [this, i] { Cmd2_Click(i); });
        connect(Cmd2[i], &Button_XP::MouseMove, this,
                [this, i](int b, int s, float x, float y) { Cmd2_MouseMove(i, b, s, x, y); });
    }
    for (int i = 0; i < static_cast<int>(Cmds.size()); ++i) {
        connect(Cmds[i], &Button_XP::Click, this, [this, i] { Cmds_Click(i); });
        connect(Cmds[i], &Button_XP::MouseMove, this,
                [this, i](int b, int s, float x, float y) { Cmds_MouseMove(i, b, s, x, y); });
    }
    connect(btnSelStart, &Button_XP::Click, this, &Main::btnSelStart_Click);
    connect(btnSelEnd, &Button_XP::Click, this, &Main::btnSelEnd_Click);
    connect(btnStart, &Button_XP::Click, this, &Main::btnStart_Click);
    connect(btnEnd, &Button_XP::Click, this, &Main::btnEnd_Click);
    connect(MMPlay, &PlayControl::Progress, this, &Main::MMPlay_Progress);
    connect(MMPlay, &PlayControl::SelectionChanged, this, &Main::MMPlay_SelectionChanged);
    connect(MMPlay, &PlayControl::ErrorAbort, this, &Main::MMPlay_ErrorAbort);
    // While the player keeps a click waiting, "Cancel URL", opening another video and closing
    // the window, by its own "X" or by the window manager, still end the wait.
    for (QWidget* way : std::initializer_list<QWidget*>{Cmds[7], Cmds[0], LblCmds[2], this})
        PlayControl::letThroughDuringWaits(way);
    connect(trkPosition, &HSlider::Scroll, this, &Main::trkPosition_Scroll);
}

void Main::Form_Load() {
    InitMainForm();
    Timer1.start();
    Timer2.start();
    Timer4.start();
}

void Main::InitMainForm() {
    using namespace VidBAS;
    skipOnError([] { g_ShowPlayErrors = true; });
    skipOnError([this] {
        g_HelpFile = ProgramFolder() + QStringLiteral("/Korimo.html");
        g_SelectionMarked = false;
    });
    skipOnError([this] { setSwitchLook(Cmd2[6], true); });
    skipOnError([this] {
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        const double dpiX = s ? s->logicalDotsPerInchX() : 96.0;
        const double dpiY = s ? s->logicalDotsPerInchY() : 96.0;
        g_TwipsX = dpiX > 0 ? std::lround(1440.0 / dpiX) : kTwipsPerPixel;
        g_TwipsY = dpiY > 0 ? std::lround(1440.0 / dpiY) : kTwipsPerPixel;
    });
    skipOnError([this] { applyRoundRegion(); });

    skipOnError([] { g_AutoSave = SettingsStore::getBool(QStringLiteral("AutoSave"), false); });
    skipOnError([] { g_VidSave = SettingsStore::getBool(QStringLiteral("VidSave"), false); });
    skipOnError([] { g_NoCap = SettingsStore::getBool(QStringLiteral("NoCap"), false); });
    skipOnError([] { g_AutoDir = SettingsStore::getBool(QStringLiteral("AutoDir"), false); });
    skipOnError([] { g_NoWin = SettingsStore::getBool(QStringLiteral("NoWin"), false); });
    skipOnError([] { g_LoadVid = SettingsStore::getBool(QStringLiteral("LoadVid"), false); });
    skipOnError(
        [] { g_SpecialFolder = SettingsStore::getBool(QStringLiteral("SpecialFolder"), false); });
    skipOnError([] { g_Folder = SettingsStore::get(QStringLiteral("Folder"), AutoSaveFolder()); });
    skipOnError([] { g_PPosition = SettingsStore::getInt(QStringLiteral("PPosition"), 4); });

    skipOnError([] {
        if (!CreateAutoSaveFolder(ProgramFolder()))
            throw StepError("the AutoSave folder cannot be made");
    });

    const bool read =
        skipOnError([] { g_ToolTip = SettingsStore::getBool(QStringLiteral("ToolTip"), true); });
    if (!read || !g_ToolTip)
        return;
    for (g_CtlIndex = 0; g_CtlIndex < m_controls.size(); ++g_CtlIndex) {
        QWidget* c = m_controls.at(g_CtlIndex);
        skipOnError([c] { c->setToolTip(tag(c)); });
    }
}

void Main::Form_Activate() {
    SetCaption(QString::fromLatin1(kTitle));
    g_WindowTitle = QString::fromLatin1(kTitle);
}

void Main::SetCaption(const QString& text) {
    setWindowTitle(text);
}

int Main::WindowState() const {
    if (windowState() & Qt::WindowMinimized)
        return 1;
    if (windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void Main::setWindowState(int state) {
    switch (state) {
    case 1:
        showMinimized();
        break;
    case 2:
        showMaximized();
        break;
    default:
        showNormal();
        break;
    }
}

void Main::Form_Resize() {
    // The window manager maximises and restores too (its menu, its keys); the caption button
    // follows it, so that one click does the other. A minimise leaves it as it was.
    if (WindowState() == 2)
        g_Maximised = true;
    else if (WindowState() == 0)
        g_Maximised = false;
    if (WindowState() == 1) {
        SetCaption(g_WindowTitle);
        if (VidBAS::g_ToolsOpen) {
            if (Form* tools = Loaded(QStringLiteral("Tools"))) {
                tools->hide();
                tools->setWindowState(Qt::WindowMinimized);
            }
        }
    } else if (VidBAS::g_ToolsOpen) {
        if (Form* tools = Loaded(QStringLiteral("Tools"))) {
            tools->setWindowState(Qt::WindowNoState);
            // Back beside the main window, which keeps the keys.
            tools->showWithoutActivating();
        }
    }
    // The skin covers the whole window at every size, the maximised one too.
    if (Elastic1)
        Elastic1->setGeometry(rect());
    if (!m_onAcrossMaximise.empty() && size() != m_sizeBeforeMaximise)
        restoreOnLooks();
    applyRoundRegion();
    Refresh();
}

void Main::restoreOnLooks() {
    m_onLooksBack.stop();
    for (Button_XP* b : std::exchange(m_onAcrossMaximise, {}))
        if (b->ButtonStyle() == 3)
            setSwitchLook(b, true);
}

void Main::applyRoundRegion() {
    setMask(mainWindowRegion(size()));
    ++VidBAS::g_Region;
}

void Main::LblCmds_Click(int Index) {
    switch (Index) {
    case 0:
        setWindowState(1);
        break;
    case 1: {
        if (g_Maximised) {
            g_Maximised = false;
            setWindowState(0);
        } else {
            g_Maximised = true;
            m_onAcrossMaximise.clear();
            for (Button_XP* b : {Cmd2[8], Cmd2[7], Cmd2[6], btnSelStart, btnSelEnd}) {
                if (switchIsOn(b)) {
                    m_onAcrossMaximise.push_back(b);
                    setSwitchLook(b, false);
                }
            }
            m_sizeBeforeMaximise = size();
            setWindowState(2);
            // A window manager sizes the window in its own time: the buttons take the new size
            // in the OFF look, whose outline follows it, and get the ON look back once it came.
            if (size() != m_sizeBeforeMaximise)
                restoreOnLooks();
            else if (!m_onAcrossMaximise.empty())
                m_onLooksBack.start();
        }
        show();
        break;
    }
    case 2:
        Unload(FormControlMenu);
        break;
    default:
        break;
    }
}

void Main::LblCmds_MouseMove(int Index, int, int, float, float) {
    g_HoverCaption = Index;
    LblCmds[Index]->setForeColor(kYellow);
}

void Main::resetCaptionHover() {
    if (g_HoverCaption >= 0 && g_HoverCaption < static_cast<int>(LblCmds.size()) &&
        LblCmds[g_HoverCaption]->ForeColor() == kYellow)
        LblCmds[g_HoverCaption]->setForeColor(0);
}

void Main::Elastic1_MouseMove(int, int, float, float) {
    resetCaptionHover();
}

void Main::Form_MouseMove(int, int, float, float) {
    resetCaptionHover();
}

void Main::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    Form_MouseMove(vbButton(event->buttons()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void Main::Elastic1_MouseDown(int Button, int, float X, float Y) {
    beginWindowDrag(Button, Elastic1, QPointF(X, Y));
}

void Main::LblHide_MouseDown(int Button, int, float X, float Y) {
    beginWindowDrag(Button, LblHide, QPointF(X, Y));
}

void Main::Form_QueryUnload(int&, int) {
    skipOnError([this] { UnloadOtherForms(QStringLiteral("Main")); });
    skipOnError([this] { UnloadOtherForms(QStringLiteral("Main")); });
}

void Main::UnloadOtherForms(const QString& name) {
    for (Form* f : Form::Forms()) {
        if (f->Name() != name)
            skipOnError([f] { f->Unload(); });
    }
}

void Main::Timer1_Timer() {
    if (isVisible()) {
        Timer1.stop();
        Timer3.start();
    }
}

void Main::Timer2_Timer() {
    if (!VidBAS::g_CurrentFile.isEmpty() && VidBAS::g_NoCap) {
        Cmd2[5]->setEnabled(true);
        Cmd2[4]->setEnabled(false);
    }
}

void Main::Timer3_Timer() {
    Label4->hide();
    Timer3.stop();
}

void Main::holdStatusNotice() {
    m_noticeHeld = true;
    m_noticePointer = QCursor::pos();
}

bool Main::statusNoticeHeld() {
    // The move that ran the open dialog (its hover let the click in) arrives only after the
    // notice, with the pointer still where it was when the notice went up.
    if (m_noticeHeld && QCursor::pos() != m_noticePointer)
        m_noticeHeld = false;
    return m_noticeHeld;
}

void Main::Timer4_Timer() {
    m_noticeHeld = false;
    LblHide->setCaption(QString());
}

} // namespace korimo
