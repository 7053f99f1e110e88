#include "app/options.h"

#include "app/main_form.h"
#include "app/skins.h"
#include "app/vidbas.h"
#include "app/vidbas_dialogs.h"
#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "controls/xpcheckbox.h"
#include "controls/xpradiobutton.h"
#include "draw/olecolor.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "viewers/aaprintpicture.h"
#include "widgets/elastic.h"
#include "widgets/indextab.h"
#include "widgets/label.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

namespace korimo {

namespace {

constexpr OleColor kWhite = 0x00FFFFFF;
// The texts beside the boxes and the combo's title, on the light body of the pages.
constexpr OleColor kPageText = 0x00000000;
constexpr OleColor kButtonBack = 0x00BB7C1E;
constexpr OleColor kTitleBlue = 0x0071510F;
constexpr OleColor kExampleBlue = 0x00C00000;
constexpr OleColor kFolderText = 0x00643D06;
// The light blue squares the option buttons sit on; the first on each page is a shade lighter.
constexpr OleColor kOptionBack = 0x00EEC5A9;
constexpr OleColor kFirstOptionBack = 0x00EFC9AE;

QStringList* g_storeLog = nullptr;

void store(const QString& key, const QString& value) {
    if (g_storeLog)
        g_storeLog->append(key);
    SettingsStore::save(key, value);
}

void storeBool(const QString& key, bool value) {
    store(key, SettingsStore::boolText(value));
}

// Blanks around a folder's name are no part of it, unless the name as it stands is a folder: a
// folder's name here may end in a blank.
QString folderText(const QString& text) {
    return QFileInfo(text).isDir() ? text : text.trimmed();
}

bool ticked(const xpcheckbox* box) {
    return box->Value() == 1;
}

Main& requireMain() {
    Main* main = mainForm();
    if (!main)
        throw StepError("The main window is not loaded.");
    return *main;
}

// The left panel's picture: a frame of film over a printed sheet.
QImage panelPicture() {
    QImage img(153, 116, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(150, 150, 160), 1));
    p.setBrush(QColor(250, 250, 252));
    p.drawRect(QRectF(60.5, 20.5, 70, 90));
    QLinearGradient sky(0, 0, 0, 80);
    sky.setColorAt(0, QColor(30, 124, 187));
    sky.setColorAt(1, QColor(15, 81, 113));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(10, 8, 90, 66), 4, 4);
    p.setBrush(Qt::white);
    for (int x = 16; x < 96; x += 12) {
        p.drawRect(QRectF(x, 11, 6, 5));
        p.drawRect(QRectF(x, 66, 6, 5));
    }
    p.setBrush(QColor(255, 200, 60));
    p.drawEllipse(QRectF(66, 26, 16, 16));
    return img;
}

} // namespace

const QStringList Options::kAlignItems = {
    QStringLiteral("Top      ~  Left"),  QStringLiteral("Top      ~  Center"),
    QStringLiteral("Top      ~  Right"), QStringLiteral("Middle  ~  Left"),
    QStringLiteral("Middle  ~  Center"), QStringLiteral("Middle  ~  Right"),
    QStringLiteral("Bottom  ~  Left"),   QStringLiteral("Bottom  ~  Center"),
    QStringLiteral("Bottom  ~  Right")};

void Options::setStoreLog(QStringList* log) {
    g_storeLog = log;
}

void PreviewBox::ensureImage() {
    if (m_image.size() != size()) {
        QImage grown(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        grown.fill(Qt::white);
        QPainter(&grown).drawImage(0, 0, m_image);
        m_image = grown;
    }
}

void PreviewBox::PaintPicture(const QImage& picture, const QRect& target) {
    ensureImage();
    QPainter p(&m_image);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, picture);
    update();
}

void PreviewBox::paintEvent(QPaintEvent*) {
    ensureImage();
    QPainter(this).drawImage(0, 0, m_image);
}

Options::Options(QWidget* owner) : Form(QStringLiteral("Options"), owner) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));
    setCentreOnOwner(true);
    buildControls();
    connectHandlers();
}

Options::~Options() = default;

Label* Options::textOf(const QWidget* control) const {
    for (const auto& [c, text] : m_texts)
        if (c == control)
            return text;
    return nullptr;
}

