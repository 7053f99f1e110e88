#pragma once

#include "forms/form.h"
#include "imaging/savefile.h"

#include <QImage>

namespace korimo {

class AAPrintPicture;
class Elastic;
class ImgCtl;
class PictureBox;

// The window that shows a captured frame ("Viewer") and its twin that shows the resized frame
// ("viewer2"). Each keeps its image in a hidden imaging control that Main's save writes out.
class Viewer : public Form {
    Q_OBJECT
public:
    enum Kind { First, Second };

    explicit Viewer(Kind kind, QWidget* owner = nullptr);
    ~Viewer() override;

    Elastic* Elastic1 = nullptr;
    QWidget* Picture1 = nullptr;
    PictureBox* ClipPic = nullptr;
    ImgCtl* ImgCtl1 = nullptr;
    AAPrintPicture* AAPrintPicture1 = nullptr;

    Kind kind() const { return m_kind; }
    // Whether the load made for Main's save with NoCap set wrote the save's file itself.
    bool savedOnLoad() const { return m_savedOnLoad; }

    // Prints the picture shown at the position the options chose.
    void PrintMe();
    // Lets the window follow a new picture in ClipPic, then holds the layout again.
    void fit();

    void ClipPic_MouseDown(int Button, int Shift, float X, float Y);

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Resize() override;

private:
    void Form_Initialize();
    void LoadCapture();
    void layoutPicture(QSize client);
    void followClipPic();

    friend Viewer* loadViewer(Viewer::Kind kind, bool forSave, const NextName& nextName);

    Kind m_kind;
    bool m_forSave = false;
    NextName m_nextName;
    bool m_savedOnLoad = false;
};

// The loaded window of that kind, or nullptr.
Viewer* findViewer(Viewer::Kind kind);
// The loaded window of that kind; when none is loaded a new one is made and loaded (its load
// takes the frame from the clipboard). forSave marks the load Main's save makes: with NoCap set
// that load writes the player's frame to g_SaveFile in Main's save format and holds that frame
// instead; nextName, when given, marks g_SaveFile as an automatic name (see saveImageFile).
Viewer* loadViewer(Viewer::Kind kind, bool forSave = false, const NextName& nextName = {});

// Writes a picture as a 24-bit Windows bitmap file, through a temporary file in the same folder;
// next as saveImageFile takes it.
void SavePicture(const QImage& picture, const QString& file, const NextName& next = {});

} // namespace korimo
