#pragma once

#include "forms/form.h"

#include <QPoint>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QUrl;

namespace korimo {

class Button_XP;
class cFileDialog;
class Elastic;
class PlayControl;
class HSlider;
class ImgCtl;
class Label;

// The window the program starts into and whose closing ends it: borderless, round-cornered,
// holding the player, the position slider, the transport strip and the toolbar.
class Main : public Form {
    Q_OBJECT
public:
    explicit Main(QWidget* parent = nullptr);
    ~Main() override;

    static constexpr const char* kTitle = "Korimo v3.0";

    // Window state as designed: 0 normal, 1 minimised, 2 maximised.
    int WindowState() const;
    void setWindowState(int state);

    void SetCaption(const QString& text);
    void UnloadOtherForms(const QString& name);

    // The window's controls, in the order the tooltip walk visits them.
    const QList<QWidget*>& Controls() const { return m_controls; }

    // Controls (public, as the other windows of the program reach into the main window).
    Elastic* Elastic1 = nullptr;
    PlayControl* MMPlay = nullptr;
    HSlider* trkPosition = nullptr;
    std::array<Button_XP*, 9> Cmd2{};
    std::array<Button_XP*, 10> Cmds{};
    Button_XP* btnStart = nullptr;
    Button_XP* btnEnd = nullptr;
    Button_XP* btnSelStart = nullptr;
    Button_XP* btnSelEnd = nullptr;
    std::array<Label*, 3> LblCmds{};
    Label* LblHide = nullptr;
    Label* lbldl = nullptr;
    Label* Label3 = nullptr;
    Label* Label4 = nullptr;
    ImgCtl* ImgCtl3 = nullptr;
    QLabel* Picture4 = nullptr;
    QTimer Timer1, Timer2, Timer3, Timer4;

    // Variables of the window itself.
    QString g_WindowTitle;
    bool g_Maximised = false;
    int g_HoverCaption = 0;
    bool g_SelectionMarked = false;
    std::unique_ptr<cFileDialog> g_OpenDialog;
    // The save's capture format: the index going into GetSaveFormat, the format code after it.
    std::int16_t g_SaveFormat = 0;
    std::int16_t g_SaveQuality = 0;
    std::int16_t g_SaveBits = 0;

    // The open dialog's filter, description and pattern pairs joined by "|".
    static const QString kVideoFilter;

    // Handlers.
    void LblCmds_Click(int Index);
    void LblCmds_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void Elastic1_MouseMove(int Button, int Shift, float X, float Y);
    void Elastic1_MouseDown(int Button, int Shift, float X, float Y);
    void LblHide_MouseDown(int Button, int Shift, float X, float Y);
    void Cmd2_Click(int Index);
    void Cmd2_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void btnSelStart_Click();
    void btnSelEnd_Click();
    void btnStart_Click();
    void btnEnd_Click();
    void Cmds_Click(int Index);
    void Cmds_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void MMPlay_Progress(int P);
    void MMPlay_SelectionChanged(int S, int E);
    void MMPlay_ErrorAbort(int code);
    void trkPosition_Scroll();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();

    // Asks for a new size and shows a resized copy of the capture in the second viewer.
    void ImageResize_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void InitMainForm();
    void OpenVideos();
    void CaptureFrame();
    void SaveFrame();
    // The failure message of a transport action; none once the window has closed under it.
    void ShowFailure(const QString& title, const QString& message);
    void GetSaveFormat(std::int16_t& format, std::int16_t& quality, std::int16_t& bits);
    void clearSelectionMarks(Button_XP* first, Button_XP* second, bool withTooltips);
    void connectHandlers();
    void buildControls();
    Button_XP* placeButton(int left, int top, int width, int height, const QString& caption,
                           bool enabled, const QString& hint, bool twoState);
    Label* placeLabel(int left, int top, int width, int height, const QString& caption);
    void applyRoundRegion();
    void Form_MouseMove(int Button, int Shift, float X, float Y);
    void resetCaptionHover();
    void restoreOnLooks();
    // A notice on the status line stays until its timer clears it or the pointer really moves:
    // a button's move that was queued before it must not write a hint over it.
    void holdStatusNotice();
    bool statusNoticeHeld();

    QList<QWidget*> m_controls;
    int m_lastPercent = 0;
    // A capture or save runs; its viewer's load lets events run, a quick second click too.
    bool m_frameBusy = false;
    // Switches given the OFF look while the window is maximised, waiting for the new size.
    std::vector<Button_XP*> m_onAcrossMaximise;
    QSize m_sizeBeforeMaximise;
    QTimer m_onLooksBack;
    bool m_noticeHeld = false;
    QPoint m_noticePointer;
    // A frame step waits for the player with the window painting.
    bool m_stepBusy = false;
};

// The help page's address at a context number.
QUrl helpUrl(const QString& helpFile, int context);

// The main window of the run, for the windows that reach into it; null before it exists.
Main* mainForm();

// The rounded window outline for a client of w x h pixels with corner ellipses of ew x eh.
QRegion roundRectRegion(int w, int h, int ew, int eh);
// The outline Main sets on itself at a given window size in pixels.
QRegion mainWindowRegion(QSize size);

} // namespace korimo
