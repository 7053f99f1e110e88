#include "viewers/resizedialog.h"

#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "controls/xpcheckbox.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "viewers/viewer.h"
#include "widgets/elastic.h"
#include "widgets/label.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <cmath>

namespace korimo {

namespace resizemath {

std::optional<int> nearestInteger(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double n = std::nearbyint(value);
    if (n < -32768.0 || n > kMaxInteger)
        return std::nullopt;
    return static_cast<int>(n);
}

std::optional<int> proportional(double other, double from, double to) {
    if (from == 0)
        return std::nullopt;
    return nearestInteger(other * to / from);
}

int heightMax(double W, double H) {
    if (W <= 0 || H <= 0)
        return kMaxInteger;
    const double n = std::nearbyint(H * kMaxWidth / W);
    // A very wide image would leave no height at all; one pixel keeps the bar usable.
    return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxInteger)));
}

std::optional<int> wholeNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return nearestInteger(value);
}

double leadingNumber(const QString& text) {
    QString digits;
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            digits += c;
    // The longest prefix of the form [+-]digits[.digits][(e|d)[+-]digits].
    int i = 0;
    const int n = static_cast<int>(digits.size());
    auto isDigit = [&](int k) { return k < n && digits[k].isDigit() && digits[k].unicode() < 128; };
    QString number;
    if (i < n && (digits[i] == QLatin1Char('+') || digits[i] == QLatin1Char('-')))
        number += digits[i++];
    bool any = false;
    while (isDigit(i)) {
        number += digits[i++];
        any = true;
    }
    if (i < n && digits[i] == QLatin1Char('.')) {
        number += digits[i++];
        while (isDigit(i)) {
            number += digits[i++];
            any = true;
        }
    }
    if (!any)
        return 0;
    if (i < n && QStringLiteral("eEdD").contains(digits[i])) {
        int k = i + 1;
        QString exponent = QStringLiteral("e");
        if (k < n && (digits[k] == QLatin1Char('+') || digits[k] == QLatin1Char('-')))
            exponent += digits[k++];
        if (isDigit(k)) {
            while (isDigit(k))
                exponent += digits[k++];
            number += exponent;
        }
    }
    const double value = QLocale::c().toDouble(number);
    return std::isfinite(value) ? value : 0;
}

} // namespace resizemath

using namespace resizemath;

