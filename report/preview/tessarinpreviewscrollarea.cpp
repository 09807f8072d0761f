#include "tessarinpreviewscrollarea_p.h"

#include "tessarinpreviewpagecontainer.h"
#include "tessarinpreviewwindow.h"

#include <QKeyEvent>
#include <QScrollBar>

TessarinPreviewScrollArea::TessarinPreviewScrollArea(TessarinPreviewWindow *window)
    : QScrollArea(window)
    , m_window(window)
{
    setBackgroundRole(QPalette::NoRole);
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setFocusPolicy(Qt::StrongFocus);
}

void TessarinPreviewScrollArea::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = verticalScrollBar();
    const bool paged = m_window->showType() != TessarinPreviewPageContainer::Continuous;
    switch (event->key()) {
    case Qt::Key_PageDown:
        if (paged && bar->value() >= bar->maximum()) {
            m_window->nextPage(TessarinPreviewWindow::PageTop);
            event->accept();
            return;
        }
        break;
    case Qt::Key_PageUp:
        if (paged && bar->value() <= bar->minimum()) {
            m_window->prevPage(TessarinPreviewWindow::PageBottom);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Home:
        bar->setValue(bar->minimum());
        event->accept();
        return;
    case Qt::Key_End:
        bar->setValue(bar->maximum());
        event->accept();
        return;
    default:
        break;
    }
    QScrollArea::keyPressEvent(event);
}
