#pragma once

#include "forms/form.h"

class QLineEdit;

namespace korimo {

class Button_XP;
class Elastic;
class Label;

// The small modal dialog in which the user types the internet address of a video.
class URLFrm : public Form {
    Q_OBJECT
public:
    explicit URLFrm(QWidget* owner = nullptr);

    Elastic* Elastic1 = nullptr;
    Label* Label1 = nullptr;
    QLineEdit* edtURL = nullptr;
    Button_XP* Cmdok = nullptr;

    void edtURL_Change();
    void Cmdok_Click();

protected:
    void Form_Load() override;
};

} // namespace korimo
