#include <QtTest>

#include "tessarinpageoption.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

namespace {

// A reader and a writer that handle only the options element.
class OptionsReader : public TessarinXMLReader
{
public:
    explicit OptionsReader(TessarinPageOption *target) : m_target(target) {}
    void init() override { setPageOption(m_target); }

private:
    TessarinPageOption *m_target;
};

class OptionsWriter : public TessarinXMLWriter
{
public:
    OptionsWriter(QString *out, const TessarinPageOption *source) : TessarinXMLWriter(out), m_source(source) {}
    QString reportName() override { return m_source->reportName(); }
    QString reportType() override { return m_source->reportTypeName(); }
    void writeOptions() override { m_source->write(this); }

private:
    const TessarinPageOption *m_source;
};

QString written(const TessarinPageOption &option)
{
    QString xml;
    OptionsWriter writer(&xml, &option);
    writer.write();
    return xml;
}

bool readInto(TessarinPageOption &option, const QString &xml, QString *error = nullptr)
{
    OptionsReader reader(&option);
    const bool ok = reader.read(nullptr, xml);
    if (error)
        *error = reader.xml().errorString();
    return ok;
}

QString document(const QString &optionsBody, const QString &version = QStringLiteral("2.17.0"))
{
    return QStringLiteral("<?xml version=\"1.0\"?><Tessarin version=\"%1\" name=\"r\" type=\"report\">"
                          "<options>%2</options></Tessarin>")
        .arg(version, optionsBody);
}

// Every field the options element carries, one entry each, so that a failed
// comparison names the differing field.
QStringList fields(const TessarinPageOption &o)
{
    const auto n = [](double v) { return QString::number(v); };
    const QFont f = o.defaultFont();
    return {"paper " + n(o.paperSize()) + " orientation " + n(o.pageOrientation()),
            "page " + n(o.pageWidthMM()) + " x " + n(o.pageHeightMM()),
            "margins " + n(o.topMarginMM()) + " " + n(o.bottomMarginMM()) + " " + n(o.leftMarginMM()) + " " +
                n(o.rightMarginMM()),
            "columns " + n(o.columnCount()) + " " + n(o.columnSpacing()) + " zones " + n(o.zoneSpacing()),
            "font " + f.family() + " " + n(f.pointSize()) + " " + o.defaultFontStyle(),
            "encoding " + o.encoding() + " back " + o.backColor().name(),
            "languages " + o.languages() + " " + o.currentLanguage() + " " + n(o.languageRole()),
            QStringLiteral("switches %1%2%3%4%5%6")
                .arg(o.isDoublePassMode())
                .arg(o.zonesAreBreakable())
                .arg(o.subReportOnNewPage())
                .arg(o.isDataTrimming())
                .arg(o.updateOnlyCurrentDataSourceVariables())
                .arg(o.variableErrorAlert()),
            "html [" + o.htmlBodyStyle() + "] [" + o.htmlHead() + "] custom [" + o.customData() + "]",
            "report " + o.reportName() + " " + o.reportTypeName()};
}

// Names of the options element's children, in document order.
QStringList childNames(const QString &xml)
{
    QStringList names;
    auto it = QRegularExpression(QStringLiteral("^ {8}<(\\w+)"), QRegularExpression::MultilineOption).globalMatch(xml);
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

} // namespace

class TestTessarinPageOption : public QObject
{
    Q_OBJECT
private slots:
    void paperTable();
    void paperSizeAndOrientation();
    void paperByName_data();
    void paperByName();
    void customSizeKeepsItsShape();
    void fontStyleLanguagesAndType();
    void writtenElement();
    void roundTrip_data();
    void roundTrip();
    void readingResetsOmittedFields();
    void readingTolerance();
    void documentVersions();
};

void TestTessarinPageOption::paperTable()
{
    QVector<TessarinPageOption::PageData> table;
    table.append(TessarinPageOption::PageData{});
    TessarinPageOption::loadPageDataVector(table);
    QCOMPARE(table.size(), 31);
    QCOMPARE(table.last().width, -1.0);

    for (const auto &entry : table) {
        // Every id maps back to its own name, so names and ids are unique.
        QCOMPARE(TessarinPageOption::paperSizeToName(entry.pageSizeId), entry.name);
        if (entry.name != QLatin1String("CUSTOM") && entry.name != QLatin1String("LEDGER"))
            QVERIFY2(entry.width < entry.height, qPrintable(entry.name));
    }
    QCOMPARE(int(table.at(12).pageSizeId), 16); // B10 sorts before B2
    QCOMPARE(table.at(10).height, 1456.0);
    QCOMPARE(int(table.at(21).pageSizeId), 24); // C5
    QCOMPARE(TessarinPageOption::paperSizeToName(QPagedPaintDevice::A3Extra), QStringLiteral("CUSTOM"));
}

void TestTessarinPageOption::paperSizeAndOrientation()
{
    TessarinPageOption o;
    QCOMPARE(o.pageSizeMM(), QSizeF(210, 297));
    QCOMPARE(o.purePageSize(), QSizeF(170, 267));
    QCOMPARE(o.defaultFont().family(), QStringLiteral("Arial"));
    QCOMPARE(o.defaultFont().pointSize(), 10);
    o.setPaperSize(QPagedPaintDevice::A4);
    o.setOrientation(QPrinter::Landscape);
    QCOMPARE(o.pageSizeMM(), QSizeF(297, 210));
    QCOMPARE(o.purePageSize(), QSizeF(257, 180));
    o.adjustPageSize(); // recomputing is idempotent
    QCOMPARE(o.pageSizeMM(), QSizeF(297, 210));
    o.swapOrientation();
    QCOMPARE(o.pageOrientation(), QPrinter::Portrait);
    QCOMPARE(o.pageSizeMM(), QSizeF(210, 297));

    o.setPaperSize(QPagedPaintDevice::Ledger, QPrinter::Portrait);
    QCOMPARE(o.pageSizeMM(), QSizeF(432, 279)); // stored wider than high
    o.setOrientation(QPrinter::Landscape);
    QCOMPARE(o.pageSizeMM(), QSizeF(279, 432));

    // Landscape swaps the output size whether or not the name matched.
    QSizeF size(3, 4);
    QPagedPaintDevice::PageSize id = QPagedPaintDevice::A4;
    TessarinPageOption::setPaperSizeByName(QStringLiteral("nonsense"), QPrinter::Landscape, id, size);
    QCOMPARE(id, QPagedPaintDevice::A4);
    QCOMPARE(size, QSizeF(4, 3));
}

void TestTessarinPageOption::paperByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("id");
    QTest::addColumn<QSizeF>("size");
    QTest::newRow("letter lower") << "letter" << 0 << 2 << QSizeF(216, 279);
    QTest::newRow("letter landscape") << "LETTER" << 1 << 2 << QSizeF(279, 216);
    QTest::newRow("CUSTOM") << "CUSTOM" << 0 << 30 << QSizeF(100, 50);
    QTest::newRow("CUSTOM landscape is not swapped") << "CUSTOM" << 1 << 30 << QSizeF(100, 50);
    QTest::newRow("unlisted") << "A11" << 0 << 30 << QSizeF(100, 50);
}

