#include "tessarinpreviewoutput.h"

#include <QBuffer>
#include <QPicture>

TessarinPreviewOutput::TessarinPreviewOutput(QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(PreviewOutput);
}

TessarinPreviewOutput::~TessarinPreviewOutput()
{
    deletePainter();
    delete m_picture;
}

QByteArray TessarinPreviewOutput::page(int index) const
{
    return m_pages.value(index);
}

QSizeF TessarinPreviewOutput::pageSizeMM(int page) const
{
    return m_pageSizes.value(page - 1, QSizeF());
}

void TessarinPreviewOutput::deletePages()
{
    if (m_picture) {
        endPainterKeepState();
        delete m_picture;
        m_picture = nullptr;
    }
    m_pages.clear();
    m_pageSizes.clear();
    m_reportStartPages.clear();
    m_lastReportNum = 0;
}

bool TessarinPreviewOutput::setup()
{
    if (isJobStart()) {
        finishPage();
        deletePages();
        clearError();
    }
    return true;
}

void TessarinPreviewOutput::cleanup()
{
}

void TessarinPreviewOutput::begin()
{
    finishPage();
    // Every report of a batch starts on a page of its own; so does the first
    // report even when nobody numbered it.
    if (reportNum() > m_lastReportNum || m_reportStartPages.isEmpty()) {
        m_reportStartPages.append(m_pages.size() + 1);
        m_lastReportNum = qMax(m_lastReportNum, reportNum());
    }
    if (!m_pages.isEmpty())
        markPageOpenedByBegin();
    startPage(false);
}

void TessarinPreviewOutput::newPage()
{
    if (absorbNewPage())
        return;
    endPainterKeepState();
    finishPage();
    startPage(true);
}

void TessarinPreviewOutput::end()
{
    endPainterKeepState();
    finishPage();
}

QPaintDevice *TessarinPreviewOutput::device() const
{
    return m_picture;
}

void TessarinPreviewOutput::startPage(bool carryState)
{
    m_picture = new QPicture;
    m_pages.append(QByteArray());
    m_pageSizes.append(devicePageSizeMM());
    // The engine stops after pageRangeTo(); a preview shows the whole report.
    if (m_pages.size() >= pageRangeTo())
        setPageTo(m_pages.size() + 1);
    beginPainterOn(m_picture, QPainter::Antialiasing | QPainter::SmoothPixmapTransform
                       | QPainter::TextAntialiasing,
                   carryState);
}

void TessarinPreviewOutput::finishPage()
{
    if (!m_picture)
        return;
    if (painter() && painter()->isActive())
        endPainterKeepState();
    Q_ASSERT(!m_pages.isEmpty());
    QBuffer buffer(&m_pages.last());
    buffer.open(QIODevice::WriteOnly);
    m_picture->save(&buffer);
    delete m_picture;
    m_picture = nullptr;
}
