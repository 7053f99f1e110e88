#pragma once

#include "forms/form.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <array>

namespace korimo {

class Button_XP;
class HSlider;
class ImgCtl;
class Label;
class Viewer;

// The small "Edit Capture" window that rides below the capture viewer: its buttons resize, flip,
// rotate, mirror, grey and undo the viewer's image, its sliders preview brightness and contrast.
class Tools : public Form {
    Q_OBJECT
public:
    explicit Tools(QWidget* owner = nullptr);
    ~Tools() override;

    // Opens the window for frm: just below it, centred, above every other window, owned by the
    // main window. A window already open is kept and takes frm as its host.
    static void LTools(Viewer* frm);
    static void UnloadLTools();
    // The loaded tool window, or nullptr.
    static Tools* loaded();

    // Keeps a copy of the host's image in the undo ring, before an edit changes it.
    void CopyLast();

    // 0 resize, 1 flip, 2 rotate, 3 reverse, 4 grayscale, 5 undo.
    void Cmd2_Click(int Index);
    // 0 brightness, 1 contrast: previews the adjustment on the host without changing its image.
    void HSlider1_Change(int Index);

    Viewer* host() const;
    // How many edits Undo can still take back (at most four).
    int undoSteps() const { return nUndoCount; }

    std::array<Button_XP*, 6> Cmd2{};
    std::array<HSlider*, 2> HSlider1{};
    std::array<Label*, 2> Label1{};
    Label* LblBright = nullptr;
    Label* Label2 = nullptr;
    // 1 to 4 are the undo ring; 0 takes no part.
    std::array<ImgCtl*, 5> ImgCtl1{};
    ImgCtl* ImgCtl2 = nullptr;
    ImgCtl* ImgCtl3 = nullptr;

    // The window's client size, and the gap it keeps below the viewer it rides under.
    static QSize clientSize();
    static int gapBelowHost();

    // The 16 x 16 pictures of the six buttons, in button order.
    static QImage buttonGlyph(int index);

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void buildControls();
    void placeBelowHost();
    // Places the window again once the manager has put the host on screen.
    void placeWhenHostIsShown();
    void settle();
    void refreshHost();

    QPointer<Viewer> frmHost;
    // Ring position written last; it outlives the window, while the ring's images do not.
    static int nUndoSlot;
    // Undo steps left since the window was loaded.
    int nUndoCount = 0;
    QTimer m_settle;
    int m_settleTicks = 0;
    QRect m_placedFrom;
    bool m_placedOnScreen = false;
};

} // namespace korimo
