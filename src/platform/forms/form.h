#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

class QEventLoop;

namespace korimo {

// The life cycle the windows were designed with: Load, Show (modal or modeless, with an owner),
// Unload through Form_QueryUnload / Form_Unload, and a registry of the loaded forms.
class Form : public QWidget {
    Q_OBJECT
public:
    // Unload reasons handed to Form_QueryUnload.
    enum UnloadReason { FormControlMenu = 0, FormCode = 1 };

    explicit Form(const QString& name, QWidget* owner = nullptr);
    ~Form() override;

    QString Name() const { return m_name; }
    bool IsLoaded() const { return m_loaded; }

    // Runs Form_Load once; a loaded form stays loaded until Unload.
    void Load();
    // Asks Form_QueryUnload and Form_Unload; returns false when either cancelled.
    bool Unload(int mode = FormCode);
    // Modal shows block until the form is hidden or unloaded. An owner keeps the form above it.
    void Show(int modal = 0, QWidget* owner = nullptr);
    // Shows the form modeless, above its owner, leaving the activation where it is.
    void showWithoutActivating();
    void Hide();
    void Refresh();
    bool IsModalRunning() const { return m_modalLoop != nullptr; }

    // Windows designed to open centred on their owner (on the screen when they have none).
    void setCentreOnOwner(bool on) { m_centreOnOwner = on; }

    // A small tool window's frame: a title with a close box alone (no minimise or maximise
    // button) around a client area of that fixed size. `extra` adds hints such as staying on top.
    void setFixedToolFrame(QSize clientSize, Qt::WindowFlags extra = {});

    // When set (the default), an unloaded form deletes itself once control is back in the main
    // loop, with no handler waiting on a nested one.
    void setDeleteOnUnload(bool on) { m_deleteOnUnload = on; }

    // Every form loaded now, oldest first.
    static QList<Form*> Forms();
    // The loaded form of that name, or of that class; nullptr when none is loaded.
    static Form* Loaded(const QString& name);
    template <class T> static T* Loaded() {
        for (Form* f : Forms())
            if (auto* t = qobject_cast<T*>(f))
                return t;
        return nullptr;
    }

    // Moves the window with the mouse as if its caption were grabbed, until the pressed button
    // (1 left, 2 right, 4 middle) is released. The window system moves it where it can;
    // otherwise the form follows the pointer itself.
    // `at` is where the button went down, in the coordinates of the control `grip` pressed.
    void beginWindowDrag(int button, const QWidget* grip, QPointF at);

signals:
    void unloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode) {
        (void)Cancel;
        (void)UnloadMode;
    }
    virtual void Form_Unload(int& Cancel) { (void)Cancel; }
    virtual void Form_Activate() {}
    virtual void Form_Resize() {}

    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void endModal();
    void endManualDrag();
    // An owner set by Show keeps the form above it on the desktop too.
    void claimOwner();
    // Asks for the activation a shown form takes, and tells the desktop once it is on screen.
    void activateWhenOnScreen();
    // Moves the form's frame inside the free area of its screen where it lies partly outside.
    void keepOnScreen();
    // Asks the window system for the frame the form was designed with, before it is shown.
    void prepareFrame();
    void deleteWhenIdle();

    QString m_name;
    bool m_loaded = false;
    bool m_unloading = false;
    bool m_deleteOnUnload = true;
    bool m_centreOnOwner = false;
    // Centred on its owner, it is kept on the screen once its frame is known.
    bool m_keepOnScreen = false;
    bool m_toolFrame = false;
    QEventLoop* m_modalLoop = nullptr;
    bool m_manualDrag = false;
    Qt::MouseButton m_dragButton = Qt::LeftButton;
    bool m_awaitingScreen = false;
    bool m_onScreen = false;
    QPoint m_dragOffset;
};

} // namespace korimo
