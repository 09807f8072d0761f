#include "tessarinbarcodeitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryFile>
#include <QVector>
#include <QXmlStreamReader>

namespace {

const bool barcodeRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("barcode"), [](TessarinDef *def) -> TessarinItem * { return new TessarinBarcodeItem(def); });

QString tr(const char *text)
{
    return QCoreApplication::translate("TessarinBarcodeItem", text);
}


// How long a killed generator is given to go away.
constexpr int KillWait = 5000;

struct Symbology {
    int type;
    const char *name;
};

const Symbology symbologies[] = {
    {1, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 11")},
    {2, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Standard Code 2 of 5")},
    {3, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Interleaved 2 of 5")},
    {4, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 2 of 5 IATA")},
    {6, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 2 of 5 Data Logic")},
    {7, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 2 of 5 Industrial")},
    {8, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 3 of 9 (Code 39)")},
    {9, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Extended Code 3 of 9 (Code 39+)")},
    {13, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "EAN")},
    {16, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1-128 (UCC.EAN-128)")},
    {18, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Codabar")},
    {20, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 128 (Auto Subset)")},
    {21, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Deutshe Post Leitcode")},
    {22, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Deutshe Post Identcode")},
    {23, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 16K")},
    {24, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 49")},
    {25, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 93")},
    {28, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Flattermarken")},
    {29, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar-14")},
    {30, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar Limited")},
    {31, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar Extended")},
    {32, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Telepen Alpha")},
    {34, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "UPC A")},
    {37, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "UPC E")},
    {40, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "PostNet")},
    {47, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "MSI Plessey")},
    {49, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "FIM")},
    {50, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "LOGMARS")},
    {51, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Pharmacode One-Track")},
    {52, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "PZN")},
    {53, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Pharmacode Two-Track")},
    {55, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "PDF417")},
    {56, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "PDF417 Truncated")},
    {57, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Maxicode")},
    {58, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "QR Code")},
    {60, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 128 (Subset B)")},
    {63, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Australia Post Standard Customer")},
    {66, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Australia Post Reply Paid")},
    {67, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Australia Post Routing")},
    {68, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Australia Post Redirection")},
    {69, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "ISBN (EAN-13 + verification stage)")},
    {70, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Royal Mail 4 State (RM4SCC)")},
    {71, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Data Matrix")},
    {72, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "EAN-14")},
    {74, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Codablock-F")},
    {75, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "NVE-18")},
    {76, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Japanese Postal Code")},
    {77, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Korea Post")},
    {79, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar-14 Stacked")},
    {80, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar-14 Stacked Omnidirectional")},
    {81, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "GS1 DataBar Expanded Stacked")},
    {82, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "PLANET")},
    {84, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "MicroPDF417")},
    {85, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "USPS OneCode")},
    {86, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Plessey Code")},
    {87, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Telepen Numeric")},
    {89, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "ITF-14")},
    {90, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Dutch Post KIX Code")},
    {92, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Aztec Code")},
    {93, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "DAFT Code")},
    {97, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Micro QR Code")},
    {98, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC Code 128")},
    {99, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC Code 39")},
    {102, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC Data Matrix")},
    {104, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC QR Code")},
    {106, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC PDF417")},
    {108, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC MicroPDF417")},
    {110, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC Codablock-F")},
    {112, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "HIBC Aztec Code")},
    {128, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Aztec Runes")},
    {129, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code 32")},
    {130, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + EAN linear")},
    {131, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1-128 linear")},
    {132, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar-14 linear")},
    {133, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar Limited")},
    {134, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar Extended")},
    {135, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + UPC A linear")},
    {136, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + UPC E linear")},
    {137, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar-14 Stacked")},
    {138, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar-14 Stacked Omn.")},
    {139, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Composite Symbol + GS1 DataBar Expanded Stacked")},
    {140, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Channel Code")},
    {141, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Code One")},
    {142, QT_TRANSLATE_NOOP("TessarinBarcodeItem", "Grid Matrix")},
};

// The six hexadecimal digits the generator takes for a colour.
QString colorArgument(const QColor &color)
{
    return color.name().right(6);
}

// A colour from an SVG "fill"; "none" and unparsable values give an
// invalid colour, which draws nothing.
QColor fillColor(const QXmlStreamAttributes &attributes, const QColor &inherited)
{
    if (!attributes.hasAttribute(QLatin1String("fill")))
        return inherited;
    return QColor(attributes.value(QLatin1String("fill")).toString());
}

double attributeReal(const QXmlStreamAttributes &attributes, const char *name)
{
    return attributes.value(QLatin1String(name)).toDouble();
}

} // namespace

TessarinBarcodeItem::TessarinBarcodeItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinBarcodeData, reportDef, parent)
{
    Q_UNUSED(barcodeRegistered)
}

TessarinBarcodeItem::~TessarinBarcodeItem() = default;

QString TessarinBarcodeItem::barcodeName(int type)
{
    for (const Symbology &s : symbologies) {
        if (s.type == type)
            return tr(s.name);
    }
    return QString();
}

QString TessarinBarcodeItem::zintProgram() const
{
    const QString path = d->reportDef ? d->reportDef->zintPath() : QString();
    return path.isEmpty() ? QStringLiteral("zint") : path + QStringLiteral("/zint");
}

QStringList TessarinBarcodeItem::zintArguments(const QString &inputFile) const
{
    const TessarinBarcodeData *b = barcodeData();
    QStringList args;
    args << QStringLiteral("--barcode=%1").arg(b->barcodeType);
    // The SVG goes to standard output.
    args << QStringLiteral("--direct") << QStringLiteral("--filetype=svg");
    if (b->heightFactor != 0)
        args << QStringLiteral("--height=%1").arg(b->heightFactor);
    if (b->whiteSpace != 0)
        args << QStringLiteral("--whitesp=%1").arg(b->whiteSpace);
    if (b->borderType == 1)
        args << QStringLiteral("--bind");
    else if (b->borderType == 2)
        args << QStringLiteral("--box");
    if (b->borderType > 0)
        args << QStringLiteral("--border=%1").arg(b->borderWidth);
    if (b->foreColor != QColor(Qt::black))
        args << QStringLiteral("--fg=%1").arg(colorArgument(b->foreColor));
    if (b->backColor != QColor(Qt::white))
        args << QStringLiteral("--bg=%1").arg(colorArgument(b->backColor));
    if (b->barcodeType == Maxicode)
        args << QStringLiteral("--scale=10");
    if (b->rotation != 0)
        args << QStringLiteral("--rotate=%1").arg(b->rotation);
    if (b->cols != 0)
        args << QStringLiteral("--cols=%1").arg(b->cols);
    if (b->vers != 0)
        args << QStringLiteral("--vers=%1").arg(b->vers);
    if (b->secure != 0)
        args << QStringLiteral("--secure=%1").arg(b->secure);
    if (!b->primary.isEmpty())
        args << QStringLiteral("--primary=%1").arg(b->primary);
    if (b->mode != 0)
        args << QStringLiteral("--mode=%1").arg(b->mode);
    if (b->barcodeType == QRCode)
        args << QStringLiteral("--input=%1").arg(inputFile);
    else
        args << QStringLiteral("--data=%1").arg(value().toString());
    return args;
}

void TessarinBarcodeItem::fail(const QString &message)
{
    barcodeData()->svgData.clear();
    m_errorText = message;
}

bool TessarinBarcodeItem::update_barcode()
{
    TessarinBarcodeData *b = barcodeData();
    m_errorText.clear();
    if (isEmpty()) {
        b->svgData.clear();
        return false;
    }

    // A QR code's data goes through a file, so that any text survives the
    // command line unchanged. The file is private to this run and removed
    // with the object.
    QTemporaryFile input(QDir::tempPath() + QStringLiteral("/barcodetext_XXXXXX.txt"));
    QString inputPath;
    if (b->barcodeType == QRCode) {
        const QByteArray text = value().toString().toUtf8();
        if (!input.open() || input.write(text) != text.size() || !input.flush()) {
            fail(tr("Cannot write the barcode data to a temporary file: %1").arg(input.errorString()));
            return false;
        }
        inputPath = input.fileName();
        input.close();
    }

    const QString program = zintProgram();
    QProcess process;
    process.setProgram(program);
    process.setArguments(zintArguments(inputPath));
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(m_processTimeout)) {
        const QString reason = process.errorString();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(KillWait);
        }
        fail(tr("The barcode generator %1 cannot be started: %2").arg(program, reason));
        if (d->reportDef)
            d->reportDef->emitZintNotFound();
        return false;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(m_processTimeout)) {
        process.kill();
        process.waitForFinished(KillWait);
        fail(tr("The barcode generator did not finish within %1 ms.").arg(m_processTimeout));
        return false;
    }

    const QByteArray out = process.readAllStandardOutput();
    const QString err = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit) {
        fail(err.isEmpty() ? tr("The barcode generator crashed.") : err);
        return false;
    }
    if (process.exitCode() != 0 || out.trimmed().isEmpty()) {
        fail(err.isEmpty() ? tr("The barcode generator failed with exit code %1.").arg(process.exitCode()) : err);
        return false;
    }
    // The generator answers a symbology it does not know with a Code 128
    // symbol and only a warning; a wrong symbol must not print as if it were
    // the one asked for. Other warnings (an ECI added for the data, say)
    // leave a valid symbol.
    if (err.contains(QLatin1String("Symbology out of range"), Qt::CaseInsensitive)) {
        fail(err);
        return false;
    }
    b->svgData = out;
    return true;
}

bool TessarinBarcodeItem::isEmpty()
{
    return value().toString().isEmpty();
}

bool TessarinBarcodeItem::render(QPainter *painter, const QRectF &rect, bool drawErrors)
{
    if (!painter || isEmpty())
        return false;
    const QByteArray &svg = barcodeData()->svgData;
    if (svg.isEmpty() || svg.left(5).toLower() == "error") {
        if (drawErrors) {
            QString message = QString::fromUtf8(svg);
            if (message.isEmpty())
                message = m_errorText.isEmpty() ? tr("Barcode error") : m_errorText;
            painter->save();
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(8);
            painter->setFont(font);
            painter->setPen(Qt::black);
            painter->drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, message);
            painter->restore();
        }
        return false;
    }
    if (barcodeData()->barcodeType == Maxicode) {
        renderSvg(painter, rect);
        return true;
    }
    return drawSvg(painter, rect);
}

void TessarinBarcodeItem::renderSvg(QPainter *painter, const QRectF &rect)
{
    QSvgRenderer renderer;
    if (!renderer.load(barcodeData()->svgData))
        return;
    const QSizeF size = QSizeF(renderer.defaultSize()).scaled(rect.size(), Qt::KeepAspectRatio);
    renderer.render(painter, QRectF(rect.topLeft(), size));
}

// The generator's SVG is a flat list of rectangles and texts inside groups
// that set the fill colour; only that is interpreted. Rotated symbols come
// rotated from the generator, their texts with a rotate() transform.
bool TessarinBarcodeItem::drawSvg(QPainter *painter, const QRectF &rect)
{
    const TessarinBarcodeData *b = barcodeData();
    QXmlStreamReader xml(b->svgData);
    const QPointF topLeft = rect.topLeft();
    double r = 1;
    int depth = 0;
    // Fill colours of the open groups; the last one applies.
    QVector<QColor> colours{QColor(Qt::black)};
    QVector<bool> groupAt; // per open element: did it push a colour
    static const QRegularExpression rotateExpr(
        QStringLiteral("rotate\\(\\s*([-+0-9.eE]+)(?:[\\s,]+([-+0-9.eE]+)[\\s,]+([-+0-9.eE]+))?\\s*\\)"));

    painter->save();
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            if (!groupAt.isEmpty()) {
                if (groupAt.takeLast() && colours.size() > 1)
                    colours.removeLast();
            }
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringRef name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();

        if (depth == 0) {
            const double w = a.value(QLatin1String("width")).toDouble();
            const double h = a.value(QLatin1String("height")).toDouble();
            if (name != QLatin1String("svg") || !(w > 0) || !(h > 0)) {
                xml.raiseError(tr("Invalid SVG stream"));
                break;
            }
            r = rect.width() / w;
            if (h * r > rect.height())
                r = rect.height() / h;
            painter->setPen(Qt::NoPen);
            painter->setClipRect(rect.adjusted(0, 0, 1, 1), Qt::IntersectClip);
            ++depth;
            groupAt.append(false);
            continue;
        }

        if (name == QLatin1String("g")) {
            colours.append(fillColor(a, colours.last()));
            ++depth;
            groupAt.append(true);
        } else if (name == QLatin1String("rect")) {
            const QColor colour = fillColor(a, colours.last());
            const QRectF box(attributeReal(a, "x") * r, attributeReal(a, "y") * r, attributeReal(a, "width") * r,
                             attributeReal(a, "height") * r);
            if (colour.isValid())
                painter->fillRect(box.translated(topLeft), colour);
            xml.skipCurrentElement();
        } else if (name == QLatin1String("text") && b->showText) {
            const double x = attributeReal(a, "x") * r;
            const double y = (attributeReal(a, "y") - 1) * r;
            const double size = attributeReal(a, "font-size") * r;
            const QColor colour = fillColor(a, colours.last());
            const QString anchor = a.value(QLatin1String("text-anchor")).toString();
            const QString transform = a.value(QLatin1String("transform")).toString();
            QStringList families;
            const QStringList list = a.value(QLatin1String("font-family")).toString().split(QLatin1Char(','));
            for (const QString &family : list) {
                if (!family.trimmed().isEmpty())
                    families << family.trimmed();
            }
            QString text = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            // Code 93 shows its data without the two check characters.
            if (b->barcodeType == Code93 && text.size() >= 2) {
                text.chop(2);
                text = text.trimmed();
            }
            if (text.isEmpty() || !colour.isValid())
                continue;

            QFont font;
            if (!families.isEmpty()) {
                font.setFamily(families.first());
                font.setFamilies(families);
            }
            font.setPixelSize(qMax(1, qRound(size)));
            const double width = QFontMetricsF(font, painter->device()).horizontalAdvance(text);
            double left = x - width / 2;
            if (anchor == QLatin1String("start"))
                left = x;
            else if (anchor == QLatin1String("end"))
                left = x - width;

            painter->save();
            const QRegularExpressionMatch m = rotateExpr.match(transform);
            if (m.hasMatch()) {
                const QPointF centre =
                    m.captured(2).isEmpty() ? topLeft
                                            : topLeft + QPointF(m.captured(2).toDouble() * r, m.captured(3).toDouble() * r);
                painter->translate(centre);
                painter->rotate(m.captured(1).toDouble());
                painter->translate(-centre);
            }
            painter->setFont(font);
            painter->setPen(QPen(colour, 1));
            painter->drawText(QPointF(left, y) + topLeft, text);
            painter->restore();
        } else {
            // Descriptions, hidden texts and anything else are passed over.
            xml.skipCurrentElement();
        }
    }
    painter->restore();
    return !xml.hasError();
}

QImage TessarinBarcodeItem::toImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    render(&painter, QRectF(0, 0, size.width(), size.height()), true);
    painter.end();
    return image;
}

QPixmap TessarinBarcodeItem::toPixmap(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    render(&painter, QRectF(0, 0, size.width(), size.height()), true);
    painter.end();
    return pixmap;
}

void TessarinBarcodeItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const TessarinScale &scale = output->scale();
    // Barcodes keep their designed place and size: a symbol must not be
    // stretched by dynamic geometry.
    const QRect box(scale.mmToPixel(d->metricPos.x() + origin.x()), scale.mmToPixel(d->metricPos.y() + origin.y()),
                    scale.mmToPixel(d->metricSize.width()), scale.mmToPixel(d->metricSize.height()));
    QPainter *painter = output->painter();
    if (painter && drawsOn(output))
        render(painter, box, false);
    output->renderItem(this, box);
}

bool TessarinBarcodeItem::read(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinBarcodeData *b = barcodeData();
    if (reader->isAttrib(QStringLiteral("barcodeType"))) {
        const QString type = reader->attrib(QStringLiteral("barcodeType"));
        if (type == QLatin1String("EAN") || type == QLatin1String("EAN13") || type == QLatin1String("EANX"))
            b->barcodeType = 13;
        else
            b->barcodeType = type.toInt();
    }
    if (reader->isAttrib(QStringLiteral("code")))
        setValue(reader->attrib(QStringLiteral("code")));
    if (reader->isAttrib(QStringLiteral("heightFactor")))
        b->heightFactor = reader->attribToInt(QStringLiteral("heightFactor"));
    if (reader->isAttrib(QStringLiteral("heightRatio")))
        b->heightFactor = reader->attribToInt(QStringLiteral("heightRatio"));
    b->whiteSpace = reader->attribToInt(QStringLiteral("whiteSpace"));
    b->borderType = reader->attribToInt(QStringLiteral("borderType"));
    b->borderWidth = reader->attribToInt(QStringLiteral("borderWidth"));
    reader->readColor(QStringLiteral("foreColor"), b->foreColor);
    reader->readColor(QStringLiteral("backColor"), b->backColor);
    b->scale = reader->attribToReal(QStringLiteral("scale"));
    b->rotation = reader->attribToInt(QStringLiteral("rotation"));
    b->cols = reader->attribToInt(QStringLiteral("cols"));
    b->vers = reader->attribToInt(QStringLiteral("vers"));
    b->secure = reader->attribToInt(QStringLiteral("secure"));
    b->mode = reader->attribToInt(QStringLiteral("mode"));
    b->primary = reader->attrib(QStringLiteral("primary"));
    if (reader->isAttrib(QStringLiteral("showText")))
        b->showText = reader->attribToBool(QStringLiteral("showText"));
    d->text = reader->elementText();
    update_barcode();
    return true;
}

bool TessarinBarcodeItem::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    const TessarinBarcodeData *b = barcodeData();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(writer);
    writer->writeInt(QStringLiteral("barcodeType"), b->barcodeType);
    xml.writeAttribute(QStringLiteral("code"), value().toString());
    const auto writeNonZero = [writer](const char *name, int number) {
        if (number != 0)
            writer->writeInt(QLatin1String(name), number);
    };
    writeNonZero("heightRatio", b->heightFactor);
    writeNonZero("whiteSpace", b->whiteSpace);
    if (b->borderType != 0) {
        writer->writeInt(QStringLiteral("borderType"), b->borderType);
        writer->writeInt(QStringLiteral("borderWidth"), b->borderWidth);
    }
    if (b->foreColor != QColor(Qt::black))
        xml.writeAttribute(QStringLiteral("foreColor"), b->foreColor.name());
    if (b->backColor != QColor(Qt::white))
        xml.writeAttribute(QStringLiteral("backColor"), b->backColor.name());
    if (b->scale != 0)
        xml.writeAttribute(QStringLiteral("scale"), QString::number(b->scale, 'f', 2));
    writeNonZero("rotation", b->rotation);
    writeNonZero("cols", b->cols);
    writeNonZero("vers", b->vers);
    writeNonZero("secure", b->secure);
    writeNonZero("mode", b->mode);
    if (!b->primary.isEmpty())
        xml.writeAttribute(QStringLiteral("primary"), b->primary);
    if (!b->showText)
        xml.writeAttribute(QStringLiteral("showText"), QStringLiteral("false"));
    xml.writeCharacters(d->text);
    xml.writeEndElement();
    return true;
}

void TessarinBarcodeItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    // A static code was generated when the definition was read.
    if (evaluator && sourceType() != Static && sourceType() != File)
        evaluator->evaluateDynamicBarcode(this);
    TessarinItem::updateValue(output, evaluator);
}

bool TessarinBarcodeItem::reloadDynamicContent(TessarinEvaluator *)
{
    return update_barcode();
}

void TessarinBarcodeItem::setDefaultForEditor()
{
    setValue(QStringLiteral("503102187159"));
    resize(QSizeF(110, 50));
    update_barcode();
}

QList<TessarinItem::SourceType> TessarinBarcodeItem::availableSourceTypes() const
{
    return {Static, DataSource, Parameter, Template, Expression};
}

void TessarinBarcodeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF box(QPointF(0, 0), d->currentSize);
    render(painter, box, true);
    painter->save();
    painter->setPen(QPen(Qt::lightGray, 0, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(box);
    painter->restore();
    paintSelection(painter);
}