void TestTessarinPageOption::paperByName()
{
    QFETCH(QString, name);
    QFETCH(int, orientation);
    QFETCH(int, id);
    QFETCH(QSizeF, size);
    TessarinPageOption o;
    o.setOrientation(QPrinter::Orientation(orientation));
    o.setPaperSize(name, QSizeF(100, 50));
    QCOMPARE(int(o.paperSize()), id);
    QCOMPARE(o.pageSizeMM(), size);
}

void TestTessarinPageOption::customSizeKeepsItsShape()
{
    TessarinPageOption o;
    o.setPaperSize(QStringLiteral("CUSTOM"), QSizeF(100, 50));
    o.adjustPageSize();
    QCOMPARE(o.pageSizeMM(), QSizeF(100, 50));
    o.setOrientation(QPrinter::Landscape);
    QCOMPARE(o.pageSizeMM(), QSizeF(50, 100));
    // Recomputing or repeating the orientation must not flip it again.
    o.adjustPageSize();
    o.setOrientation(QPrinter::Landscape);
    o.setPaperSize(QPagedPaintDevice::Custom);
    QCOMPARE(o.pageSizeMM(), QSizeF(50, 100));
    o.swapOrientation();
    QCOMPARE(o.pageSizeMM(), QSizeF(100, 50));
    o.setPaperSize(QPagedPaintDevice::Custom, QPrinter::Landscape);
    QCOMPARE(o.pageSizeMM(), QSizeF(50, 100));
}

