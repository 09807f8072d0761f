#include "tessarintextdatasource.h"

#include "tessarindef.h"
#include "tessarindelimiter_p.h"
#include "tessarinevaluator.h"
#include "tessarinhttpclient.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QFile>
#include <QTextCodec>
#include <QTextStream>

// The definition reader creates "txt" sources through this entry.
namespace {
[[maybe_unused]] const bool registeredWithReader = TessarinXMLRegistry::registerDataSource(
    QStringLiteral("txt"),
    [](TessarinDef *definition) -> TessarinDataSource * { return new TessarinTextDataSource(definition); });
}

TessarinTextDataSource::TessarinTextDataSource(QObject *parent)
    : TessarinDataSource(parent)
{
    setDataSourceType(Text);
    setLocationType(Static);
    recnoRef() = -1;
}

TessarinTextDataSource::~TessarinTextDataSource()
{
    closeStream();
}

void TessarinTextDataSource::setColumnDelimiter(Delimiter delimiter)
{
    m_delimiter = delimiter;
    if (delimiter != CustomDelimiter)
        m_delimiterChar = TessarinDelimiter::character(delimiter);
    m_boundsRow = -1;
}

bool TessarinTextDataSource::read(TessarinXMLReader *reader)
{
    const int delimiter = TessarinDelimiter::fromKeyword(reader->attrib(QStringLiteral("columnDelimiter")));
    if (delimiter >= 0)
        setColumnDelimiter(Delimiter(delimiter));
    if (m_delimiter == CustomDelimiter && reader->isAttrib(QStringLiteral("customDelimChar")))
        m_delimiterChar = reader->attrib(QStringLiteral("customDelimChar")).at(0).toLatin1();
    if (reader->isAttrib(QStringLiteral("hasColumnHeader")))
        m_hasColumnHeader = reader->attribToBool(QStringLiteral("hasColumnHeader"));
    if (reader->isAttrib(QStringLiteral("encoding")))
        setEncoding(reader->attrib(QStringLiteral("encoding")));
    return true;
}

bool TessarinTextDataSource::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    xml.writeAttribute(QStringLiteral("columnDelimiter"), QLatin1String(TessarinDelimiter::keyword(m_delimiter)));
    if (m_delimiter == CustomDelimiter)
        xml.writeAttribute(QStringLiteral("customDelimChar"), QString(QChar::fromLatin1(m_delimiterChar)));
    if (m_hasColumnHeader)
        xml.writeAttribute(QStringLiteral("hasColumnHeader"), QStringLiteral("true"));
    if (!encoding().isEmpty())
        xml.writeAttribute(QStringLiteral("encoding"), encoding());
    return true;
}

bool TessarinTextDataSource::openStream()
{
    closeStream();
    switch (locationType()) {
    case File: {
        const QString name = fileName();
        m_file = new QFile(name, this);
        if (!m_file->open(QIODevice::ReadOnly)) {
            setError(tr("Cannot open file %1").arg(name), -1);
            delete m_file;
            m_file = nullptr;
            return false;
        }
        m_stream = new QTextStream(m_file);
        if (!encoding().isEmpty()) {
            if (QTextCodec *codec = QTextCodec::codecForName(encoding().toLatin1()))
                m_stream->setCodec(codec);
        }
        return true;
    }
    case Http: {
        // A failed download leaves an empty text: the source then has no rows.
        TessarinHttpClient client;
        client.waitForDownloadContent(fileName());
        setSpecification(QString::fromUtf8(client.content()));
        break;
    }
    case Ftp:
        return false;
    case Static:
    case Parameter:
        break;
    }
    m_text = specification();
    m_stream = new QTextStream(&m_text, QIODevice::ReadOnly);
    return true;
}

void TessarinTextDataSource::closeStream()
{
    delete m_stream;
    m_stream = nullptr;
    delete m_file;
    m_file = nullptr;
    m_text.clear();
    m_lines.clear();
    m_boundsRow = -1;
    recnoRef() = -1;
}

bool TessarinTextDataSource::readLine()
{
    if (!m_stream || m_stream->atEnd())
        return false;
    m_lines.append(m_stream->readLine());
    return true;
}