void Options::buildControls() {
    const QFont plain = designFont(QStringLiteral("MS Sans Serif"), 8.25);
    auto label = [&](QWidget* parent, const QRect& rect, const QString& text, OleColor colour,
                     int alignment = 0) {
        auto* l = new Label(parent);
        l->setGeometry(rect);
        l->setFont(plain);
        l->setCaption(text);
        l->setForeColor(colour);
        l->setAlignment(alignment);
        return l;
    };
    auto heading = [&](int index, QWidget* page, const QString& text) {
        Label1[index] = label(page, twipsRect(240, 120, 5200, 420), text, kWhite);
        Label1[index]->setFont(designFont(QStringLiteral("MS Sans Serif"), 13.5, true));
        Label1[index]->setObjectName(QStringLiteral("Label1_%1").arg(index));
    };
    // Each box and option button is a bare glyph; its text is a label of its own beside it.
    auto besideText = [&](QWidget* control, QWidget* page, int left, int top, const QString& text,
                          const QString& tip) {
        Label* l = label(page, twipsRect(left + 360, top, 5000 - left, 255), text, kPageText);
        l->setToolTip(tip);
        m_texts.append({control, l});
        return l;
    };
    auto check = [&](const char* name, QWidget* page, int left, int top, const QString& text,
                     const QString& textTip, const QString& ownTip) {
        auto* c = new xpcheckbox(page, QString::fromLatin1(name));
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(twipsRect(left, top, 255, 255));
        c->setCaption(QString());
        c->setToolTip(ownTip);
        besideText(c, page, left, top, text, textTip);
        return c;
    };
    auto option = [&](const char* name, QWidget* page, int left, int top, const QString& text,
                      const QString& textTip, const QString& ownTip) {
        auto* o = new xpradiobutton(page, QString::fromLatin1(name));
        o->setObjectName(QString::fromLatin1(name));
        o->setGeometry(twipsRect(left, top, 255, 255));
        o->setCaption(QString());
        o->setBackColor(kOptionBack);
        o->setToolTip(ownTip);
        besideText(o, page, left, top, text, textTip);
        return o;
    };
    auto button = [&](QWidget* parent, const QRect& rect, const QString& caption, bool enabled,
                      const QString& tip) {
        ButtonDesign design;
        design.geometry = rect;
        design.caption = caption;
        design.enabled = enabled;
        design.backColor = kButtonBack;
        design.bold = true;
        Button_XP* b = placeButton(parent, design);
        b->setToolTip(tip);
        return b;
    };

    Elastic1 = new Elastic(this);
    Elastic1->setObjectName(QStringLiteral("Elastic1"));
    Elastic1->setGeometry(twipsRect(0, 0, kWidthTwips, kHeightTwips));
    Elastic1->setPicture(Elastic::darkSkin(Elastic1->size(), QColor(0x1E, 0x7C, 0xBB)));

    Picture1 = new QWidget(Elastic1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(120, 120, 2400, 4380));
    Picture1->setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);
    Label1[2] =
        label(Picture1, twipsRect(120, 240, 2160, 600), QStringLiteral("Options"), kTitleBlue, 2);
    Label1[2]->setFont(designFont(QStringLiteral("MS Sans Serif"), 18, true));
    Image1 = new QLabel(Picture1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(52, 1080, 153 * kTwipsPerPixel, 116 * kTwipsPerPixel));
    Image1->setPixmap(QPixmap::fromImage(panelPicture()));
    Cmds[0] = button(Picture1, twipsRect(480, 3600, 1440, 450), QStringLiteral("Save"), true,
                     QStringLiteral(" Save Options and Exit "));
    Cmds[0]->setObjectName(QStringLiteral("Cmds_0"));

    IndexTab1 = new IndexTab(Elastic1);
    IndexTab1->setObjectName(QStringLiteral("IndexTab1"));
    IndexTab1->setGeometry(twipsRect(2640, 120, 5745, 4380));
    IndexTab1->setTabCaptions(QStringLiteral("AutoName|Video|Window|Format|Print"));
    Elastic2 = new Elastic;
    Elastic3 = new Elastic;
    Elastic4[0] = new Elastic;
    Elastic5 = new Elastic;
    Elastic4[1] = new Elastic;
    const Elastic* pages[] = {Elastic2, Elastic3, Elastic4[0], Elastic5, Elastic4[1]};
    for (int i = 0; i < 5; ++i) {
        auto* page = const_cast<Elastic*>(pages[i]);
        IndexTab1->setPage(i, page);
        page->setPicture(optionsPageSkin(IndexTab1->pageArea().size()));
    }

    // AutoName & Folders
    heading(5, Elastic2, QStringLiteral("AutoName & Folders"));
    check1 = check("check1", Elastic2, 240, 600,
                   QStringLiteral(" Automatically Name Captures and Save them. "),
                   QStringLiteral(" Use Auto Name "), QStringLiteral(" AutoSave captures "));
    Label1[3] = label(Elastic2, twipsRect(600, 870, 4800, 255),
                      QStringLiteral("( Example: auto1.bmp, auto2.bmp )"), kExampleBlue, 2);
    check3 = check("check3", Elastic2, 240, 1200,
                   QStringLiteral(" Automatically Save without using capture "),
                   QStringLiteral(" Use AutoName and direct video capture "), QString());
    check3->setEnabled(false);
    Option1 = option("Option1", Elastic2, 240, 1680, QStringLiteral(" Use Current Folder "),
                     QStringLiteral(" C:\\Current\\auto1.bmp "),
                     QStringLiteral(" Use Current folder video is in "));
    Option1->setValue(true);
    Option1->setBackColor(kFirstOptionBack);
    Option2 = option("Option2", Elastic2, 240, 2040, QStringLiteral(" Use AutoSave Folder "),
                     QStringLiteral(" C:\\Program Files\\Korimo\\AutoSave\\auto1.bmp "),
                     QStringLiteral(" AutoSave Folder "));
    check6 = check("check6", Elastic2, 240, 2520, QStringLiteral(" Select Folder for Captures"),
                   QStringLiteral(" Select any folder on any drive "), QString());
    LblFolder = label(Elastic2, twipsRect(240, 3000, 4080, 300), QString(), kFolderText);
    // A folder's name is shown as it is, even one that looks like markup.
    LblFolder->setTextFormat(Qt::PlainText);
    LblFolder->setObjectName(QStringLiteral("LblFolder"));
    LblFolder->setAutoFillBackground(true);
    QPalette folderPalette = LblFolder->palette();
    folderPalette.setColor(QPalette::Window, Qt::white);
    LblFolder->setPalette(folderPalette);
    LblFolder->setEnabled(false);
    Cmds[1] = button(Elastic2, twipsRect(4440, 2970, 1050, 360), QStringLiteral("Browse"), false,
                     QStringLiteral(" Select folder for saved captures "));
    Cmds[1]->setObjectName(QStringLiteral("Cmds_1"));

    // Video
    heading(6, Elastic3, QStringLiteral("Video"));
    check2 = check(
        "check2", Elastic3, 240, 600, QStringLiteral(" Save directly from video, not graphic. "),
        QStringLiteral(" Save from video, NOT graphic "), QStringLiteral(" Save from video "));
    Label1[19] = label(Elastic3, twipsRect(600, 870, 4800, 255),
                       QStringLiteral("( Only saves to 24bit .bmp )"), kExampleBlue, 2);
    check5 = check("check5", Elastic3, 240, 1320, QStringLiteral(" Load mpeg videos into memory."),
                   QStringLiteral(" Loads video into memory for faster playing "), QString());
    check7 = check("check7", Elastic3, 240, 1800, QStringLiteral(" Playback at half speed."),
                   QString(), QString());

    // Capture Window
    heading(8, Elastic4[0], QStringLiteral("Capture Window"));
    check4 = check("check4", Elastic4[0], 240, 600,
                   QStringLiteral("Close capture window after it's saved."), QString(),
                   QStringLiteral(" Close Capture Window "));
    check10 = check("check10", Elastic4[0], 240, 1080, QStringLiteral("Use Tooltips"), QString(),
                    QString());

    // Format
    heading(15, Elastic5, QStringLiteral("Format"));
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        const char* depth;
    } formats[] = {{"option3", "BMP", " Windows 24bit bitmap ", "24bit"},
                   {"option4", "JPG", " 24bit jpeg ", "24bit"},
                   {"option5", "TGA", " 32bit tga (targa) ", "32bit"},
                   {"option6", "GIF", " 8bit gif", "8bit"}};
    std::array<xpradiobutton*, 4> formatButtons{};
    for (int i = 0; i < 4; ++i) {
        const int top = 600 + i * 420;
        formatButtons[i] =
            option(formats[i].name, Elastic5, 240, top, QString::fromLatin1(formats[i].text),
                   QString::fromLatin1(formats[i].tip), QString());
        textOf(formatButtons[i])->resize(twipsToPixels(1200), twipsToPixels(255));
        Label4[i] = label(Elastic5, twipsRect(2040, top, 1200, 255),
                          QString::fromLatin1(formats[i].depth), kTitleBlue);
    }
    option3 = formatButtons[0];
    option3->setBackColor(kFirstOptionBack);
    option4 = formatButtons[1];
    option5 = formatButtons[2];
    option6 = formatButtons[3];
    Label2 = label(Elastic5, twipsRect(240, 2460, 5200, 255),
                   QStringLiteral("Select graphic format for video captures."), kTitleBlue);

    // Print Options
    heading(21, Elastic4[1], QStringLiteral("Print Options"));
    check8 = check("check8", Elastic4[1], 240, 600, QStringLiteral("High Quality Printing"),
                   QString(), QString());
    textOf(check8)->resize(twipsToPixels(2040), twipsToPixels(255));
    check9 = check("check9", Elastic4[1], 240, 960, QStringLiteral("Print in B&W"),
                   QStringLiteral(" Print in black and white "), QString());
    textOf(check9)->resize(twipsToPixels(2040), twipsToPixels(255));
    Label16 = label(Elastic4[1], twipsRect(240, 1440, 2280, 255), QStringLiteral("Align Graphic:"),
                    kPageText, 1);
    cmbAlign = new QComboBox(Elastic4[1]);
    cmbAlign->setObjectName(QStringLiteral("cmbAlign"));
    cmbAlign->setGeometry(twipsRect(240, 1740, 2280, 330));
    cmbAlign->setEditable(false);
    QPalette combo = cmbAlign->palette();
    for (auto role : {QPalette::Button, QPalette::Base, QPalette::Window})
        combo.setColor(role, oleToQColor(kButtonBack));
    for (auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
        combo.setColor(role, Qt::white);
    cmbAlign->setPalette(combo);
    // The open list takes the closed box's colours too; left alone it would look like a menu.
    // The name under the pointer is marked in a darker blue, so it still stands out.
    QPalette list = combo;
    list.setColor(QPalette::Highlight, oleToQColor(kButtonBack).darker(170));
    list.setColor(QPalette::HighlightedText, Qt::white);
    cmbAlign->view()->setPalette(list);
    picPreview = new PreviewBox(Elastic4[1]);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setGeometry(twipsRect(2640, 600, kPreviewWidthTwips, kPreviewHeightTwips));
    AAPrintPicture1 = new AAPrintPicture(picPreview);
    AAPrintPicture1->setObjectName(QStringLiteral("AAPrintPicture1"));
    // The control works unseen here; its sheet face would cover the preview's corner.
    AAPrintPicture1->hide();

    Co = new QPushButton(QStringLiteral("Command1"), Elastic1);
    Co->setObjectName(QStringLiteral("Co"));
    Co->setGeometry(twipsRect(120, kHeightTwips + 240, 1215, 375));
}

