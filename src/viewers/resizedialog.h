#pragma once

#include "forms/form.h"

#include <QString>
#include <array>
#include <optional>

class QLineEdit;
class QScrollBar;

namespace korimo {

class Button_XP;
class Elastic;
class Label;
class xpcheckbox;

// The proportion rules of the resize dialog, kept apart from the window.
namespace resizemath {

// Largest width and height the dialog offers.
inline constexpr int kMaxWidth = 16384;
inline constexpr int kMaxInteger = 32767;

// The nearest whole number, a half going to the even neighbour; nullopt for a value that is not
// finite or does not fit a 16-bit Integer.
std::optional<int> nearestInteger(double value);
// The size that keeps `other` in proportion when `from` becomes `to`: nearest(other x to / from).
// nullopt when from is 0 or the result does not fit.
std::optional<int> proportional(double other, double from, double to);
// The height bar's maximum for a W x H image: the height that goes with the widest width, at
// most 32767 and at least 1.
int heightMax(double W, double H);
// A box text read as a whole number (surrounding blanks allowed, then rounded); nullopt for an
// empty text or one that is not a number.
std::optional<int> wholeNumber(const QString& text);
// The leading number of a text, blanks inside ignored; 0 when it starts with no number.
double leadingNumber(const QString& text);

} // namespace resizemath

// The modal "Resize Graphic" dialog: a width and a height, each as a scroll bar and a text box
// kept in step, in proportion to the viewer's image while Maintain Aspect-Ratio is ticked.
class Resize : public Form {
    Q_OBJECT
public:
    explicit Resize(QWidget* owner = nullptr);
    ~Resize() override;

    // Mode 0 sizes the bars for an image of W x H pixels, puts the image's size in and ticks the
    // aspect box. The size comes from the capture viewer unless one is given.
    void InitTheForm(int mode);
    void InitTheForm(int mode, int imageWidth, int imageHeight);
    void GetResults(bool& fOK, int& nValue1, int& nValue2, bool& fResample) const;

    void Value1Bar_Change();
    void Value1Box_Change();
    void Value2Bar_Change();
    void Value2Box_Change();
    void AspectRatioBox_Click();
    void Ok_Click();
    void Cancel_Click();

    Elastic* Elastic1 = nullptr;
    std::array<Label*, 4> Label1{};
    QLineEdit* Value1Box = nullptr;
    QLineEdit* Value2Box = nullptr;
    QScrollBar* Value1Bar = nullptr;
    QScrollBar* Value2Bar = nullptr;
    xpcheckbox* AspectRatioBox = nullptr;
    xpcheckbox* ResampleBox = nullptr;
    Button_XP* Cancel = nullptr;
    Button_XP* Ok = nullptr;

protected:
    void Form_Activate() override;

private:
    void buildControls();
    // The partner pair follows a changed size when the aspect box is ticked.
    void keepProportion(bool widthChanged, bool capped);

    bool fAccepted = false;
    int nMode = 0;
    double m_W = 0;
    double m_H = 0;
    // Held only while a bar or box sets its partner, so the partner does not echo it back.
    bool fBar1Busy = false;
    bool fBox1Busy = false;
    bool fBar2Busy = false;
    bool fBox2Busy = false;
    // Held while one pair moves the other for the aspect ratio, so rounding cannot bounce the
    // change back onto the size the user set.
    bool m_followingAspect = false;
};

} // namespace korimo
