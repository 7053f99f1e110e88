#include "app/videolist.h"

#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/pictures.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "play/playcontrol.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

namespace korimo {

void ListBox::setHorizontalExtent(int pixels) {
    m_extent = std::max(0, pixels);
    updateGeometries();
}

void ListBox::updateGeometries() {
    QListWidget::updateGeometries();
    if (m_extent > 0)
        horizontalScrollBar()->setRange(0, std::max(0, m_extent - viewport()->width()));
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0)
        emit chosenByKey();
}

void ListBox::focusInEvent(QFocusEvent* event) {
    const bool noneChosen = currentRow() < 0;
    QListWidget::focusInEvent(event);
    // The view marks the first name on focus; nothing is chosen yet, so the first arrow key
    // must choose the first name, not move on to the second.
    if (noneChosen && currentRow() >= 0 && selectedItems().isEmpty())
        setCurrentRow(-1);
}

void CLBHScroll::Init(ListBox* list) {
    m_list = list;
    m_list->clear();
    m_widest = 0;
}

void CLBHScroll::AddItem(const QString& text) {
    m_list->addItem(text);
    const QWidget* parent = m_list->parentWidget() ? m_list->parentWidget() : m_list;
    const long w = std::lround(static_cast<double>(parent->fontMetrics().horizontalAdvance(text)) *
                               kTwipsPerPixel);
    if (w > m_widest) {
        m_widest = w;
        const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_list->setHorizontalExtent(
            static_cast<int>(std::lround(static_cast<double>(w) / kTwipsPerPixel + scrollBar + 2)));
    }
    m_list->scrollToBottom();
}

VideoList::VideoList(QWidget* owner) : Form(QStringLiteral("VideoList"), owner) {
    setWindowTitle(QStringLiteral("Click on name to load video"));
    setCentreOnOwner(true);
    setFixedToolFrame(QSize(twipsToPixels(3000), twipsToPixels(4050)));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, oleToQColor(0x00776B62));
    setPalette(pal);
    m_picture = programPicture(QStringLiteral("videolist.gif"));

    VidList = new ListBox(this);
    VidList->setGeometry(twipsRect(120, 120, 2775, 3780));
    VidList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    VidList->setStyleSheet(QStringLiteral("QListWidget { color: white; background: black; }"));
    connect(VidList, &QListWidget::itemClicked, this, &VideoList::VidList_Click);
    // A name chosen from the keyboard loads as a click on it does.
    connect(VidList, &ListBox::chosenByKey, this, &VideoList::VidList_Click);
}

void VideoList::paintEvent(QPaintEvent*) {
    // The picture sits at the top left at its own size, over the background colour.
    QPainter(this).drawImage(0, 0, m_picture);
}

void VideoList::Form_Load() {
    FillList();
}

void VideoList::FillList() {
    skipOnError([this] {
        m_scroll.Init(VidList);
        VidList->clear();
    });
    for (int i = 1; i <= VidBAS::g_PlaylistCount; ++i)
        skipOnError([this, i] { m_scroll.AddItem(VidBAS::g_Playlist.at(i)); });
    DoEvents();
}

void VideoList::VidList_Click() {
    Main* main = mainForm();
    if (!main)
        return;
    const QListWidgetItem* item = VidList->currentItem();
    const QString text = item ? item->text() : QString();
    try {
        main->MMPlay->Stop();
        main->MMPlay->setSizeMode(2);
        // The file replaces any stream still downloading, so "Cancel URL" would only drop it.
        main->Cmds[7]->setEnabled(false);
        main->lbldl->hide();
        main->MMPlay->setSource(text);
        main->trkPosition->setMax(main->MMPlay->TrackLength());
        VidBAS::g_CurrentFile = text;
        for (int i : {4, 5, 9})
            main->Cmds[i]->setEnabled(true);
        main->Cmd2[4]->setEnabled(!VidBAS::g_NoCap);
        main->Cmd2[5]->setEnabled(VidBAS::g_NoCap);
    } catch (...) {
        ShowMessage(main, QStringLiteral("Error"), listVideoErrorMessage(currentErrorText()));
        main->Cmds[4]->setEnabled(false);
        main->Cmds[5]->setEnabled(false);
        main->Cmd2[4]->setEnabled(false);
        main->Cmds[9]->setEnabled(false);
    }
}

} // namespace korimo