void Options::connectHandlers() {
    connect(check1, &xpcheckbox::Click, this, &Options::check1_Click);
    connect(check6, &xpcheckbox::Click, this, &Options::check6_Click);
    connect(Option1, &xpradiobutton::Click, this, &Options::Option1_Click);
    connect(Option2, &xpradiobutton::Click, this, &Options::Option2_Click);
    connect(option3, &xpradiobutton::Click, this, &Options::option3_Click);
    connect(option4, &xpradiobutton::Click, this, &Options::option4_Click);
    connect(option5, &xpradiobutton::Click, this, &Options::option5_Click);
    connect(option6, &xpradiobutton::Click, this, &Options::option6_Click);
    for (int i = 0; i < 2; ++i)
        connect(Cmds[i], &Button_XP::Click, this, [this, i] { Cmds_Click(i); });
    connect(cmbAlign, &QComboBox::activated, this, [this] { cmbAlign_Click(); });
    connect(IndexTab1, &IndexTab::Switch, this, &Options::IndexTab1_Switch);
}

void Options::Form_Load() {
    LoadOptions();
}

void Options::setFolderControls(bool special) {
    Option1->setEnabled(!special);
    Option2->setEnabled(!special);
    LblFolder->setEnabled(special);
    Cmds[1]->setEnabled(special);
}

