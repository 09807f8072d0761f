#include "tessarintextdocumentbuilder_p.h"

#include "tessarin.h"
#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarindirector_p.h"
#include "tessarinevaluator.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinsection.h"
#include "tessarinimageitem.h"
#include "tessarintextitem.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPainter>
#include <QTextDocument>

TessarinTextDocumentBuilder::TessarinTextDocumentBuilder(TessarinDirector *director)
    : m_director(director)
{
}

void TessarinTextDocumentBuilder::appendItems(TessarinSection *detail)
{
    TessarinEvaluator *evaluator = m_director->evaluator();
    for (TessarinItem *item : detail->reportItems()) {
        if (item->objectType() == TessarinItem::ImageObject) {
            if (!item->printWhen().isEmpty() && !evaluator->evaluatePrintWhen(item->printWhen()))
                continue;
            if (item->isDynamic())
                evaluator->evaluateDynamicImage(item);
            m_html += QString::fromUtf8(static_cast<TessarinImageItem *>(item)->toHtml());
            continue;
        }
        if (item->objectType() != TessarinItem::TextObject)
            continue;
        auto *textItem = static_cast<TessarinTextItem *>(item);
        if (!item->printWhen().isEmpty() && !evaluator->evaluatePrintWhen(item->printWhen()))
            continue;
        if (item->sourceType() == TessarinItem::Internal) {
            // The application's own document stands for the whole item list;
            // without one there is nothing to add.
            if (QTextDocument *document = m_director->report() ? m_director->report()->document() : nullptr)
                m_html += document->toHtml();
            return;
        }
        QString text;
        evaluator->evaluateDynamicText(item, &text);
        if (text.isEmpty())
            text = textItem->htmlContent();
        if (textItem->isPlain())
            text = TessarinTextItem::convertPlainTextToHtml(text);
        m_html += text + QLatin1Char('\n');
    }
}

bool TessarinTextDocumentBuilder::run()
{
    TessarinDirector *d = m_director;
    TessarinDef *def = d->reportDef();
    TessarinOutput *out = d->output();
    const TessarinPageOption &option = def->option();

    const TessarinSection *header = def->pageHeader();
    const TessarinSection *footer = def->pageFooter();
    const double headerHeight = header && header->isShown() ? header->metricHeight() : 0;
    const double footerHeight = footer && footer->isShown() ? footer->metricHeight() : 0;
    const double bodyWidth = option.pageWidthMM() - option.leftMarginMM() - option.rightMarginMM();
    const double bodyHeight =
        option.pageHeightMM() - option.bottomMarginMM() - footerHeight - option.topMarginMM() - headerHeight;
    if (bodyHeight <= 0 || bodyWidth <= 0) {
        const TessarinSection *named = header ? header : (footer ? footer : d->currentDetail());
        d->setError(QCoreApplication::translate("TessarinDirector", "Invalid section size: %1")
                        .arg(named ? named->tagname() : QString()));
        return false;
    }

    const QList<TessarinSection *> &details = def->details();
    for (int i = 0; i < details.size() && !d->isStopped(); ++i) {
        d->m_detailIndex = i;
        TessarinSection *detail = details.at(i);
        TessarinDataSource *ds = d->currentDataSource();
        d->emitRowCount(ds);
        emit d->sectionProgress(detail->id());
        d->processEventsPoint();
        d->m_currentRow = 0;
        if (!ds) {
            appendItems(detail);
            continue;
        }
        bool row = d->navigate(ds, TessarinRelationNode::First);
        while (row && !d->isStopped()) {
            appendItems(detail);
            row = d->moveToNextRow(ds);
            if (row) {
                ++d->m_currentRow;
                d->emitRowProgress(ds);
            }
        }
    }
    if (d->isStopped())
        return false;

    const TessarinScale &scale = out->scale();
    QTextDocument document;
    if (QPaintDevice *device = out->device())
        document.documentLayout()->setPaintDevice(device);
    document.setHtml(m_html);
    const QSizeF body(scale.mmToRealPixel(bodyWidth), scale.mmToRealPixel(bodyHeight));
    document.setPageSize(body);
    const int pages = document.pageCount();
    d->m_pageCount = pages;

    const QPointF bodyTopLeft = scale.mmToPoint(QPointF(option.leftMarginMM(), option.topMarginMM() + headerHeight));
    for (int page = 0; page < pages && !d->isStopped(); ++page) {
        d->beginPage();
        QPainter *painter = out->painter();
        if (!d->isPageSkipped() && painter && painter->isActive()) {
            painter->save();
            painter->translate(bodyTopLeft.x(), bodyTopLeft.y() - page * body.height());
            document.drawContents(painter, QRectF(QPointF(0, page * body.height()), body));
            painter->restore();
            out->setFlagPrintStarted(true);
        }
        d->endPage();
    }
    return !d->hasError();
}