void TessarinTextDataSource::initColumns()
{
    m_columnNames.clear();
    if (!m_stream || m_stream->atEnd())
        return;
    const QChar delimiter = QChar::fromLatin1(m_delimiterChar);
    if (m_hasColumnHeader) {
        m_columnNames = m_stream->readLine().split(delimiter);
        return;
    }
    // Without a header the first data line tells how many columns there are.
    readLine();
    const int count = m_lines.constFirst().count(delimiter) + 1;
    for (int i = 0; i < count; ++i)
        m_columnNames.append(TessarinDataSource::columnName(i));
}

bool TessarinTextDataSource::open()
{
    if (isOpened())
        return false;
    if (!openStream())
        return false;
    initColumns();
    recnoRef() = -1;
    flagBegin() = true;
    flagEnd() = false;
    setOpened(true);
    return true;
}

bool TessarinTextDataSource::close()
{
    closeStream();
    m_columnNames.clear();
    setOpened(false);
    flagEnd() = false;
    return true;
}

bool TessarinTextDataSource::next()
{
    if (!m_stream)
        return false;
    int &row = recnoRef();
    if (row + 1 < m_lines.size() || readLine()) {
        ++row;
        flagBegin() = false;
        return true;
    }
    flagEnd() = true;
    return false;
}

bool TessarinTextDataSource::first()
{
    if (m_lines.isEmpty() && !readLine())
        return false;
    recnoRef() = 0;
    flagEnd() = false;
    return true;
}

bool TessarinTextDataSource::previous()
{
    int &row = recnoRef();
    if (row - 1 >= 0) {
        --row;
        return true;
    }
    row = m_lines.isEmpty() ? -1 : 0;
    flagBegin() = true;
    return false;
}

bool TessarinTextDataSource::last()
{
    // The last line read so far: reading on to the end would defeat lazy reading.
    if (m_lines.isEmpty() && !readLine())
        return false;
    int &row = recnoRef();
    row = m_lines.size() - 1;
    if (row > 0 && m_lines.at(row).isEmpty())
        --row;
    flagBegin() = false;
    return true;
}

bool TessarinTextDataSource::hasNext()
{
    return recnoRef() + 1 < m_lines.size() || (m_stream && !m_stream->atEnd());
}

bool TessarinTextDataSource::seek(int index)
{
    if (!isOpened())
        return false;
    if (index < -1)
        return true;
    // Rows not read yet are read now, so a row number anywhere in the data works.
    while (index >= m_lines.size() && readLine()) {
    }
    if (index >= m_lines.size()) {
        recnoRef() = m_lines.size() - 1;
        return false;
    }
    recnoRef() = index;
    return true;
}

int TessarinTextDataSource::size() const
{
    // Known only once the whole text has been read.
    return m_stream && m_stream->atEnd() ? m_lines.size() : -1;
}

bool TessarinTextDataSource::isValid() const
{
    const int row = recno();
    return row >= 0 && row < m_lines.size();
}

QVariant TessarinTextDataSource::value(int column, bool *ok, int)
{
    if (column < 0 || !isValid()) {
        if (ok)
            *ok = false;
        return QVariant();
    }
    const int row = recno();
    const QString &line = m_lines.at(row);
    if (m_boundsRow != row) {
        TessarinDelimiter::fieldBounds(line, QChar::fromLatin1(m_delimiterChar), m_bounds);
        m_boundsRow = row;
    }
    if (ok)
        *ok = true;
    return TessarinDelimiter::field(line, m_bounds, column);
}

QVariant TessarinTextDataSource::value(const QString &column, bool *ok, int role)
{
    return value(columnIndexByName(column), ok, role);
}

void TessarinTextDataSource::evaluate(TessarinEvaluator *evaluator)
{
    if (!evaluator)
        return;
    QString name = rawFileName();
    evaluator->evaluate(name, TessarinItem::Parameter);
    setFileName(name);
}

QStringList TessarinTextDataSource::columnNames()
{
    if (m_columnNames.isEmpty() && !isOpened() && openStream()) {
        initColumns();
        closeStream();
    }
    return m_columnNames;
}

QStringList TessarinTextDataSource::keywordList()
{
    const QStringList names = columnNames();
    QStringList list;
    for (const QString &name : names) {
        list.append(name);
        list.append(id() + QLatin1Char('.') + name);
    }
    return list;
}

QString TessarinTextDataSource::columnName(int i) const
{
    return m_columnNames.value(i);
}

int TessarinTextDataSource::columnIndexByName(const QString &name) const
{
    if (m_hasColumnHeader)
        return m_columnNames.indexOf(name);
    if (name.startsWith(QLatin1String("col")))
        return name.midRef(3).toInt();
    return name.toInt();
}
