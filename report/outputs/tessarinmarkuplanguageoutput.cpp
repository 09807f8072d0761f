#include "tessarinmarkuplanguageoutput.h"

#include "tessarinitem.h"
#include "tessarinsection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextStream>
#include <QUrl>

namespace {
const QString noSectionId = QStringLiteral("#####");

// The item's place in its section in millimetres, dynamic position applied
// as the item's own rectangle applies it.
QPointF positionMM(const TessarinItem *item)
{
    QPointF pos = item->metricPos();
    if (item->hasDynamicPosition()) {
        if (item->isDynamicOffsetMode()) {
            pos += item->dynamicPosition();
        } else {
            if (!item->dynPosXSource().isEmpty())
                pos.setX(item->dynamicPosition().x());
            if (!item->dynPosYSource().isEmpty())
                pos.setY(item->dynamicPosition().y());
        }
    }
    return pos;
}

bool isCollected(const TessarinItem *item)
{
    switch (item->objectType()) {
    case TessarinItem::LabelObject:
    case TessarinItem::FieldObject:
    case TessarinItem::TextObject:
    case TessarinItem::ImageObject:
    case TessarinItem::BarcodeObject:
    case TessarinItem::GraphObject:
        return true;
    default:
        return false;
    }
}

bool isUnicodeCodec(const QTextCodec *codec)
{
    // UTF-8, UTF-16 and UTF-32 in all their byte orders.
    const int mib = codec->mibEnum();
    return mib == 106 || (mib >= 1013 && mib <= 1019);
}
}

TessarinMarkupLanguageOutput::TessarinMarkupLanguageOutput(QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(NullOutput);
    setDocumentTemplateBased(false);
    setGeneratingMode(SectionsMode);
    setResolution(CssDpi);
    m_contentStream = new QTextStream(&m_content, QIODevice::WriteOnly | QIODevice::Append);
    m_styleStream = new QTextStream(&m_styleText, QIODevice::WriteOnly | QIODevice::Append);
}

TessarinMarkupLanguageOutput::~TessarinMarkupLanguageOutput()
{
    delete m_contentStream;
    delete m_styleStream;
}

QString TessarinMarkupLanguageOutput::escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString TessarinMarkupLanguageOutput::fixedID(const QString &id)
{
    QString fixed = id;
    for (QChar &c : fixed) {
        const ushort u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_'
            || u == '-';
        if (!plain)
            c = QLatin1Char('_');
    }
    return fixed;
}

QString TessarinMarkupLanguageOutput::itemClassId(TessarinItem *item)
{
    QString itemId = item->id();
    // Items without an id of their own must not share one style.
    if (itemId.isEmpty() || itemId == QLatin1String("0")) {
        const int index = m_currentSection ? m_currentSection->reportItems().indexOf(item) : -1;
        itemId = QStringLiteral("n%1").arg(index);
    }
    return QStringLiteral("%1_item_%2").arg(m_sectionId, fixedID(itemId));
}

void TessarinMarkupLanguageOutput::setStyle(const QString &selector, const QString &declarations)
{
    if (!m_styles.contains(selector))
        m_styleOrder.append(selector);
    m_styles.insert(selector, declarations);
}

QString TessarinMarkupLanguageOutput::styleClass(const QString &prefix, const QString &className,
                                                 const QString &declarations)
{
    QString candidate = className;
    for (int variant = 2;; ++variant) {
        const QString selector = prefix + candidate;
        const auto it = m_styles.constFind(selector);
        if (it == m_styles.constEnd()) {
            setStyle(selector, declarations);
            return candidate;
        }
        if (*it == declarations)
            return candidate;
        candidate = className + QStringLiteral("_%1").arg(variant);
    }
}

int TessarinMarkupLanguageOutput::mmToPixel(double mm) const
{
    return m_scale.mmToPixel(mm);
}

int TessarinMarkupLanguageOutput::printableWidthPixels() const
{
    return mmToPixel(option().pageWidthMM() - option().leftMarginMM() - option().rightMarginMM());
}

