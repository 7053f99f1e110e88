#include "app/errfrm.h"

#include "app/vidbas.h"
#include "controls/xpcheckbox.h"
#include "draw/olecolor.h"
#include "forms/runtime.h"
#include "widgets/elastic.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <algorithm>
#include <deque>

namespace korimo {

namespace {

const QColor kTitleColour = oleToQColor(0x0071510F);
const QColor kEndHover = oleToQColor(0xFFFF);

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, colour);
    label->setPalette(pal);
}

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::Active, QPalette::WindowText);
}

// A light panel, bluer at the top, so the dark title and the black message read well.
QImage messageSkin(QSize size) {
    QImage img = Elastic::shadedSkin(size, {{0.0, QColor(214, 226, 242)},
                                            {0.35, QColor(246, 248, 252)},
                                            {1.0, QColor(226, 232, 240)}});
    QPainter p(&img);
    p.setPen(QPen(QColor(49, 106, 197), 2));
    p.drawRect(QRectF(1, 1, size.width() - 2, size.height() - 2));
    p.setPen(QPen(QColor(160, 180, 210), 1));
    p.drawLine(QPointF(20, 56.5), QPointF(size.width() - 20, 56.5));
    return img;
}

// Where the badge's round "!" ends; the title keeps clear of it.
constexpr int kBadgeDiscRight = 35;

// The 66 x 34 badge at the top left: a gradient bar holding a round "!".
QPixmap badgePicture() {
    QImage img(66, 34, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bar(0, 0, 66, 0);
    bar.setColorAt(0.0, QColor(49, 106, 197, 200));
    bar.setColorAt(1.0, QColor(49, 106, 197, 0));
    p.fillRect(QRectF(0, 12, 66, 10), bar);
    QRadialGradient disc(QPointF(14, 13), 16);
    disc.setColorAt(0.0, QColor(255, 214, 120));
    disc.setColorAt(1.0, QColor(226, 120, 20));
    p.setBrush(disc);
    p.setPen(QPen(QColor(150, 70, 10), 1));
    p.drawEllipse(QRectF(kBadgeDiscRight - 32, 1, 32, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(17, 7, 4, 14), 2, 2);
    p.drawEllipse(QRectF(17, 23, 4, 4));
    return QPixmap::fromImage(img);
}

// A title wider than its label is drawn whole in a smaller size of its font, and on two lines
// when even the smallest size is too wide, instead of being cut at both ends.
class TitleLabel : public QLabel {
public:
    using QLabel::QLabel;
    // Pixels at each end that the title keeps clear of, so it stays centred beside the badge.
    void setClearEnds(int pixels) { m_clear = std::max(kMargin, pixels); }

protected:
    void paintEvent(QPaintEvent* event) override {
        constexpr qreal kSmallestPoints = 6.0; // two lines of it still fit the label
        const QRect area = contentsRect();
        const int room = area.width() - 2 * m_clear;
        QFont f = font();
        if (text().isEmpty() || QFontMetrics(f).horizontalAdvance(text()) <= room) {
            QLabel::paintEvent(event);
            return;
        }
        while (f.pointSizeF() > kSmallestPoints && QFontMetrics(f).horizontalAdvance(text()) > room)
            f.setPointSizeF(std::max(kSmallestPoints, f.pointSizeF() - 0.5));
        int flags = static_cast<int>(alignment());
        if (QFontMetrics(f).horizontalAdvance(text()) > room)
            flags |= Qt::TextWordWrap;
        QPainter p(this);
        p.setFont(f);
        p.setPen(palette().color(foregroundRole()));
        p.drawText(area.adjusted(m_clear, 0, -m_clear, 0), flags, text());
    }

private:
    static constexpr int kMargin = 4; // the title never touches the label's ends
    int m_clear = kMargin;
};

QLabel* placeLabel(QWidget* parent, const char* name, QRect rect, QLabel* l = nullptr) {
    if (!l)
        l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(rect);
    l->setTextFormat(Qt::PlainText);
    l->setAttribute(Qt::WA_TranslucentBackground);
    // The labels keep their moves, so only the bare skin takes the hover colour off "x".
    l->setAttribute(Qt::WA_NoMousePropagation);
    return l;
}

// The window shows CR LF as one line break.
QString displayText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

struct PendingMessage {
    QPointer<QWidget> owner;
    QString title;
    QString message;
    bool playerError = false;
};

std::deque<PendingMessage>& pending() {
    static std::deque<PendingMessage> queue;
    return queue;
}

bool g_messageOpen = false;

void showOne(const PendingMessage& m) {
    if (m.playerError)
        VidBAS::g_OfferDontShow = true;
    QPointer<ErrFrm> frm = new ErrFrm;
    frm->Load();
    VidBAS::g_ErrText = m.title;
    frm->ErrTitle->setText(displayText(VidBAS::g_ErrText));
    VidBAS::g_ErrText = m.message;
    frm->Label1->setText(displayText(VidBAS::g_ErrText));
    frm->Show(1, m.owner ? m.owner->window() : nullptr);
    if (frm && frm->IsLoaded())
        frm->Unload();
    if (m.playerError)
        VidBAS::g_OfferDontShow = false;
}

} // namespace

ErrFrm::ErrFrm(QWidget* owner) : Form(QStringLiteral("ErrFrm"), owner) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(twipsToPixels(7500), twipsToPixels(2910));
    setCentreOnOwner(true);

    Elastic1 = new Elastic(this);
    Elastic1->setObjectName(QStringLiteral("Elastic1"));
    Elastic1->setGeometry(twipsRect(0, 0, 7500, 2910));
    Elastic1->setPicture(messageSkin(Elastic1->size()));
    connect(Elastic1, &Elastic::MouseMove, this, &ErrFrm::Elastic1_MouseMove);

    ErrTitle =
        placeLabel(Elastic1, "ErrTitle", twipsRect(360, 480, 6765, 300), new TitleLabel(Elastic1));
    ErrTitle->setAlignment(Qt::AlignCenter);
    ErrTitle->setFont(designFont(QStringLiteral("MS Sans Serif"), 12, true));
    setTextColour(ErrTitle, kTitleColour);

    Label1 = placeLabel(Elastic1, "Label1", twipsRect(480, 960, 6495, 1455));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    setTextColour(Label1, Qt::black);

    LblEnd = placeLabel(Elastic1, "LblEnd", twipsRect(7200, 360, 255, 360));
    LblEnd->setText(QStringLiteral("x"));
    LblEnd->setFont(designFont(QStringLiteral("MS Sans Serif"), 13.5));
    LblEnd->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblEnd->setCursor(Qt::PointingHandCursor);
    LblEnd->setMouseTracking(true);
    setTextColour(LblEnd, Qt::black);
    LblEnd->installEventFilter(this);

    Image1 = placeLabel(Elastic1, "Image1", twipsRect(120, 360, 990, 510));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(badgePicture());
    static_cast<TitleLabel*>(ErrTitle)->setClearEnds(Image1->x() + kBadgeDiscRight + 1 -
                                                     ErrTitle->x());

    check1 = new xpcheckbox(Elastic1, QStringLiteral("check1"));
    check1->setGeometry(twipsRect(360, 2520, 255, 255));
    check1->setCaption(QString());

    Label2 = placeLabel(Elastic1, "Label2", twipsRect(720, 2550, 4065, 195));
    Label2->setText(QStringLiteral("Don't Show This window again for the rest of this session."));
    setTextColour(Label2, Qt::black);
    // The designed width fits the designed font only; a wider fallback font must not cut it off.
    Label2->adjustSize();

    // Escape closes as "x" does; the window manager's close reaches Form_Unload as well.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &ErrFrm::LblEnd_Click);
}