void Options::chooseFormat(const QString& ext) {
    const QString last = ext.right(3);
    if (last == QLatin1String("bmp"))
        option3->setValue(true);
    else if (last == QLatin1String("jpg"))
        option4->setValue(true);
    else if (last == QLatin1String("tga"))
        option5->setValue(true);
    else if (last == QLatin1String("gif"))
        option6->setValue(true);
}

void Options::LoadOptions() {
    using namespace VidBAS;
    skipOnError([&] { check7->setValue(g_HalfSpeed ? 1 : 0); });

    skipOnError(
        [] { g_SpecialFolder = SettingsStore::getBool(QStringLiteral("SpecialFolder"), false); });
    skipOnError([&] {
        setFolderControls(g_SpecialFolder);
        if (g_SpecialFolder)
            check6->setValue(1);
    });

    skipOnError([] { g_Ext = SettingsStore::get(QStringLiteral("Ext"), QStringLiteral(".bmp")); });
    skipOnError([&] { chooseFormat(g_Ext); });

    skipOnError([] { g_Folder = SettingsStore::get(QStringLiteral("Folder"), AutoSaveFolder()); });
    skipOnError([&] { LblFolder->setCaption(folderText(g_Folder)); });

    // A stored Boolean into its copy; a set one ticks its box.
    auto readBox = [](const char* key, bool fallback, bool& copy, xpcheckbox* box) {
        skipOnError([&] { copy = SettingsStore::getBool(QString::fromLatin1(key), fallback); });
        skipOnError([&] {
            if (copy)
                box->setValue(1);
        });
    };
    readBox("AutoSave", false, g_AutoSave, check1);
    skipOnError([&] {
        if (ticked(check1))
            check3->setEnabled(true);
    });
    readBox("VidSave", false, g_VidSave, check2);
    readBox("NoCap", false, g_NoCap, check3);
    readBox("ToolTip", true, g_ToolTip, check10);

    skipOnError([] { g_AutoDir = SettingsStore::getBool(QStringLiteral("AutoDir"), false); });
    skipOnError([&] {
        Option1->setValue(!g_AutoDir);
        Option2->setValue(g_AutoDir);
    });

    readBox("NoWin", false, g_NoWin, check4);
    readBox("LoadVid", false, g_LoadVid, check5);
    readBox("HighQ", true, g_HighQ, check8);
    readBox("BW", false, g_BW, check9);

    skipOnError([&] {
        cmbAlign->addItems(kAlignItems);
        // The list starts with no choice; the stored position picks one below.
        cmbAlign->setCurrentIndex(-1);
    });
    skipOnError([] { g_PPosition = SettingsStore::getInt(QStringLiteral("PPosition"), 4); });
    skipOnError([&] {
        if (g_PPosition < -1 || g_PPosition >= cmbAlign->count())
            throw StepError("The print position is not in the list.");
        if (cmbAlign->currentIndex() != g_PPosition) {
            cmbAlign->setCurrentIndex(g_PPosition);
            cmbAlign_Click();
        }
    });

    skipOnError([&] { AAPrintPicture1->setStretch(false); });
    skipOnError([&] { AAPrintPicture1->setPicture(requireMain().Picture4->pixmap().toImage()); });
    skipOnError([&] { DrawPreview(); });
    VidBAS::ShowDefaultPointer();
}