namespace {

constexpr OleColor kButtonBack = 0x00BB7C1E;
constexpr OleColor kWhite = 0x00FFFFFF;

// Holds a guard for the length of one call.
class Hold {
public:
    explicit Hold(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~Hold() { m_flag = m_was; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

} // namespace

Resize::Resize(QWidget* owner) : Form(QStringLiteral("Resize"), owner) {
    setWindowTitle(QStringLiteral("Resize Graphic"));
    setFixedToolFrame(QSize(twipsToPixels(3870), twipsToPixels(3030)));
    setCentreOnOwner(true);
    setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    buildControls();
}

Resize::~Resize() = default;

void Resize::buildControls() {
    Elastic1 = new Elastic(this);
    Elastic1->setGeometry(rect());
    Elastic1->setPicture(Elastic::darkSkin(size()));

    auto label = [this](int left, int top, int width, const QString& text, double points) {
        auto* l = new Label(Elastic1);
        l->setGeometry(twipsRect(left, top, width, 255));
        l->setFont(designFont(QStringLiteral("MS Sans Serif"), points, true));
        l->setForeColor(kWhite);
        l->setCaption(text);
        return l;
    };
    Label1[0] = label(360, 240, 720, QStringLiteral("Width"), 9.75);
    Label1[1] = label(360, 960, 720, QStringLiteral("Height"), 9.75);
    Label1[0]->setAlignment(2);
    Label1[1]->setAlignment(2);
    Label1[2] = label(645, 1695, 1800, QStringLiteral("Maintain &Aspect-Ratio"), 8.25);
    Label1[3] = label(2805, 1695, 900, QStringLiteral("Resample"), 8.25);

    auto box = [this](int top, const QString& text) {
        auto* e = new QLineEdit(Elastic1);
        e->setGeometry(twipsRect(360, top, 720, 285));
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        e->setPalette(pal);
        e->setText(text);
        return e;
    };
    Value1Box = box(480, QStringLiteral("Width"));
    Value2Box = box(1200, QStringLiteral("Height"));

    auto bar = [this](int top, int width) {
        auto* b = new QScrollBar(Qt::Horizontal, Elastic1);
        b->setGeometry(twipsRect(1200, top, width, 200));
        b->setPageStep(10);
        return b;
    };
    Value1Bar = bar(520, 2295);
    Value2Bar = bar(1230, 2265);

    auto check = [this](int left, const QString& name) {
        auto* c = new xpcheckbox(Elastic1, name);
        c->setGeometry(twipsRect(left, 1680, 255, 255));
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("Value"), 1);
        c->ReadProperties(bag);
        return c;
    };
    AspectRatioBox = check(360, QStringLiteral("AspectRatioBox"));
    ResampleBox = check(2520, QStringLiteral("ResampleBox"));
    Label1[2]->setBuddy(AspectRatioBox);

    auto button = [this](int left, const QString& caption, const QString& tip) {
        ButtonDesign design;
        design.geometry = twipsRect(left, 2280, 1260, 385);
        design.caption = caption;
        design.backColor = kButtonBack;
        design.bold = true;
        Button_XP* b = placeButton(Elastic1, design);
        b->setToolTip(tip);
        return b;
    };
    Cancel = button(360, QStringLiteral("&Cancel"), QStringLiteral(" Cancel Resize  "));
    Ok = button(2190, QStringLiteral("&Accept"), QStringLiteral(" Create new sized graphic "));

    connect(Value1Bar, &QScrollBar::valueChanged, this, &Resize::Value1Bar_Change);
    connect(Value2Bar, &QScrollBar::valueChanged, this, &Resize::Value2Bar_Change);
    connect(Value1Box, &QLineEdit::textChanged, this, &Resize::Value1Box_Change);
    connect(Value2Box, &QLineEdit::textChanged, this, &Resize::Value2Box_Change);
    connect(AspectRatioBox, &xpcheckbox::Click, this, &Resize::AspectRatioBox_Click);
    connect(Ok, &Button_XP::Click, this, &Resize::Ok_Click);
    connect(Cancel, &Button_XP::Click, this, &Resize::Cancel_Click);
}

void Resize::InitTheForm(int mode) {
    int w = 0, h = 0;
    if (Viewer* v = findViewer(Viewer::First)) {
        w = v->ImgCtl1->ImageWidth();
        h = v->ImgCtl1->ImageHeight();
    }
    InitTheForm(mode, w, h);
}

void Resize::InitTheForm(int mode, int imageWidth, int imageHeight) {
    fAccepted = false;
    nMode = mode;
    m_W = imageWidth;
    m_H = imageHeight;
    if (mode == 0) {
        Value1Bar->setMinimum(1);
        Value2Bar->setMinimum(1);
        Value1Bar->setMaximum(kMaxWidth);
        Value2Bar->setMaximum(heightMax(m_W, m_H));
        for (QScrollBar* b : {Value1Bar, Value2Bar}) {
            b->setPageStep(100);
            b->setSingleStep(10);
        }
        // An image larger than a bar offers the bar's largest size.
        Value1Bar->setValue(imageWidth);
        Value2Bar->setValue(imageHeight);
        // A bar that already held the size raised nothing; its box may still show an old text.
        const std::pair<QScrollBar*, QLineEdit*> pairs[] = {{Value1Bar, Value1Box},
                                                            {Value2Bar, Value2Box}};
        for (const auto& [b, e] : pairs) {
            const QString text = QString::number(b->value());
            if (e->text() != text) {
                Hold hold(b == Value1Bar ? fBar1Busy : fBar2Busy);
                e->setText(text);
            }
        }
        ResampleBox->setValue(0);
        AspectRatioBox->setValue(1);
    }
    fBar1Busy = fBox1Busy = fBar2Busy = fBox2Busy = false;
    m_followingAspect = false;
}

void Resize::GetResults(bool& fOK, int& nValue1, int& nValue2, bool& fResample) const {
    fOK = fAccepted;
    nValue1 = Value1Bar->value();
    nValue2 = Value2Bar->value();
    fResample = ResampleBox->Value() == 1;
}

void Resize::keepProportion(bool widthChanged, bool capped) {
    if (m_followingAspect || AspectRatioBox->Value() != 1)
        return;
    QScrollBar* target = widthChanged ? Value2Bar : Value1Bar;
    const double other = widthChanged ? m_H : m_W;
    const double from = widthChanged ? m_W : m_H;
    const double to = (widthChanged ? Value1Bar : Value2Bar)->value();
    std::optional<int> size;
    if (capped) {
        if (from == 0)
            return;
        const double n = std::nearbyint(other * to / from);
        size = std::isfinite(n) ? nearestInteger(std::min<double>(kMaxInteger, n)) : std::nullopt;
    } else {
        size = proportional(other, from, to);
    }
    if (!size || *size < target->minimum() || *size > target->maximum() || *size == target->value())
        return;
    Hold hold(m_followingAspect);
    target->setValue(*size);
}

void Resize::Value1Bar_Change() {
    if (fBox1Busy)
        return;
    {
        Hold hold(fBar1Busy);
        Value1Box->setText(QString::number(Value1Bar->value()));
    }
    keepProportion(true, true);
}

void Resize::Value2Bar_Change() {
    if (fBox2Busy)
        return;
    {
        Hold hold(fBar2Busy);
        Value2Box->setText(QString::number(Value2Bar->value()));
    }
    keepProportion(false, true);
}

void Resize::Value1Box_Change() {
    if (fBar1Busy)
        return;
    const std::optional<int> n = wholeNumber(Value1Box->text());
    if (!n || *n < Value1Bar->minimum() || *n > Value1Bar->maximum())
        return;
    {
        Hold hold(fBox1Busy);
        Value1Bar->setValue(*n);
    }
    keepProportion(true, false);
}

void Resize::Value2Box_Change() {
    if (fBar2Busy)
        return;
    const std::optional<int> n = wholeNumber(Value2Box->text());
    if (!n || *n < Value2Bar->minimum() || *n > Value2Bar->maximum())
        return;
    {
        Hold hold(fBox2Busy);
        Value2Bar->setValue(*n);
    }
    keepProportion(false, false);
}

void Resize::AspectRatioBox_Click() {
    if (nMode != 0)
        return;
    Hold hold(m_followingAspect);
    Value2Bar->setMinimum(1);
    Value2Bar->setMaximum(heightMax(m_W, m_H));
    if (m_W == 0)
        return;
    const double n = std::nearbyint(m_H * Value1Bar->value() / m_W);
    if (!std::isfinite(n))
        return;
    const int h = static_cast<int>(
        std::clamp(n, static_cast<double>(Value2Bar->minimum()),
                   static_cast<double>(std::min(Value2Bar->maximum(), kMaxInteger))));
    Value2Bar->setValue(h);
}

void Resize::Ok_Click() {
    const std::pair<QScrollBar*, QLineEdit*> pairs[] = {{Value1Bar, Value1Box},
                                                        {Value2Bar, Value2Box}};
    for (const auto& [b, e] : pairs) {
        if (leadingNumber(e->text()) >= kMaxInteger) {
            b->setValue(b->maximum());
            e->setText(QString::number(kMaxInteger));
            QApplication::beep();
        }
    }
    auto fits = [](QScrollBar* b, QLineEdit* e) {
        const std::optional<int> n = wholeNumber(e->text());
        return n && *n >= b->minimum() && *n <= b->maximum();
    };
    if (fits(Value1Bar, Value1Box) && fits(Value2Bar, Value2Box)) {
        fAccepted = true;
        Hide();
    }
}

void Resize::Cancel_Click() {
    Hide();
}

void Resize::Form_Activate() {
    Value1Box->setFocus();
}

} // namespace korimo
