#include "tessarintextitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinhttpclient.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarintextflow_p.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextStream>

namespace {

// Characters from which a block keeps its shaped glyphs (see setHtml).
constexpr int LongBlockLength = 2000;

const bool textRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("text"), [](TessarinDef *def) -> TessarinItem * { return new TessarinTextItem(def); });


} // namespace

TessarinTextItem::TessarinTextItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinTextData, reportDef, parent)
    , m_flow(new TessarinTextFlow)
{
    Q_UNUSED(textRegistered)
}

TessarinTextItem::~TessarinTextItem()
{
    delete m_flow;
}

int TessarinTextItem::startBlock() const
{
    return m_flow->startBlock();
}

int TessarinTextItem::startLine() const
{
    return m_flow->startLine();
}

int TessarinTextItem::lastBlock() const
{
    return m_flow->lastBlock();
}

int TessarinTextItem::lastLine() const
{
    return m_flow->lastLine();
}

void TessarinTextItem::resetBreak()
{
    m_flow->reset();
}

TessarinTextItem::BreakResult TessarinTextItem::breakResult() const
{
    return BreakResult(m_flow->outcome());
}

QString TessarinTextItem::convertPlainTextToHtml(const QString &text)
{
    QString html = text;
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QLatin1String("<p>") + html + QLatin1String("</p>");
}

void TessarinTextItem::setHtml(const QString &source)
{
    TessarinTextData *t = textData();
    if (!t->templateMode)
        t->htmlContent = source;
    // A static text is handed in again for every record; loading the same
    // source with the same style would only lay the document out again.
    const LoadedStyle style{t->useFont, t->plain, t->font, t->foreColor};
    if (m_loaded && source == m_loadedSource && style == m_loadedStyle
        && t->document->revision() == m_loadedRevision) {
        m_flow->reset();
        d->adjusted = false;
        return;
    }
    m_loaded = true;
    m_loadedSource = source;
    m_loadedStyle = style;
    if (t->useFont) {
        t->document->setDefaultFont(t->font);
        t->document->setDefaultStyleSheet(
            QStringLiteral("body, a, p { color: %1; }").arg(t->foreColor.name()));
    }
    t->document->clear();
    t->document->setHtml(t->plain ? convertPlainTextToHtml(source) : source);
    m_loadedRevision = t->document->revision();
    // Qt drops the shaped glyphs of a block after laying it out and shapes
    // the whole block again whenever a part of it is drawn. For a long block
    // (plain text is one paragraph) printed in parts that would repeat on
    // every page, so such blocks keep their glyphs.
    for (QTextBlock block = t->document->begin(); block.isValid(); block = block.next()) {
        if (block.length() > LongBlockLength)
            block.layout()->setCacheEnabled(true);
    }
    // New content: a split of the old one means nothing any more.
    m_flow->reset();
    d->adjusted = false;
}

void TessarinTextItem::setHtmlContent(const QString &source)
{
    textData()->htmlContent = source;
    setHtml(source);
}

QString TessarinTextItem::htmlContent() const
{
    return d->templateMode ? value().toString() : textData()->htmlContent;
}

QString TessarinTextItem::toHtml() const
{
    return document() ? document()->toHtml() : QString();
}

