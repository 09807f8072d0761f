#include "tessarinpreviewpagecontainer.h"

#include "tessarinpreviewoutput.h"
#include "tessarinpreviewpage.h"

TessarinPreviewPageContainer::TessarinPreviewPageContainer(QWidget *parent)
    : QWidget(parent)
{
    relayout();
}

TessarinPreviewPageContainer::~TessarinPreviewPageContainer() = default;

void TessarinPreviewPageContainer::setOutput(TessarinPreviewOutput *output)
{
    m_output = output;
    m_loadedPage = 1;
    rebuildWidgets();
}

TessarinPreviewOutput *TessarinPreviewPageContainer::output() const
{
    return m_output.data();
}

int TessarinPreviewPageContainer::pageCount() const
{
    return m_output ? m_output->pageCount() : 0;
}

void TessarinPreviewPageContainer::setShowType(ShowType type)
{
    if (type == m_showType)
        return;
    m_showType = type;
    rebuildWidgets();
}

void TessarinPreviewPageContainer::setScaleFactor(double factor)
{
    m_scaleFactor = factor;
    for (TessarinPreviewPage *page : qAsConst(m_pages))
        page->setScaleRate(factor);
    relayout();
}

void TessarinPreviewPageContainer::rebuildWidgets()
{
    qDeleteAll(m_pages);
    m_pages.clear();
    const int count = pageCount();
    int wanted = count;
    if (m_showType == OnePage)
        wanted = qMin(1, count);
    else if (m_showType == TwoPages)
        wanted = qMin(2, count);
    for (int i = 0; i < wanted; ++i) {
        auto *page = new TessarinPreviewPage(this);
        page->setScaleRate(m_scaleFactor);
        m_pages.append(page);
    }
    if (m_showType == Continuous) {
        for (int i = 0; i < m_pages.size(); ++i)
            fillWidget(m_pages.at(i), i + 1);
        relayout();
    } else {
        loadPage(qBound(1, m_loadedPage, qMax(1, count)));
    }
}

void TessarinPreviewPageContainer::fillWidget(TessarinPreviewPage *widget, int page)
{
    if (m_output && page >= 1 && page <= m_output->pageCount())
        widget->setContent(m_output->page(page - 1), m_output->pageSizeMM(page));
    else
        widget->clear();
}

void TessarinPreviewPageContainer::loadPage(int page)
{
    m_loadedPage = page;
    if (m_showType != Continuous) {
        for (int i = 0; i < m_pages.size(); ++i)
            fillWidget(m_pages.at(i), page + i);
    }
    relayout();
}

TessarinPreviewPage *TessarinPreviewPageContainer::widgetOfPage(int page) const
{
    const int index = m_showType == Continuous ? page - 1 : page - m_loadedPage;
    TessarinPreviewPage *widget = m_pages.value(index);
    return widget && widget->hasContent() ? widget : nullptr;
}

void TessarinPreviewPageContainer::relayout()
{
    int x = MarginLeft;
    int y = MarginTop;
    int width = 0;
    int height = 0;
    bool first = true;
    for (TessarinPreviewPage *page : qAsConst(m_pages)) {
        if (!page->hasContent())
            continue;
        if (!first) {
            if (m_showType == Continuous)
                y += Spacing;
            else
                x += Spacing;
        }
        first = false;
        page->move(x, y);
        if (m_showType == Continuous) {
            y += page->height();
            width = qMax(width, page->width());
            height = y - MarginTop;
        } else {
            x += page->width();
            width = x - MarginLeft;
            height = qMax(height, page->height());
        }
    }
    setFixedSize(MarginLeft + width + MarginRight, MarginTop + height + MarginBottom);
}