void ErrFrm::Form_Load() {
    SetDontShowOption();
}

void ErrFrm::SetDontShowOption() {
    check1->setVisible(VidBAS::g_OfferDontShow);
    Label2->setVisible(VidBAS::g_OfferDontShow);
}

void ErrFrm::LblEnd_Click() {
    Unload();
}

void ErrFrm::Form_Unload(int&) {
    // Every way of closing the window takes these steps, not only "x".
    if (VidBAS::g_OfferDontShow)
        VidBAS::g_ShowPlayErrors = !(check1->Value() == 1);
    VidBAS::g_OfferDontShow = false;
}

void ErrFrm::LblEnd_MouseMove() {
    setTextColour(LblEnd, kEndHover);
}

void ErrFrm::Elastic1_MouseMove(int, int, float, float) {
    if (textColour(LblEnd) == kEndHover)
        setTextColour(LblEnd, Qt::black);
}

bool ErrFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblEnd) {
        if (event->type() == QEvent::MouseMove) {
            LblEnd_MouseMove();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton && LblEnd->rect().contains(me->position().toPoint()))
                LblEnd_Click();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress)
            return true;
    }
    return Form::eventFilter(watched, event);
}

void ErrFrm::keyPressEvent(QKeyEvent* event) {
    // Escape that reaches the window unclaimed, e.g. before the window became the active one.
    if (event->key() == Qt::Key_Escape) {
        LblEnd_Click();
        return;
    }
    Form::keyPressEvent(event);
}

void ShowMessage(QWidget* owner, const QString& title, const QString& message, bool playerError) {
    pending().push_back({owner, title, message, playerError});
    // One window at a time: the open one shows what arrives meanwhile after it closes.
    if (g_messageOpen)
        return;
    g_messageOpen = true;
    struct Reopen {
        ~Reopen() { g_messageOpen = false; }
    } reopen;
    while (!pending().empty()) {
        const PendingMessage next = pending().front();
        pending().pop_front();
        // A player error that waited while the user turned player errors off stays hidden.
        if (next.playerError && !VidBAS::g_ShowPlayErrors)
            continue;
        showOne(next);
    }
}

QString openVideoErrorMessage(const QString& desc) {
    return QStringLiteral("Error Opening Video File.    ") + desc;
}

QString listVideoErrorMessage(const QString& desc) {
    return QStringLiteral("Error Opening Video File.    ") + desc +
           QStringLiteral("\r\n\r\nOr CANCEL was selected.");
}

QString playErrorMessage(const QString& errorText) {
    return QStringLiteral("Abort, Error Playing.     Error Code: ") + errorText +
           QStringLiteral("  Or file is not complete, or it is corrupt.");
}

} // namespace korimo