void TessarinTextItem::loadFile()
{
    QFile file(d->text);
    if (!file.exists()) {
        qWarning("TextItem: File not found: %s", d->text.toLocal8Bit().constData());
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream stream(&file);
    setHtmlContent(stream.readAll());
}

void TessarinTextItem::loadUrl()
{
    TessarinHttpClient client;
    client.waitForDownloadContent(d->text);
    // A failed download leaves an empty content, which empties the item.
    setHtmlContent(QString::fromUtf8(client.content()));
}

bool TessarinTextItem::read(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinTextData *t = textData();
    reader->readFont(t->font);
    if (reader->isAttrib(QStringLiteral("useFont")))
        t->useFont = reader->attribToBool(QStringLiteral("useFont"));
    reader->readColor(QStringLiteral("forecolor"), t->foreColor);
    t->sizeFix = reader->attribToBool(QStringLiteral("sizeFix"));
    t->defPosAndSize = reader->attribToBool(QStringLiteral("defPosAndSize"));
    t->plain = reader->attribToBool(QStringLiteral("plain"));
    t->markdown = reader->attribToBool(QStringLiteral("markdown"));

    switch (sourceType()) {
    case Static:
    case Template:
        setHtmlContent(reader->elementText());
        break;
    case DataSource:
    case FileFromDataSource:
    case Parameter:
    case UrlFromDataSource:
        d->text = reader->elementText();
        break;
    case File:
        d->text = reader->elementText();
        loadFile();
        break;
    case Url:
        d->text = reader->elementText();
        loadUrl();
        break;
    default:
        // No content of its own; the reader skips the element.
        break;
    }
    return true;
}

bool TessarinTextItem::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    const TessarinTextData *t = textData();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(writer);
    if (t->useFont)
        writer->writeFont(t->font);
    xml.writeAttribute(QStringLiteral("useFont"), t->useFont ? QStringLiteral("true") : QStringLiteral("false"));
    if (t->useFont)
        xml.writeAttribute(QStringLiteral("forecolor"), t->foreColor.name());
    const auto writeFlag = [&xml](const char *name, bool on) {
        if (on)
            xml.writeAttribute(QLatin1String(name), QStringLiteral("true"));
    };
    writeFlag("sizeFix", t->sizeFix);
    writeFlag("defPosAndSize", t->defPosAndSize);
    writeFlag("plain", t->plain);
    writeFlag("markdown", t->markdown);

    switch (sourceType()) {
    case Static:
    case Template:
        xml.writeCharacters(t->htmlContent);
        break;
    case DataSource:
    case FileFromDataSource:
    case Parameter:
    case UrlFromDataSource:
    case File:
    case Url:
        xml.writeCharacters(d->text);
        break;
    default:
        break;
    }
    xml.writeEndElement();
    return true;
}

void TessarinTextItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    if (evaluator) {
        if (output && output->generatingMode() == TessarinOutput::SectionsMode) {
            QString result;
            evaluator->evaluateDynamicText(this, &result);
            if (!result.isEmpty())
                setValue(result);
        } else {
            evaluator->evaluateDynamicText(this, nullptr);
        }
    }
    // Each record is measured anew (the layout itself is redone only when
    // the content, the width or the device changed).
    d->adjusted = false;
    TessarinItem::updateValue(output, evaluator);
}

QString TessarinTextItem::dynamicSourceText() const
{
    return textData()->htmlContent;
}

void TessarinTextItem::applyDynamicText(const QString &text)
{
    setHtml(text);
}

bool TessarinTextItem::isEmpty()
{
    if (!d->templateMode)
        return textData()->htmlContent.isEmpty();
    return document()->isEmpty() && value().isNull();
}

bool TessarinTextItem::isBroken() const
{
    return m_flow->isBroken();
}

void TessarinTextItem::adjustSize(TessarinOutput *output)
{
    if (d->adjusted)
        return;
    TessarinTextData *t = textData();
    QTextDocument *doc = t->document;
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    QPaintDevice *device = output ? output->device() : nullptr;
    if (device && layout->paintDevice() != device) {
        layout->setPaintDevice(device);
        // The layout does not notice a new device by itself.
        doc->markContentsDirty(0, doc->characterCount());
    }

    const TessarinScale scale = output ? output->scale() : TessarinScale();
    QSizeF size = scale.mmToSize(d->metricSize);
    if (d->pinToRight) {
        const TessarinPageOption &o = d->reportDef ? d->reportDef->option()
                                                   : (output ? output->option() : TessarinPageOption());
        size.setWidth(scale.mmToRealPixel(o.pageWidthMM() - o.rightMarginMM() - o.leftMarginMM()
                                          - d->metricPos.x()));
    }
    // Setting a size lays the whole document out again, even an equal one.
    if (t->sizeFix) {
        if (doc->pageSize() != size)
            doc->setPageSize(size);
    } else if (doc->textWidth() != size.width() || doc->pageSize().height() >= 0) {
        doc->setTextWidth(size.width());
    }
    const QSizeF measured = scale.sizeToMM(doc->size());
    d->realMetricSize = QSizeF(measured.width(), measured.height() + 0.7);
    // The counting pass measures on the null output; the real output must
    // still measure with its own device.
    d->adjusted = !(output && output->outputType() == TessarinOutput::NullOutput);
}

