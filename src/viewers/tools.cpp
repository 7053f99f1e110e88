#include "viewers/tools.h"

#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "controls/picture.h"
#include "forms/desktop.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "viewers/viewer.h"
#include "widgets/elastic.h"
#include "widgets/hslider.h"
#include "widgets/label.h"
#include "widgets/picturebox.h"

#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace korimo {

namespace {

constexpr OleColor kLabelColour = 0x00E0E0E0;
// Slider positions are percentages: 100 leaves the image as it is.
constexpr int kSliderMax = 200;
constexpr int kSliderStart = 100;
constexpr int kRing = 4;

const QColor kInk(226, 226, 226);

QString percent(int value) {
    return QString::number(value) + QLatin1Char('%');
}

void arrowHead(QPainter& p, QPointF tip, QPointF along) {
    // A filled head of three pixels pointing along a unit direction.
    const QPointF side(-along.y(), along.x());
    p.drawPolygon(QPolygonF({tip, tip - along * 3.5 + side * 3, tip - along * 3.5 - side * 3}));
}

} // namespace

int Tools::nUndoSlot = 0;

QImage Tools::buttonGlyph(int index) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case 0: // resize: a small frame growing into a large one
        p.drawRect(1, 7, 7, 7);
        p.drawLine(QPoint(1, 1), QPoint(14, 1));
        p.drawLine(QPoint(14, 1), QPoint(14, 14));
        p.drawLine(QPoint(6, 9), QPoint(11, 4));
        p.setBrush(kInk);
        arrowHead(p, QPointF(12, 3), QPointF(0.7, -0.7));
        break;
    case 1: // flip: a shape and its reflection above and below a line
        p.setBrush(kInk);
        p.drawPolygon(QPolygon({QPoint(3, 6), QPoint(12, 6), QPoint(7, 1)}));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygon({QPoint(3, 9), QPoint(12, 9), QPoint(7, 14)}));
        p.drawLine(QPoint(0, 7), QPoint(15, 7));
        break;
    case 2: { // rotate: a three-quarter circle with a head
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kInk, 1.6));
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, -270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        arrowHead(p, QPointF(10.5, 2.5), QPointF(1, 0));
        break;
    }
    case 3: // reverse: a shape and its mirror image left and right of a line
        p.setBrush(kInk);
        p.drawPolygon(QPolygon({QPoint(6, 3), QPoint(6, 12), QPoint(1, 7)}));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygon({QPoint(9, 3), QPoint(9, 12), QPoint(14, 7)}));
        p.drawLine(QPoint(7, 0), QPoint(7, 15));
        break;
    case 4: // grayscale: four steps from light to dark
        for (int i = 0; i < 4; ++i) {
            const int level = 230 - i * 60;
            p.fillRect(QRect(1 + i * 3, 2, 3, 12), QColor(level, level, level));
        }
        p.drawRect(0, 1, 13, 13);
        break;
    default: { // undo: a hook bending back to the left
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kInk, 1.6));
        QPainterPath path(QPointF(4, 5));
        path.lineTo(10, 5);
        path.arcTo(QRectF(6, 5, 8, 8), 90, -180);
        path.lineTo(5, 13);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        arrowHead(p, QPointF(1.5, 5), QPointF(-1, 0));
        break;
    }
    }
    return image;
}

QSize Tools::clientSize() {
    return QSize(twipsToPixels(2520), twipsToPixels(885));
}

int Tools::gapBelowHost() {
    return twipsToPixels(10);
}