void TestTessarinPageOption::fontStyleLanguagesAndType()
{
    TessarinPageOption o;
    o.setDefaultFontStyle(QStringLiteral("UB"));
    QVERIFY(o.defaultFont().bold() && o.defaultFont().underline());
    QVERIFY(!o.defaultFont().italic() && !o.defaultFont().strikeOut());
    QCOMPARE(o.defaultFontStyle(), QStringLiteral("BU"));
    o.setDefaultFontStyle(QStringLiteral("bisu")); // the letters are case-sensitive
    QCOMPARE(o.defaultFontStyle(), QString());

    o.setLanguages(QString());
    QCOMPARE(o.languages(), QStringLiteral("00"));
    QVERIFY(!o.isMultiLanguage());
    o.setCurrentLanguage(QStringLiteral("fr"));
    o.setLanguages(QStringLiteral("enhude"));
    QCOMPARE(o.currentLanguage(), QStringLiteral("en"));
    // "nh" runs across two codes; it is not a language of the list.
    o.setCurrentLanguage(QStringLiteral("nh"));
    o.setLanguages(QStringLiteral("enhude"));
    QCOMPARE(o.currentLanguage(), QStringLiteral("en"));

    o.setReportType(QStringLiteral("TextDoc"));
    QCOMPARE(o.reportTypeName(), QStringLiteral("textdoc"));
    o.setReportType(QStringLiteral("chart"));
    QCOMPARE(o.reportType(), 0);
    o.setReportType(5);
    QVERIFY(o.reportTypeName().isNull());
}

void TestTessarinPageOption::writtenElement()
{
    TessarinPageOption o;
    const QString xml = written(o);
    QCOMPARE(childNames(xml),
             (QStringList{"encoding", "language", "langrole", "orientation", "pagesize", "topmargin", "bottommargin",
                          "leftmargin", "rightmargin", "backcolor", "columns", "columnspace", "zoneSpacing",
                          "zoneBreak", "varErrorAlert", "fontname", "fontsize", "fontstyle", "htmlBodyStyle"}));
    QVERIFY(xml.contains(QLatin1String("<pagesize width=\"210.000\" height=\"297.000\">A4</pagesize>")));
    QVERIFY(xml.contains(QLatin1String("<topmargin>15</topmargin>")));
    QVERIFY(xml.contains(QLatin1String("<Tessarin version=\"2.17.0\" name=\"Untitled\" type=\"report\">")));
    QVERIFY(!xml.contains(QLatin1String("dataTrimming")));

    o.setTopMarginMM(12.3456789);
    o.setDataTrimming(false);
    o.setDoublePassMode(true);
    o.setupdateOnlyCurrentDataSourceVariables(true);
    o.setCustomData(QStringLiteral("x"));
    const QString changed = written(o);
    QVERIFY(changed.contains(QLatin1String("<topmargin>12.3457</topmargin>")));
    QCOMPARE(childNames(changed).mid(18),
             (QStringList{"customdata", "htmlBodyStyle", "doublePass", "dataTrimming",
                          "updateOnlyCurrentDataSourceVariables"}));
}

void TestTessarinPageOption::roundTrip_data()
{
    QTest::addColumn<int>("variant");
    QTest::newRow("defaults") << 0;
    QTest::newRow("everything changed") << 1;
    QTest::newRow("custom landscape") << 2;
}

void TestTessarinPageOption::roundTrip()
{
    QFETCH(int, variant);
    TessarinPageOption o;
    if (variant == 1) {
        o.setPaperSize(QPagedPaintDevice::Letter, QPrinter::Landscape);
        o.setTopMarginMM(12.5);
        o.setLeftMarginMM(7.25);
        o.setBackColor(QColor(0x12, 0x34, 0x56));
        o.setColumnCount(2);
        o.setColumnSpacing(3.25);
        o.setDefaultFontFamily(QStringLiteral("Courier New"));
        o.setDefaultFontSize(12);
        o.setDefaultFontStyle(QStringLiteral("BIS"));
        o.setEncoding(QStringLiteral("windows-1250"));
        o.setLanguages(QStringLiteral("enhu"));
        o.setLanguageRole(1);
        o.setZonesAreBreakable(true);
        o.setVariableErrorAlert(true);
        o.setDoublePassMode(true);
        o.setSubReportOnNewPage(true);
        o.setDataTrimming(false);
        o.setupdateOnlyCurrentDataSourceVariables(true);
        o.setCustomData(QStringLiteral("app <data> & more"));
        o.setHtmlHead(QStringLiteral("<meta name=\"x\">"));
        o.setHtmlBodyStyle(QString());
        o.setReportName(QStringLiteral("Invoices"));
        o.setReportType(1);
    } else if (variant == 2) {
        o.setPaperSize(QStringLiteral("CUSTOM"), QSizeF(100, 50));
        o.setOrientation(QPrinter::Landscape);
    }

    TessarinPageOption back;
    QString error;
    QVERIFY2(readInto(back, written(o), &error), qPrintable(error));
    QCOMPARE(fields(back), fields(o));
    // Writing again gives the same text.
    QCOMPARE(written(back), written(o));
}

