#pragma once

#include "imaging/image.h"
#include "imaging/savefile.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

namespace korimo {

// Bridges to Qt; both copy the pixels. fromQImage throws ImagingError for a null or absurd image.
QImage toQImage(const Image& image);
Image fromQImage(const QImage& image);

// The imaging control: holds one image and edits, pastes and saves it. Windows place it hidden
// and use it through these calls. Every operation that fails throws ImagingError with a
// sentence a caller can show, and leaves the held image as it was.
class ImgCtl : public QWidget {
    Q_OBJECT
public:
    // Paste flag: only report whether the clipboard holds an image that can be pasted.
    static constexpr int kPasteTestOnly = 0x4000;

    explicit ImgCtl(QWidget* parent = nullptr);

    // The held image; nullptr means none. The image handed out never changes afterwards: edits
    // of this control work on their own copy.
    std::shared_ptr<const Image> Bitmap() const { return m_image; }
    // Takes a copy of image (nullptr clears), so later changes of either side do not leak.
    void setBitmap(std::shared_ptr<const Image> image);
    bool hasImage() const { return m_image != nullptr; }

    // 0 without an image.
    int ImageWidth() const;
    int ImageHeight() const;

    // flags & kPasteTestOnly: true when the clipboard holds an image that can be pasted, the held
    // image unchanged. Otherwise: replaces the held image by the clipboard's, or throws when
    // there is nothing to paste.
    bool Paste(int flags);

    // A copy of the held image for showing or printing; a null QImage without an image.
    QImage ImagePicture() const;
    void Repaint();

    void Flip();    // top to bottom
    void Reverse(); // left to right
    // angle in hundredths of a degree, clockwise (9000 = a quarter turn); only whole quarter
    // turns are supported. resize true lets the canvas follow the turned image (a non-square
    // image swaps its sides); false keeps the canvas, centres the turned image on it and paints
    // uncovered parts in fillColour (an OLE colour 0x00BBGGRR).
    void Rotate(int angle, bool resize, std::uint32_t fillColour);
    void Grayscale();
    // amount in percent of the present brightness: 100 unchanged, 0 black, 200 twice as bright.
    // A slider with 0..200 and 100 in the middle passes its value as it is.
    void Brightness(int amount);
    // amount in tenths of a percent of the present contrast around mid-grey: 1000 unchanged,
    // 0 flat grey, 2000 twice the contrast. A 0..200 % slider passes its value times 10.
    void Contrast(int amount);
    // flag 1: filtered resampling (antialiased when shrinking); 0: nearest pixel.
    void ResizeImage(int width, int height, int flag);
    // Kept for the callers that switch it around a resize; resizing does not depend on it.
    int ResizeSwitch() const { return m_resizeSwitch; }
    void setResizeSwitch(int on) { m_resizeSwitch = on; }
    // formatCode 6 BMP 24, 10 JPEG 24, 4 TGA 32, 2 GIF 8 (bits must match). quality is a JPEG
    // compression factor: 0 to 2 the highest quality without chroma subsampling, each step
    // above one libjpeg quality point less; the other formats ignore it.
    // With next the name is one the program picked: see saveImageFile.
    void SaveImage(const QString& file, int formatCode, int bits, int quality,
                   const NextName& next = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The held image to edit in place: a private copy when the held one was handed out.
    Image& editable();
    const Image& current() const;
    void replace(Image&& image);

    // Shared with the handles given out by Bitmap(); copied before an edit while shared.
    std::shared_ptr<Image> m_image;
    int m_resizeSwitch = 0;
};

} // namespace korimo
