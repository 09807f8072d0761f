// Feeds arbitrary bytes to the report definition reader. Whatever it accepts
// must also survive the writer: once written and read back, writing and
// reading again must give the same bytes.

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinitem.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmldefwriter.h"
#include "tessarinxmlregistry.h"

#include <QApplication>
#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Stands in for item classes: reads its id and leaves the content to the
// reader, which is the path an attribute-only item takes.
class FuzzItem : public TessarinItem
{
public:
    explicit FuzzItem(TessarinDef *def)
        : TessarinItem(def)
    {
    }
    using TessarinItem::paint;
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
    bool read(TessarinXMLReader *reader) override
    {
        m_name = reader->attrib(QStringLiteral("id"));
        setZValue(reader->attribToInt(QStringLiteral("zValue")));
        return true;
    }
    bool write(TessarinXMLWriter *writer) override
    {
        writer->xml().writeStartElement(QStringLiteral("fuzzitem"));
        writer->xml().writeAttribute(QStringLiteral("id"), m_name);
        writer->xml().writeAttribute(QStringLiteral("zValue"), QString::number(int(zValue())));
        writer->xml().writeEndElement();
        return true;
    }
    QString m_name;
};

// Stands in for the data source types that have no class yet.
class FuzzDataSource : public TessarinDataSource
{
public:
    FuzzDataSource(QObject *parent, DataSourceType type)
        : TessarinDataSource(parent)
    {
        setDataSourceType(type);
    }
    bool open() override { return false; }
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
};

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

QByteArray writeDefinition(TessarinDef *def)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TessarinXMLDefWriter writer(def);
    writer.xml().setCodec("UTF-8");
    writer.write(&buffer);
    return buffer.data();
}

bool readDefinition(TessarinDef *def, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TessarinXMLDefReader reader(def);
    return reader.read(&buffer, QString());
}

[[noreturn]] void fail(const char *what, const QByteArray &first, const QByteArray &second)
{
    std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, first.constData(), second.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    // Sections are graphics scenes and want an application object.
    static int appArgc = *argc;
    static QApplication app(appArgc, *argv);

    TessarinXMLRegistry::registerItem(QStringLiteral("fuzzitem"),
                                      [](TessarinDef *def) -> TessarinItem * { return new FuzzItem(def); });
    for (int type = TessarinDataSource::SQL; type < TessarinDataSource::Custom; ++type) {
        const QString name = TessarinDataSource::dataSourceTypeName(type);
        if (!TessarinXMLRegistry::hasDataSource(name)) {
            TessarinXMLRegistry::registerDataSource(name, [type](TessarinDef *def) -> TessarinDataSource * {
                return new FuzzDataSource(def, TessarinDataSource::DataSourceType(type));
            });
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    TessarinDef def;
    if (!readDefinition(&def, input))
        return 0;

    // Items without an id are written with "%", which reads as a fresh
    // random id; from the second writing on nothing may change.
    const QByteArray first = writeDefinition(&def);
    TessarinDef again;
    if (!readDefinition(&again, first))
        fail("written definition does not read back", first, QByteArray());
    const QByteArray second = writeDefinition(&again);
    TessarinDef third;
    if (!readDefinition(&third, second))
        fail("written definition does not read back", second, QByteArray());
    const QByteArray last = writeDefinition(&third);
    if (last != second)
        fail("written definition changes when read back", second, last);
    return 0;
}