void Options::check1_Click() {
    check3->setEnabled(!ticked(check1));
}

void Options::check6_Click() {
    if (check6->Value() == 0) {
        setFolderControls(true);
        VidBAS::g_SpecialFolder = true;
    } else {
        VidBAS::g_SpecialFolder = false;
        setFolderControls(false);
    }
    storeBool(QStringLiteral("SpecialFolder"), VidBAS::g_SpecialFolder);
}

void Options::Option1_Click() {
    VidBAS::g_AutoDir = false;
    storeBool(QStringLiteral("AutoDir"), VidBAS::g_AutoDir);
}

void Options::Option2_Click() {
    VidBAS::g_AutoDir = true;
    storeBool(QStringLiteral("AutoDir"), VidBAS::g_AutoDir);
}

void Options::option3_Click() {
    VidBAS::g_Ext = QStringLiteral(".bmp");
    store(QStringLiteral("Ext"), VidBAS::g_Ext);
}

void Options::option4_Click() {
    VidBAS::g_Ext = QStringLiteral(".jpg");
    store(QStringLiteral("Ext"), VidBAS::g_Ext);
}

void Options::option5_Click() {
    VidBAS::g_Ext = QStringLiteral(".tga");
    store(QStringLiteral("Ext"), VidBAS::g_Ext);
}

void Options::option6_Click() {
    VidBAS::g_Ext = QStringLiteral(".gif");
    store(QStringLiteral("Ext"), VidBAS::g_Ext);
}