QString TessarinMarkupLanguageOutput::outputDirectory() const
{
    return QFileInfo(fileName()).absolutePath();
}

QString TessarinMarkupLanguageOutput::encodingName() const
{
    const QString name = option().encoding();
    if (!name.isEmpty() && QTextCodec::codecForName(name.toLatin1()))
        return name;
    return QStringLiteral("UTF-8");
}

bool TessarinMarkupLanguageOutput::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!openForWriting(file))
        return false;
    if (file.write(bytes) != bytes.size()) {
        setFileError(name, file.errorString());
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        setFileError(name, file.errorString());
        return false;
    }
    return true;
}

bool TessarinMarkupLanguageOutput::setup()
{
    setResolution(CssDpi);
    if (isJobStart()) {
        clearError();
        m_documentStarted = false;
        m_writtenStyleSheetFile.clear();
    }
    if (fileName().isEmpty()) {
        setFileError(QString(), tr("No file name is set"));
        return false;
    }
    return true;
}

void TessarinMarkupLanguageOutput::cleanup()
{
}

void TessarinMarkupLanguageOutput::resetDocument()
{
    m_styles.clear();
    m_styleOrder.clear();
    m_content.clear();
    m_styleText.clear();
    m_contentStream->setString(&m_content, QIODevice::WriteOnly | QIODevice::Append);
    m_styleStream->setString(&m_styleText, QIODevice::WriteOnly | QIODevice::Append);
    m_noSectionOpen = true;
    m_openSection = nullptr;
    m_previousSectionId = noSectionId;
    m_rowCounter = 0;
    m_itemMap.clear();
    m_currentSection = nullptr;
    m_sectionId.clear();
    m_fileCounter = 0;
    m_documentText.clear();
}

void TessarinMarkupLanguageOutput::begin()
{
    // A later copy or report of the same job continues the document.
    if (m_documentStarted)
        return;
    m_documentStarted = true;
    resetDocument();
    writeHeader();
}

void TessarinMarkupLanguageOutput::newPage()
{
}

void TessarinMarkupLanguageOutput::sectionStarts(TessarinSection *section, TessarinEvaluator *evaluator)
{
    if (!section)
        return;
    m_evaluator = evaluator;
    const QString id = fixedID(section->id());
    if (!m_noSectionOpen && id == m_previousSectionId) {
        // Consecutive rows of one detail stay in one table.
        ++m_rowCounter;
        m_currentSection = section;
    } else {
        if (!m_noSectionOpen)
            writeSectionEnd(m_openSection);
        m_currentSection = section;
        m_sectionId = id;
        writeSectionStart(section);
        m_rowCounter = 0;
    }
    m_sectionId = id;
    m_openSection = section;
    writeRowStart(section);
    m_itemMap.clear();
    m_previousSectionId = id;
    m_noSectionOpen = false;
}

void TessarinMarkupLanguageOutput::renderItem(TessarinItem *item, const QRectF &rect)
{
    if (!item || !m_currentSection || !isCollected(item))
        return;
    item->setPaintRect(rect);
    const QPointF pos = positionMM(item);
    // Rounded, not truncated: 5.01 mm must not read as 5.00.
    const QPair<qint64, qint64> key(qRound64(pos.y() * 100), qRound64(pos.x() * 100));
    m_itemMap.emplace(key, item);
}

void TessarinMarkupLanguageOutput::sectionEnds(TessarinSection *section, TessarinEvaluator *)
{
    if (!section || section != m_currentSection)
        return;
    int rowIndex = 0;
    bool first = true;
    qint64 previousY = 0;
    for (const auto &entry : m_itemMap) {
        const qint64 y = entry.first.first;
        const qint64 x = entry.first.second;
        bool rowStart = first;
        if (!first && y > previousY) {
            writeRowEnd(section);
            writeRowStart(section);
            ++rowIndex;
            rowStart = true;
        }
        if (rowStart && x > 0)
            writeSpace(section, rowIndex, mmToPixel(double(x / 100)));
        writeItem(entry.second);
        previousY = y;
        first = false;
    }
    writeRowEnd(section);
    m_itemMap.clear();
}

