#ifndef FORMATTESTSUPPORT_H
#define FORMATTESTSUPPORT_H

// Stand-ins for item and data source classes, registered under their own
// names for a test's duration, and helpers that read and write definitions.

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinitem.h"
#include "tessarinsection.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmldefwriter.h"
#include "tessarinxmlregistry.h"

#include <QBuffer>

namespace FormatTest {

// Keeps its id, z value and text; dynamic when its element says dyn="true".
// With attributesOnly it leaves the element's content to the reader.
class ProbeItem : public TessarinItem
{
public:
    ProbeItem(TessarinDef *def, bool attributesOnly = false)
        : TessarinItem(def), m_attributesOnly(attributesOnly)
    {
    }
    using TessarinItem::paint;
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
    bool read(TessarinXMLReader *reader) override
    {
        m_probeId = reader->attrib(QStringLiteral("id"));
        setZValue(reader->attribToInt(QStringLiteral("zValue")));
        m_dynamic = reader->attribToBool(QStringLiteral("dyn"));
        if (!m_attributesOnly)
            m_text = reader->elementText();
        return true;
    }
    bool write(TessarinXMLWriter *writer) override
    {
        QXmlStreamWriter &xml = writer->xml();
        xml.writeStartElement(QStringLiteral("probe"));
        xml.writeAttribute(QStringLiteral("id"), m_probeId);
        xml.writeAttribute(QStringLiteral("zValue"), QString::number(int(zValue())));
        if (m_dynamic)
            xml.writeAttribute(QStringLiteral("dyn"), QStringLiteral("true"));
        xml.writeCharacters(m_text);
        xml.writeEndElement();
        return true;
    }
    void updateForSave() override { ++m_savedCount; }
    bool isDynamic() const override { return m_dynamic; }

    bool m_attributesOnly;
    QString m_probeId;
    QString m_text;
    bool m_dynamic = false;
    int m_savedCount = 0;
};

// A source without rows whose own attribute is "probe".
class ProbeDataSource : public TessarinDataSource
{
public:
    explicit ProbeDataSource(QObject *parent, DataSourceType type = Text) : TessarinDataSource(parent)
    {
        setDataSourceType(type);
    }
    bool read(TessarinXMLReader *reader) override
    {
        ++m_readCount;
        m_probe = reader->attrib(QStringLiteral("probe"));
        return true;
    }
    bool write(TessarinXMLWriter *writer) override
    {
        if (!m_probe.isEmpty())
            writer->xml().writeAttribute(QStringLiteral("probe"), m_probe);
        return true;
    }
    bool open() override { return true; }
    bool close() override { return true; }
    bool first() override { return false; }
    bool last() override { return false; }
    bool next() override { return false; }
    bool previous() override { return false; }
    bool hasNext() override { return false; }
    bool seek(int) override { return false; }
    int size() const override { return 0; }
    QVariant value(int, bool * = nullptr, int = -1) override { return QVariant(); }
    QVariant value(const QString &, bool * = nullptr, int = -1) override { return QVariant(); }
    bool isValid() const override { return false; }

    QString m_probe;
    int m_readCount = 0;
};

// Replaces a registry entry (or removes it, for an empty function) while in
// scope, then puts back what was there.
class ScopedRegistration
{
public:
    ScopedRegistration(const QString &element, const TessarinXMLRegistry::ItemConstructor &item)
        : m_name(element), m_item(TessarinXMLRegistry::itemConstructor(element)), m_isItem(true)
    {
        set(item, TessarinXMLRegistry::DataSourceConstructor());
    }
    ScopedRegistration(const QString &type, const TessarinXMLRegistry::DataSourceConstructor &source)
        : m_name(type), m_source(TessarinXMLRegistry::dataSourceConstructor(type)), m_isItem(false)
    {
        set(TessarinXMLRegistry::ItemConstructor(), source);
    }
    ~ScopedRegistration() { set(m_item, m_source); }

private:
    void set(const TessarinXMLRegistry::ItemConstructor &item, const TessarinXMLRegistry::DataSourceConstructor &source)
    {
        if (m_isItem && item)
            TessarinXMLRegistry::registerItem(m_name, item);
        else if (m_isItem)
            TessarinXMLRegistry::unregisterItem(m_name);
        else if (source)
            TessarinXMLRegistry::registerDataSource(m_name, source);
        else
            TessarinXMLRegistry::unregisterDataSource(m_name);
    }
    QString m_name;
    TessarinXMLRegistry::ItemConstructor m_item;
    TessarinXMLRegistry::DataSourceConstructor m_source;
    bool m_isItem;
};

inline TessarinXMLRegistry::ItemConstructor probeItem(bool attributesOnly = false)
{
    return [attributesOnly](TessarinDef *def) -> TessarinItem * { return new ProbeItem(def, attributesOnly); };
}

inline TessarinXMLRegistry::DataSourceConstructor probeSource(TessarinDataSource::DataSourceType type)
{
    return [type](TessarinDef *def) -> TessarinDataSource * { return new ProbeDataSource(def, type); };
}

inline QStringList itemIds(const TessarinSection *section)
{
    QStringList ids;
    for (TessarinItem *item : section->reportItems())
        ids.append(static_cast<ProbeItem *>(item)->m_probeId);
    return ids;
}

// The document as bytes in the given encoding, as a file gets it.
inline QByteArray writeDef(TessarinDef *def, const char *codec = "UTF-8")
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TessarinXMLDefWriter writer(def);
    writer.xml().setCodec(codec);
    writer.write(&buffer);
    return buffer.data();
}

inline bool readDef(TessarinDef *def, const QString &xml, QString *error = nullptr)
{
    TessarinXMLDefReader reader(def);
    const bool ok = reader.read(nullptr, xml);
    if (error)
        *error = reader.xml().errorString();
    return ok;
}

inline bool readDefBytes(TessarinDef *def, const QByteArray &xml)
{
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    TessarinXMLDefReader reader(def);
    return reader.read(&buffer, QString());
}

inline QString document(const QString &body)
{
    return QStringLiteral("<Tessarin version=\"2.0\" name=\"r\">") + body + QStringLiteral("</Tessarin>");
}

} // namespace FormatTest

#endif // FORMATTESTSUPPORT_H