void TestTessarinPageOption::readingResetsOmittedFields()
{
    TessarinPageOption first;
    first.setDoublePassMode(true);
    first.setSubReportOnNewPage(true);
    first.setDataTrimming(false);
    first.setupdateOnlyCurrentDataSourceVariables(true);
    first.setCustomData(QStringLiteral("data"));
    first.setHtmlHead(QStringLiteral("<script/>"));
    first.setHtmlBodyStyle(QStringLiteral("color:red"));

    TessarinPageOption target;
    QVERIFY(readInto(target, written(first)));
    QCOMPARE(fields(target), fields(first));
    // A second definition must not inherit anything from the first one.
    QVERIFY(readInto(target, written(TessarinPageOption())));
    QCOMPARE(fields(target), fields(TessarinPageOption()));

    // An element without doublePass switches it off even when it was on.
    target.setDoublePassMode(true);
    QVERIFY(readInto(target, document(QStringLiteral("<columns>2</columns>"))));
    QVERIFY(!target.isDoublePassMode());
    QCOMPARE(target.htmlBodyStyle(), QStringLiteral("{DEFAULT}"));
}

void TestTessarinPageOption::readingTolerance()
{
    TessarinPageOption o;
    QVERIFY(readInto(o, document(QStringLiteral("<doublePass>TRUE</doublePass>"
                                                "<zoneBreak>yes</zoneBreak>"
                                                "<unknown><deeper><deepest a=\"1\">x</deepest></deeper></unknown>"
                                                "<topmargin>abc</topmargin>"
                                                "<columns>3</columns>"
                                                "<langrole>2</langrole>"
                                                "<orientation>sideways</orientation>"
                                                "<htmlOpt>margin:0</htmlOpt>"))));
    QVERIFY(o.isDoublePassMode());
    QVERIFY(!o.zonesAreBreakable());
    QCOMPARE(o.topMarginMM(), 0.0);
    QCOMPARE(o.columnCount(), 3); // read after the skipped element
    QCOMPARE(o.languageRole(), 1);
    QCOMPARE(o.pageOrientation(), QPrinter::Landscape);
    QCOMPARE(o.htmlBodyStyle(), QStringLiteral("margin:0"));

    // A comma is no decimal separator, whatever the locale.
    QVERIFY(readInto(o, document(QStringLiteral("<leftmargin>12,5</leftmargin><rightmargin>7.5</rightmargin>"))));
    QCOMPARE(o.leftMarginMM(), 0.0);
    QCOMPARE(o.rightMarginMM(), 7.5);

    // Deep nesting of unknown elements is skipped without recursion.
    const int depth = 200000;
    QString deep = document(QStringLiteral("@<columns>4</columns>"));
    deep.replace(QLatin1Char('@'), QStringLiteral("<u>").repeated(depth) + QStringLiteral("</u>").repeated(depth));
    QVERIFY(readInto(o, deep));
    QCOMPARE(o.columnCount(), 4);
}

void TestTessarinPageOption::documentVersions()
{
    const QString body = QStringLiteral("<columns>5</columns>");
    for (const char *version : {"2.0", "2.17.0", "3"}) {
        TessarinPageOption o;
        QVERIFY2(readInto(o, document(body, QLatin1String(version))), version);
        QCOMPARE(o.columnCount(), 5);
    }
    // Versions compare as text, so 10.0 is below 2.0.
    const QStringList bad{document(body, QStringLiteral("1.5")), document(body, QStringLiteral("10.0")),
                          QStringLiteral("<Tessarin><options/></Tessarin>"), QStringLiteral("<Report version=\"2.0\"/>")};
    for (const QString &xml : bad) {
        TessarinPageOption o;
        QString error;
        QVERIFY2(!readInto(o, xml, &error), qPrintable(xml));
        QCOMPARE(error, QStringLiteral("Uncompatible Tessarin file version."));
    }
    TessarinPageOption o;
    QVERIFY(!readInto(o, QStringLiteral("<Tessarin version=\"2.0\"><options>")));
}

QTEST_MAIN(TestTessarinPageOption)
#include "tst_tessarinpageoption.moc"