void TessarinMarkupLanguageOutput::writeItem(TessarinItem *item)
{
    QString styleText;
    QTextStream styles(&styleText, QIODevice::WriteOnly);
    cellStarts(item, styles);
    switch (item->objectType()) {
    case TessarinItem::LabelObject:
    case TessarinItem::FieldObject:
        writeLabel(item, styles);
        break;
    case TessarinItem::TextObject:
        writeText(item, styles);
        break;
    case TessarinItem::ImageObject:
        writeImage(item, styles);
        break;
    case TessarinItem::BarcodeObject:
        writeBarcode(item, styles);
        break;
    default: // graphs have no markup form
        break;
    }
    cellEnds(item, styles);
}

void TessarinMarkupLanguageOutput::end()
{
    if (!m_documentStarted)
        return;
    if (!m_noSectionOpen) {
        writeSectionEnd(m_openSection);
        m_noSectionOpen = true;
        m_openSection = nullptr;
        m_previousSectionId = noSectionId;
    }
    m_currentSection = nullptr;
    m_evaluator = nullptr;
    writeDocument();
}

void TessarinMarkupLanguageOutput::writeDocument()
{
    // The footer goes into the document written now, not into the content:
    // a later copy or report of the job continues before it.
    m_contentStream->flush();
    const int bodyEnd = m_content.size();
    writeFooter();
    m_contentStream->flush();
    QString document = m_content;
    m_content.truncate(bodyEnd);
    m_contentStream->setString(&m_content, QIODevice::WriteOnly | QIODevice::Append);

    m_styleText.clear();
    m_styleStream->setString(&m_styleText, QIODevice::WriteOnly | QIODevice::Append);
    for (const QString &selector : qAsConst(m_styleOrder))
        *m_styleStream << selector << '{' << m_styles.value(selector) << '}' << m_crlf;
    m_styleStream->flush();

    const int marker = document.indexOf(m_styleSheetMarker);
    m_writtenStyleSheetFile.clear();
    if (m_styleSheetFile.isEmpty()) {
        if (marker >= 0)
            document.replace(marker, m_styleSheetMarker.size(), m_styleText);
    } else {
        QString name = m_styleSheetFile;
        if (name == QLatin1String("@"))
            name = outputDirectory() + QLatin1Char('/') + QFileInfo(fileName()).completeBaseName()
                + QStringLiteral(".css");
        const bool absolute = QDir::isAbsolutePath(name);
        const QString url = absolute ? QUrl::fromLocalFile(name).toString() : name;
        if (marker >= 0)
            document.replace(marker, m_styleSheetMarker.size(), styleSheetReference(url));
        // Where a browser resolves a relative link: next to the document.
        const QString path = absolute ? name : outputDirectory() + QLatin1Char('/') + name;
        if (writeFile(path, m_styleText.toUtf8()))
            m_writtenStyleSheetFile = path;
    }

    m_documentText = document;
    writeFile(fileName(), encodeDocument(document));
}

QByteArray TessarinMarkupLanguageOutput::encodeDocument(const QString &text) const
{
    QTextCodec *codec = QTextCodec::codecForName(encodingName().toLatin1());
    if (!codec)
        return text.toUtf8();
    if (isUnicodeCodec(codec))
        return codec->fromUnicode(text);
    // Characters the encoding lacks become character references instead of
    // question marks.
    QString safe;
    safe.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const QString pair = text.mid(i, 2);
            if (codec->canEncode(pair))
                safe += pair;
            else
                safe += QStringLiteral("&#%1;").arg(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
            continue;
        }
        if (c.unicode() < 0x80 || codec->canEncode(c))
            safe += c;
        else
            safe += QStringLiteral("&#%1;").arg(c.unicode());
    }
    return codec->fromUnicode(safe);
}
