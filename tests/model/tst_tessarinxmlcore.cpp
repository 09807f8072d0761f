#include <QBuffer>
#include <QtTest>

#include "tessarinsection.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

namespace {

class Reader : public TessarinXMLReader
{
public:
    void init() override {}
    // Positions the reader on the first start element of xml.
    void start(const QString &xml)
    {
        m_xml.clear();
        m_xml.addData(xml);
        m_xml.readNextStartElement();
    }
};

template <typename Fill>
QString element(const QString &name, Fill fill)
{
    QString out;
    TessarinXMLWriter writer(&out);
    writer.xml().writeStartElement(name);
    fill(writer);
    writer.xml().writeEndElement();
    return out;
}

} // namespace

// The shared layer of the definition reader and writer.
class TestTessarinXmlCore : public QObject
{
    Q_OBJECT
private slots:
    void sectionAttributes();
    void parameters();
    void writeReportsDeviceFailure();
};

void TestTessarinXmlCore::sectionAttributes()
{
    TessarinSection s;
    s.setID(QStringLiteral("RH"));
    s.setMetricHeight(12.5);
    s.setHideIfBlank(true);
    s.setCheckRole(TessarinSection::CheckSectionPlusTolerance);
    s.setOrphanedTolaranceMM(7.5);
    s.setAlternateRowBackgroundMode(TessarinSection::AlternateRowEven);
    s.setAlternateRowBackgroundColor(QColor(0x10, 0x20, 0x30));
    s.setUseDefaultAlternateRowColor(false);
    const QString xml = element(QStringLiteral("reportheader"), [&](TessarinXMLWriter &w) { w.writeSection(&s); });
    QVERIFY(xml.contains(QLatin1String("height=\"12.500\"")));

    Reader reader;
    reader.start(xml);
    TessarinSection back;
    reader.readSection(&back);
    QCOMPARE(back.tagname(), QStringLiteral("reportheader"));
    QCOMPARE(back.id(), s.id());
    QCOMPARE(back.metricHeight(), 12.5);
    QVERIFY(back.hideIfBlank());
    // Role 2 travels as "so" plus a positive tolerance.
    QCOMPARE(back.checkRole(), TessarinSection::CheckSectionPlusTolerance);
    QCOMPARE(back.alternateRowBackgroundMode(), TessarinSection::AlternateRowEven);
    QCOMPARE(back.alternateRowBackgroundColor(), QColor(0x10, 0x20, 0x30));
    QVERIFY(!back.useDefaultAlternateRowColor());

    TessarinSection plain;
    QCOMPARE(element(QStringLiteral("pagefooter"), [&](TessarinXMLWriter &w) { w.writeSection(&plain); }).trimmed(),
             QStringLiteral("<pagefooter height=\"10.000\"/>"));
    // Unlisted values and empty attributes leave the defaults.
    reader.start(QStringLiteral("<detail hideIfBlank=\"yes\" id=\"\" breakRole=\"odd\" altBackRowMode=\"x\"/>"));
    plain.setID(QStringLiteral("keep"));
    reader.readSection(&plain);
    QVERIFY(!plain.hideIfBlank());
    QCOMPARE(plain.id(), QStringLiteral("keep"));
    QCOMPARE(plain.checkRole(), TessarinSection::CheckSectionOnly);
    QCOMPARE(plain.alternateRowBackgroundMode(), TessarinSection::AlternateRowDisabled);
}

void TestTessarinXmlCore::parameters()
{
    Reader reader;
    reader.start(QStringLiteral("<parameters>"
                                "<parameter type=\"bool\" id=\"upper\">TRUE</parameter>"
                                "<par type=\"bool\" id=\"one\">1</par>"
                                "<par type=\"longlong\" id=\"ll\">9000000000</par>"
                                "<par type=\"QDate\" id=\"day\">2024-01-31</par>"
                                "<other><par id=\"hidden\"/></other>"
                                "</parameters>"));
    QHash<QString, QVariant> table;
    reader.readParameters(table);
    QCOMPARE(table.value(QStringLiteral("upper")), QVariant(false));
    QCOMPARE(table.value(QStringLiteral("one")), QVariant(true));
    QCOMPARE(table.value(QStringLiteral("ll")), QVariant(9000000000LL));
    QCOMPARE(table.value(QStringLiteral("day")), QVariant(QStringLiteral("2024-01-31")));
    QVERIFY(!table.contains(QStringLiteral("hidden")));

    // What the writer puts out reads back with the same values.
    const QHash<QString, QVariant> values{{QStringLiteral("s"), QStringLiteral("a<b")},
                                          {QStringLiteral("i"), 3},
                                          {QStringLiteral("x"), 0.5}};
    reader.start(element(QStringLiteral("parameters"), [&](TessarinXMLWriter &w) { w.writeParameters(values); }));
    QHash<QString, QVariant> back;
    reader.readParameters(back);
    QCOMPARE(back, values);
}

void TestTessarinXmlCore::writeReportsDeviceFailure()
{
    QByteArray data;
    QBuffer readOnly(&data);
    readOnly.open(QIODevice::ReadOnly);
    TessarinXMLWriter writer;
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
    QVERIFY(!writer.write(&readOnly));

    QString out;
    QVERIFY(TessarinXMLWriter(&out).write());
    QVERIFY(out.contains(QLatin1String("<Tessarin version=\"2.17.0\" name=\"noname\" type=\"report\"/>")));
}

QTEST_MAIN(TestTessarinXmlCore)
#include "tst_tessarinxmlcore.moc"