Tools::Tools(QWidget* owner) : Form(QStringLiteral("Tools"), owner) {
    setWindowTitle(QStringLiteral("Edit Capture"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedToolFrame(clientSize(), Qt::WindowStaysOnTopHint);
    buildControls();
    m_settle.setInterval(20);
    connect(&m_settle, &QTimer::timeout, this, &Tools::settle);
}

Tools::~Tools() = default;

void Tools::buildControls() {
    static const char* const kTips[6] = {" Resize ",  " Flip ",      " Rotate ",
                                         " Reverse ", " Grayscale ", " Undo "};
    for (int i = 0; i < 6; ++i) {
        ButtonDesign design;
        design.geometry = twipsRect(420 * i, 0, 420, 315);
        Button_XP* b = placeButton(this, design);
        b->setPicture(Picture::fromBitmap(buttonGlyph(i)));
        b->setPictureSize(2);
        b->setToolTip(QString::fromLatin1(kTips[i]));
        b->setObjectName(QStringLiteral("Cmd2_%1").arg(i));
        connect(b, &Button_XP::Click, this, [this, i] { Cmd2_Click(i); });
        Cmd2[i] = b;
    }

    const QFont font = designFont(QStringLiteral("MS Sans Serif"), 6.75, true);
    auto place = [&](int left, int top, int width, const QString& text) {
        auto* l = new Label(this);
        l->setGeometry(twipsRect(left, top, width, 255));
        l->setFont(font);
        l->setForeColor(kLabelColour);
        l->setCaption(text);
        return l;
    };
    // Row 0 brightness, row 1 contrast.
    Label1[1] = place(30, 345, 780, QStringLiteral("Brightness"));
    Label1[0] = place(30, 615, 780, QStringLiteral("Contrast"));
    LblBright = place(2010, 345, 510, percent(kSliderStart));
    Label2 = place(2010, 615, 510, percent(kSliderStart));
    for (int i = 0; i < 2; ++i) {
        auto* s = new HSlider(this);
        s->setGeometry(twipsRect(810, 330 + 270 * i, 1185, 270));
        s->setMax(kSliderMax);
        s->setValue(kSliderStart);
        s->setToolTip(QStringLiteral(" Use arrow keys for single advance "));
        s->setObjectName(QStringLiteral("HSlider1_%1").arg(i));
        connect(s, &HSlider::Change, this, [this, i] { HSlider1_Change(i); });
        HSlider1[i] = s;
    }

    for (auto& ctl : ImgCtl1) {
        ctl = new ImgCtl(this);
        ctl->hide();
    }
    ImgCtl2 = new ImgCtl(this);
    ImgCtl2->hide();
    ImgCtl3 = new ImgCtl(this);
    ImgCtl3->hide();
}

Tools* Tools::loaded() {
    return Loaded<Tools>();
}

Viewer* Tools::host() const {
    return frmHost.data();
}

void Tools::LTools(Viewer* frm) {
    Tools* tools = loaded();
    const bool fresh = tools == nullptr;
    if (fresh)
        tools = new Tools;
    tools->frmHost = frm;
    // Main owns the window, so it goes and comes with Main and never hides behind it.
    tools->Show(0, mainForm());
    if (fresh)
        tools->placeBelowHost();
    tools->placeWhenHostIsShown();
}

void Tools::UnloadLTools() {
    if (Tools* tools = loaded())
        tools->Unload();
}

void Tools::Form_Load() {
    VidBAS::g_ToolsOpen = true;
    nUndoCount = 0;
    placeBelowHost();
}

void Tools::placeBelowHost() {
    const Viewer* v = frmHost.data();
    if (!v)
        return;
    // Frame rectangles, as the window sizes were designed with their frames.
    const QRect host = desktop::frameGeometry(v);
    const QRect own = desktop::frameGeometry(this);
    QPoint at(host.left() + host.width() / 2 - own.width() / 2,
              host.top() + host.height() + gapBelowHost());
    // Below a viewer as tall as the screen, or beside the screen's edge, the window would be
    // out of reach: it stays on the free area, over the viewer if need be.
    if (const QScreen* s = v->screen()) {
        const QRect area = s->availableGeometry();
        at.setX(
            std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - own.width())));
        at.setY(
            std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - own.height())));
    }
    m_placedFrom = host;
    move(at);
}

void Tools::placeWhenHostIsShown() {
    // The viewer is shown after its load has opened this window, and the manager places it and
    // puts its frame around it later still; until then its position is not known.
    m_settleTicks = 0;
    m_placedOnScreen = false;
    m_settle.start();
}

void Tools::settle() {
    const Viewer* v = frmHost.data();
    const auto onScreen = [](const QWidget* w) {
        return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
    };
    // A viewer loaded for a save alone is never shown: the first place stays.
    constexpr int kGiveUpTicks = 250;
    if (!v || ++m_settleTicks > kGiveUpTicks) {
        m_settle.stop();
        return;
    }
    if (!onScreen(v) || !onScreen(this))
        return;
    if (!m_placedOnScreen || desktop::frameGeometry(v) != m_placedFrom)
        placeBelowHost();
    // A few more looks catch a frame the manager finishes after the first showing.
    if (!m_placedOnScreen)
        m_settleTicks = kGiveUpTicks - 10;
    m_placedOnScreen = true;
}

