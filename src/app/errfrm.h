#pragma once

#include "forms/form.h"

#include <QString>

class QLabel;

namespace korimo {

class Elastic;
class xpcheckbox;

// The one modal message window: a title, a message, the "x" that closes it and, for player
// errors only, the box that turns further player-error messages off for the rest of the run.
class ErrFrm : public Form {
    Q_OBJECT
public:
    explicit ErrFrm(QWidget* owner = nullptr);

    Elastic* Elastic1 = nullptr;
    QLabel* ErrTitle = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LblEnd = nullptr;
    QLabel* Image1 = nullptr;
    xpcheckbox* check1 = nullptr;
    QLabel* Label2 = nullptr;

    void LblEnd_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetDontShowOption();
    void LblEnd_MouseMove();
    void Elastic1_MouseMove(int Button, int Shift, float X, float Y);
};

// Shows a message in the message window, modally over owner, and returns when the user has
// closed it. A message that arrives while the window is open is shown after it instead, and
// this call returns at once. A player error offers the box that turns player errors off.
void ShowMessage(QWidget* owner, const QString& title, const QString& message,
                 bool playerError = false);

// The messages whose wording depends on the error that stopped the operation.
QString openVideoErrorMessage(const QString& desc);
QString listVideoErrorMessage(const QString& desc);
QString playErrorMessage(const QString& errorText);

} // namespace korimo
