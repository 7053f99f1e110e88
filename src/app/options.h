#pragma once

#include "forms/form.h"

#include <QImage>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace korimo {

class AAPrintPicture;
class Button_XP;
class Elastic;
class IndexTab;
class Label;
class xpcheckbox;
class xpradiobutton;

// A white box that keeps what is painted on it, as the print preview is drawn once per choice.
class PreviewBox : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    const QImage& Image() const { return m_image; }
    // Paints a picture scaled into the given rectangle of the box's persistent image.
    void PaintPicture(const QImage& picture, const QRect& target);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ensureImage();
    QImage m_image;
};

// The modal settings dialog: five tabs of check boxes, option buttons, the capture folder and
// the print position with its page preview. Folder choice, format, the special-folder switch and
// a browsed folder are stored when chosen; everything else on "Save", which also closes it.
class Options : public Form {
    Q_OBJECT
public:
    explicit Options(QWidget* owner = nullptr);
    ~Options() override;

    static constexpr int kWidthTwips = 8505;
    static constexpr int kHeightTwips = 4620;
    static constexpr int kPreviewWidthTwips = 2985;
    static constexpr int kPreviewHeightTwips = 2255;

    // The nine print positions in list order.
    static const QStringList kAlignItems;

    // Records the keys the dialog stores, in order, while set (tests).
    static void setStoreLog(QStringList* log);

    Elastic* Elastic1 = nullptr;
    QWidget* Picture1 = nullptr;
    QLabel* Image1 = nullptr;
    std::array<Label*, 22> Label1{};
    std::array<Button_XP*, 2> Cmds{};
    IndexTab* IndexTab1 = nullptr;
    Elastic* Elastic2 = nullptr;
    Elastic* Elastic3 = nullptr;
    std::array<Elastic*, 2> Elastic4{};
    Elastic* Elastic5 = nullptr;

    xpcheckbox* check1 = nullptr;
    xpcheckbox* check2 = nullptr;
    xpcheckbox* check3 = nullptr;
    xpcheckbox* check4 = nullptr;
    xpcheckbox* check5 = nullptr;
    xpcheckbox* check6 = nullptr;
    xpcheckbox* check7 = nullptr;
    xpcheckbox* check8 = nullptr;
    xpcheckbox* check9 = nullptr;
    xpcheckbox* check10 = nullptr;
    xpradiobutton* Option1 = nullptr;
    xpradiobutton* Option2 = nullptr;
    xpradiobutton* option3 = nullptr;
    xpradiobutton* option4 = nullptr;
    xpradiobutton* option5 = nullptr;
    xpradiobutton* option6 = nullptr;
    Label* LblFolder = nullptr;
    Label* Label2 = nullptr;
    std::array<Label*, 4> Label4{};
    Label* Label16 = nullptr;
    QComboBox* cmbAlign = nullptr;
    PreviewBox* picPreview = nullptr;
    AAPrintPicture* AAPrintPicture1 = nullptr;
    QPushButton* Co = nullptr;

    // The text label beside each box and button, by the control it describes.
    Label* textOf(const QWidget* control) const;

    void check1_Click();
    void check6_Click();
    void cmbAlign_Click();
    void Cmds_Click(int Index);
    void Option1_Click();
    void Option2_Click();
    void option3_Click();
    void option4_Click();
    void option5_Click();
    void option6_Click();
    void IndexTab1_Switch(int LastTab, int NewTab);

protected:
    void Form_Load() override;

private:
    void buildControls();
    void connectHandlers();
    void LoadOptions();
    void DrawPreview();
    void ParkFocus();
    void chooseFormat(const QString& ext);
    void setFolderControls(bool special);

    QList<QPair<QWidget*, Label*>> m_texts;
};

} // namespace korimo
