#pragma once

#include "forms/form.h"

#include <QImage>
#include <QListWidget>

namespace korimo {

// A list box whose horizontal scroll range is set by its owner, wide enough for the widest
// entry measured so far.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    int HorizontalExtent() const { return m_extent; }
    void setHorizontalExtent(int pixels);

signals:
    // The user moved to another entry with the keyboard (arrows, page keys, typing a name).
    void chosenByKey();

protected:
    void updateGeometries() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int m_extent = 0;
};

// Keeps a list box's horizontal extent at its widest entry and its last entry in view.
class CLBHScroll {
public:
    void Init(ListBox* list);
    void AddItem(const QString& text);
    int widest() const { return m_widest; }

private:
    ListBox* m_list = nullptr;
    long m_widest = 0; // twips
};

// The modeless list of the videos accepted by the last open; a click plays one.
class VideoList : public Form {
    Q_OBJECT
public:
    explicit VideoList(QWidget* owner = nullptr);

    ListBox* VidList = nullptr;

    void VidList_Click();

protected:
    void Form_Load() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FillList();
    CLBHScroll m_scroll;
    QImage m_picture;
};

} // namespace korimo