void Tools::Form_Unload(int&) {
    VidBAS::g_ToolsOpen = false;
    skipOnError([this] {
        if (Viewer* v = frmHost.data()) {
            SetFocus(v);
        }
    });
}

void Tools::CopyLast() {
    Viewer* v = frmHost.data();
    if (!v || !v->ImgCtl1->hasImage())
        return;
    // The ring moves on only once the copy is kept: a copy that fails leaves no empty step that
    // would stop every later undo.
    const int slot = nUndoSlot % kRing + 1;
    ImgCtl1[slot]->setBitmap(v->ImgCtl1->Bitmap());
    nUndoSlot = slot;
    nUndoCount = std::min(nUndoCount + 1, kRing);
}

void Tools::refreshHost() {
    Viewer* v = frmHost.data();
    if (!v)
        return;
    skipOnError([v] { v->ImgCtl1->Repaint(); });
    skipOnError([v] { v->ClipPic->setPicture(v->ImgCtl1->ImagePicture()); });
    skipOnError([v] { v->fit(); });
    // A turned picture changes the viewer's size, and it may have moved to stay on the screen.
    placeWhenHostIsShown();
}

void Tools::Cmd2_Click(int Index) {
    Viewer* v = frmHost.data();
    ImgCtl* img = v ? v->ImgCtl1 : nullptr;
    // An edit only counts with its copy kept, so a failing edit leaves no stray undo step.
    auto edit = [this, img](auto&& change) {
        if (!img || !img->hasImage())
            return;
        skipOnError([this] { CopyLast(); });
        skipOnError([&] { change(*img); });
    };
    switch (Index) {
    case 0:
        skipOnError([] {
            if (Main* m = mainForm())
                m->ImageResize_Click();
        });
        break;
    case 1:
        edit([](ImgCtl& c) { c.Flip(); });
        break;
    case 2:
        edit([](ImgCtl& c) { c.Rotate(9000, true, 0x00FFFFFF); });
        break;
    case 3:
        edit([](ImgCtl& c) { c.Reverse(); });
        break;
    case 4:
        edit([](ImgCtl& c) { c.Grayscale(); });
        break;
    case 5: {
        // The newest copy sits at nUndoSlot; stepping the slot back walks the ring newest first,
        // however often it has wrapped. With no steps left the oldest copy is shown again.
        if (!img)
            return;
        int slot = nUndoSlot;
        if (nUndoCount == 0)
            slot = nUndoSlot % kRing + 1;
        if (slot < 1 || !ImgCtl1[slot]->hasImage())
            return;
        skipOnError([&] { img->setBitmap(ImgCtl1[slot]->Bitmap()); });
        if (nUndoCount > 0) {
            nUndoSlot = nUndoSlot == 1 ? kRing : nUndoSlot - 1;
            --nUndoCount;
        }
        break;
    }
    default:
        return;
    }
    refreshHost();
}

void Tools::HSlider1_Change(int Index) {
    Viewer* v = frmHost.data();
    if (!v)
        return;
    skipOnError([&] {
        ImgCtl3->setBitmap(v->ImgCtl1->Bitmap());
        ImgCtl2->setBitmap(ImgCtl3->Bitmap());
    });
    const int value = HSlider1[Index == 1 ? 1 : 0]->Value();
    switch (Index) {
    case 0:
        skipOnError([&] { ImgCtl2->Brightness(value); });
        skipOnError([&] { ImgCtl2->Repaint(); });
        LblBright->setCaption(percent(value));
        break;
    case 1:
        skipOnError([&] { ImgCtl2->Contrast(value * 10); });
        skipOnError([&] { ImgCtl2->Repaint(); });
        Label2->setCaption(percent(value));
        break;
    default:
        break;
    }
    skipOnError([&] {
        const QImage preview = ImgCtl2->ImagePicture();
        if (!preview.isNull())
            v->ClipPic->setPicture(preview);
    });
}

} // namespace korimo