void TessarinTextItem::adjustSize()
{
    QTextDocument *doc = document();
    doc->adjustSize();
    resize(doc->size());
}

double TessarinTextItem::breakTo(double heightMM, TessarinOutput *output)
{
    return breakTo(heightMM, output, m_flow->hasPrintedPart());
}

double TessarinTextItem::breakTo(double heightMM, TessarinOutput *output, bool freshPage)
{
    if (heightMM >= 0 && !d->adjusted)
        adjustSize(output);
    const TessarinScale scale = output ? output->scale() : TessarinScale();
    return m_flow->breakTo(document(), heightMM, scale, freshPage);
}

QColor TessarinTextItem::paintTextColor() const
{
    return textData()->useFont ? textData()->foreColor : QColor(Qt::black);
}

void TessarinTextItem::partialPaint(TessarinOutput *output, QPointF &position, bool measureOnly)
{
    QPainter *painter = output ? output->painter() : nullptr;
    const QRectF part = m_flow->paintPart(document(), painter, position, paintTextColor(), measureOnly);
    if (part.isNull())
        return;
    position.ry() += part.height();
    if (!m_flow->isBroken())
        position.ry() += TessarinTextFlow::layoutMargin(document());
    d->boundingRectOfLastPart = part;
}

void TessarinTextItem::adjustFont(TessarinOutput *)
{
}

void TessarinTextItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QRectF rect = itemRect(output, origin);
    QPainter *painter = output->painter();
    if (painter && drawsOn(output)) {
        adjustFont(output);
        const TessarinTextData *t = textData();
        if (t->useFont) {
            painter->setPen(t->foreColor);
            painter->setFont(t->font);
        }
        if (isBroken()) {
            QPointF position = rect.topLeft();
            partialPaint(output, position, false);
        } else {
            TessarinTextFlow::drawRegion(document(), painter, rect.topLeft(),
                                         QRectF(QPointF(0, 0), rect.size()), paintTextColor());
        }
    }
    output->renderItem(this, rect);
}

void TessarinTextItem::dummyPaint(TessarinOutput *output, const QPointF &origin)
{
    if (!isBroken())
        return;
    const TessarinScale scale = output ? output->scale() : TessarinScale();
    QPointF position = scale.mmToPoint(d->metricPos + origin);
    partialPaint(output, position, true);
}

void TessarinTextItem::setDefaultForEditor()
{
    resize(QSizeF(120, 19));
}

void TessarinTextItem::resize(const QSizeF &size)
{
    QTextDocument *doc = document();
    doc->setTextWidth(size.width());
    if (textData()->sizeFix)
        doc->setPageSize(size);
    TessarinItem::resize(size);
}

QList<TessarinItem::SourceType> TessarinTextItem::availableSourceTypes() const
{
    return {Static, DataSource, Parameter, File, FileFromDataSource, Url};
}

QString TessarinTextItem::placeholderText() const
{
    switch (sourceType()) {
    case Static:
    case Template:
        return QObject::tr("Html text");
    case DataSource:
        return QObject::tr("Text data column (%1)").arg(d->text);
    case File:
        return QObject::tr("File (%1)").arg(d->text);
    case FileFromDataSource:
        return QObject::tr("File name column (%1)").arg(d->text);
    case Parameter:
        return QObject::tr("Parameter (%1)").arg(d->text);
    case Url:
        return QObject::tr("URL (%1)").arg(d->text);
    case UrlFromDataSource:
        return QObject::tr("URL column (%1)").arg(d->text);
    case Internal:
        return QObject::tr("Custom QTextDocument from report->document()");
    default:
        return QString();
    }
}

void TessarinTextItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF box(QPointF(0, 0), d->currentSize);
    painter->save();
    painter->setClipRect(box);
    QTextDocument *doc = document();
    if (doc->isEmpty()) {
        painter->setPen(Qt::gray);
        painter->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, placeholderText());
    } else {
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, paintTextColor());
        context.clip = box;
        doc->documentLayout()->draw(painter, context);
    }
    painter->restore();
    painter->save();
    painter->setPen(QPen(Qt::lightGray, 0, Qt::DotLine));
    painter->drawRect(box);
    painter->restore();
    paintSelection(painter);
}
