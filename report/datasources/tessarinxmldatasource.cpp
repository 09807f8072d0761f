#include "tessarinxmldatasource.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinhttpclient.h"
#include "tessarinxmlregistry.h"

#include <QFile>
#include <QXmlStreamReader>

// The definition reader creates "xml" sources through this entry.
namespace {
[[maybe_unused]] const bool registeredWithReader = TessarinXMLRegistry::registerDataSource(
    QStringLiteral("xml"),
    [](TessarinDef *definition) -> TessarinDataSource * { return new TessarinXMLDataSource(definition); });
}

TessarinXMLDataSource::TessarinXMLDataSource(QObject *parent)
    : TessarinDataSource(parent)
{
    setDataSourceType(XML);
    setLocationType(Static);
    recnoRef() = -1;
}

TessarinXMLDataSource::~TessarinXMLDataSource() = default;

void TessarinXMLDataSource::clearData()
{
    m_columnNames.clear();
    m_rows.clear();
    m_row.clear();
    m_state = None;
    recnoRef() = -1;
}

bool TessarinXMLDataSource::open()
{
    if (isOpened())
        return false;
    clearData();

    QByteArray data;
    QFile file;
    QXmlStreamReader xml;
    switch (locationType()) {
    case Static:
    case Parameter:
        data = specification().toUtf8();
        break;
    case File:
        file.setFileName(fileName());
        if (!file.open(QIODevice::ReadOnly)) {
            setError(tr("Cannot open file %1").arg(file.fileName()), -1);
            return false;
        }
        xml.setDevice(&file);
        break;
    case Http: {
        // A failed download gives an empty document: the source opens without rows.
        TessarinHttpClient client;
        client.waitForDownloadContent(fileName());
        data = client.content();
        break;
    }
    case Ftp:
        return false;
    }

    if (!xml.device()) {
        if (data.trimmed().isEmpty()) {
            setOpened(true);
            return true;
        }
        xml.addData(data);
    }
    if (!parse(xml)) {
        setError(xml.errorString(), -1);
        clearData();
        return false;
    }
    flagBegin() = true;
    flagEnd() = false;
    setOpened(true);
    return true;
}

bool TessarinXMLDataSource::parse(QXmlStreamReader &xml)
{
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("parameters")) {
                m_state = Parameters;
            } else if (name == QLatin1String("datasources")) {
                m_state = DataSources;
            } else if (name == QLatin1String("datasource")) {
                if (xml.attributes().value(QLatin1String("id")) == id())
                    m_state = DataSourceElement;
                else
                    xml.skipCurrentElement();
            } else if (name == QLatin1String("columns")) {
                m_state = Columns;
                m_columnNames.clear();
            } else if (name == QLatin1String("column")) {
                m_state = Column;
                m_columnNames.append(xml.readElementText(QXmlStreamReader::SkipChildElements));
            } else if (name == QLatin1String("row")) {
                m_state = Row;
                m_row.clear();
            } else if (name == QLatin1String("d")) {
                if (m_state == Parameters) {
                    const QString paramId = xml.attributes().value(QLatin1String("id")).toString();
                    parameters().insert(paramId, xml.readElementText(QXmlStreamReader::SkipChildElements));
                } else if (m_state == Row) {
                    m_row.append(xml.readElementText(QXmlStreamReader::SkipChildElements));
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("row") && m_state == Row) {
                m_rows.append(m_row);
                m_row.clear();
                // A stray "d" between rows must not start a row of its own.
                m_state = DataSourceElement;
            } else if (name == QLatin1String("parameters") && m_state == Parameters) {
                m_state = None;
            }
        }
    }
    return !xml.hasError();
}

bool TessarinXMLDataSource::close()
{
    if (!isOpened())
        return false;
    setOpened(false);
    flagEnd() = false;
    clearData();
    return true;
}

bool TessarinXMLDataSource::first()
{
    recnoRef() = m_rows.isEmpty() ? -1 : 0;
    flagEnd() = false;
    return !m_rows.isEmpty();
}

bool TessarinXMLDataSource::last()
{
    recnoRef() = m_rows.size() - 1;
    flagBegin() = false;
    return !m_rows.isEmpty();
}

bool TessarinXMLDataSource::next()
{
    int &row = recnoRef();
    if (row + 1 >= m_rows.size()) {
        flagEnd() = true;
        return false;
    }
    ++row;
    flagBegin() = false;
    return true;
}

bool TessarinXMLDataSource::previous()
{
    int &row = recnoRef();
    if (row - 1 >= 0 && row - 1 < m_rows.size()) {
        --row;
        return true;
    }
    row = m_rows.isEmpty() ? -1 : 0;
    flagBegin() = true;
    return false;
}

bool TessarinXMLDataSource::hasNext()
{
    return recnoRef() < m_rows.size() - 1;
}

bool TessarinXMLDataSource::seek(int index)
{
    if (!isOpened())
        return false;
    if (index < -1)
        return true;
    if (index >= m_rows.size()) {
        recnoRef() = m_rows.size() - 1;
        return false;
    }
    recnoRef() = index;
    return true;
}

bool TessarinXMLDataSource::isValid() const
{
    return recno() >= 0 && recno() < m_rows.size();
}

QVariant TessarinXMLDataSource::value(int column, bool *ok, int)
{
    if (isValid() && column >= 0 && column < m_columnNames.size()) {
        const QStringList &row = m_rows.at(recno());
        if (column < row.size()) {
            if (ok)
                *ok = true;
            return row.at(column);
        }
    }
    if (ok)
        *ok = false;
    return QVariant();
}

QVariant TessarinXMLDataSource::value(const QString &column, bool *ok, int role)
{
    const int index = columnIndexByName(column);
    if (index < 0) {
        if (ok)
            *ok = false;
        return QVariant();
    }
    return value(index, ok, role);
}

int TessarinXMLDataSource::columnIndexByName(const QString &name) const
{
    const int index = m_columnNames.indexOf(name);
    if (index >= 0)
        return index;
    if (name.startsWith(QLatin1String("col"))) {
        bool ok = false;
        const int number = name.midRef(3).toInt(&ok);
        if (ok)
            return number;
    }
    return -1;
}

QStringList TessarinXMLDataSource::keywordList()
{
    QStringList list;
    for (const QString &name : qAsConst(m_columnNames)) {
        list.append(name);
        list.append(id() + QLatin1Char('.') + name);
    }
    return list;
}

void TessarinXMLDataSource::evaluate(TessarinEvaluator *evaluator)
{
    if (!evaluator)
        return;
    QString name = rawFileName();
    evaluator->evaluate(name, TessarinItem::Parameter);
    setFileName(name);
}