void Options::IndexTab1_Switch(int, int NewTab) {
    // A stored value that no longer reads leaves the buttons as they are.
    skipOnError([&] {
        if (NewTab == 0) {
            VidBAS::g_AutoDir = SettingsStore::getBool(QStringLiteral("AutoDir"), false);
            (VidBAS::g_AutoDir ? Option2 : Option1)->setValue(true);
        } else if (NewTab == 3) {
            VidBAS::g_Ext = SettingsStore::get(QStringLiteral("Ext"), QStringLiteral(".bmp"));
            chooseFormat(VidBAS::g_Ext);
        }
    });
}

void Options::cmbAlign_Click() {
    skipOnError([&] { AAPrintPicture1->setAlign(cmbAlign->currentIndex()); });
    skipOnError([&] { DrawPreview(); });
    skipOnError([&] { ParkFocus(); });
}

void Options::DrawPreview() {
    const QImage page = AAPrintPicture1->GetPreview();
    const QSize target(kPreviewWidthTwips / kTwipsPerPixel, kPreviewHeightTwips / kTwipsPerPixel);
    picPreview->PaintPicture(page, QRect(QPoint(0, 0), target));
}

void Options::ParkFocus() {
    if (!Co->isVisibleTo(this) || !isVisible())
        throw StepError("The window is not shown yet.");
    Co->setFocus(Qt::OtherFocusReason);
}

void Options::Cmds_Click(int Index) {
    using namespace VidBAS;
    if (Index == 1) {
        skipOnError([] { ShowHourglass(); });
        skipOnError([&] { g_Folder = folderText(LblFolder->Caption()); });
        skipOnError([&] {
            if (BrowseForFolder(this, g_Folder) == QLatin1String("True")) {
                g_Folder = folderText(g_Folder);
                LblFolder->setCaption(g_Folder);
                store(QStringLiteral("Folder"), g_Folder);
            }
        });
        skipOnError([] { ShowDefaultPointer(); });
        return;
    }
    if (Index != 0)
        return;

    skipOnError([] { storeBool(QStringLiteral("AutoDir"), g_AutoDir); });
    skipOnError([&] {
        g_AutoSave = ticked(check1);
        storeBool(QStringLiteral("AutoSave"), g_AutoSave);
    });
    skipOnError([&] {
        g_VidSave = ticked(check2);
        storeBool(QStringLiteral("VidSave"), g_VidSave);
    });
    skipOnError([&] { g_NoCap = ticked(check3); });
    skipOnError([] {
        if (g_CurrentFile.isEmpty())
            return;
        Main& main = requireMain();
        main.Cmd2[5]->setEnabled(g_NoCap);
        main.Cmd2[4]->setEnabled(!g_NoCap);
    });
    skipOnError([] { storeBool(QStringLiteral("NoCap"), g_NoCap); });
    skipOnError([&] {
        g_NoWin = ticked(check4);
        storeBool(QStringLiteral("NoWin"), g_NoWin);
    });
    skipOnError([&] {
        g_LoadVid = ticked(check5);
        storeBool(QStringLiteral("LoadVid"), g_LoadVid);
    });
    skipOnError([&] {
        g_SpecialFolder = ticked(check6);
        storeBool(QStringLiteral("SpecialFolder"), g_SpecialFolder);
    });
    skipOnError([&] {
        g_Folder = folderText(LblFolder->Caption());
        store(QStringLiteral("Folder"), g_Folder);
    });
    skipOnError([] { store(QStringLiteral("Ext"), g_Ext); });
    // Half speed lasts for this run only; the player is not asked first.
    if (ticked(check7)) {
        g_HalfSpeed = true;
        skipOnError([] { requireMain().MMPlay->setRate(0.5); });
    } else {
        skipOnError([] { requireMain().MMPlay->setRate(1.0); });
        g_HalfSpeed = false;
    }
    skipOnError([&] {
        g_HighQ = ticked(check8);
        storeBool(QStringLiteral("HighQ"), g_HighQ);
    });
    skipOnError([&] {
        g_BW = ticked(check9);
        storeBool(QStringLiteral("BW"), g_BW);
    });
    skipOnError([&] {
        g_ToolTip = ticked(check10);
        storeBool(QStringLiteral("ToolTip"), g_ToolTip);
    });
    skipOnError([&] {
        g_PPosition = static_cast<qint16>(cmbAlign->currentIndex());
        store(QStringLiteral("PPosition"), QString::number(g_PPosition));
    });
    Unload();
}

} // namespace korimo
