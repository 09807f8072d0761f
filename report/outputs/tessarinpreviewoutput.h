#ifndef TESSARINPREVIEWOUTPUT_H
#define TESSARINPREVIEWOUTPUT_H

#include "tessarinoutput.h"

#include <QByteArray>
#include <QList>
#include <QSizeF>

class QPicture;

// Keeps a report in memory for the preview window: every page as a
// serialised QPicture (load it with QPicture::setData or QPicture::load),
// with its size in millimetres, and the first page of every report of a
// batch. The preview shows every page: the page range's upper bound is
// raised whenever the pages reach it.
class TESSARIN2_EXPORT TessarinPreviewOutput : public TessarinOutput
{
    Q_OBJECT
public:
    explicit TessarinPreviewOutput(QObject *parent = nullptr);
    ~TessarinPreviewOutput() override;

    const QList<QByteArray> &pages() const { return m_pages; }
    int pageCount() const { return m_pages.size(); }
    // Page at a 0-based index; empty outside the list.
    QByteArray page(int index) const;
    // Size of page n (1-based) in millimetres; invalid outside the list.
    QSizeF pageSizeMM(int page) const;
    // 1-based number of the first page of each report, in order.
    QList<int> startPagesOfReports() const { return m_reportStartPages; }
    void deletePages();

public Q_SLOTS:
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    QPaintDevice *device() const override;

private:
    void startPage(bool carryState);
    void finishPage();

    QList<QByteArray> m_pages;
    QList<QSizeF> m_pageSizes;
    QList<int> m_reportStartPages;
    QPicture *m_picture = nullptr;
    int m_lastReportNum = 0;
};

#endif // TESSARINPREVIEWOUTPUT_H
