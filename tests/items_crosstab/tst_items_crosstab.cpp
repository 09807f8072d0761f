// The cross-table item: pivot aggregation, the element's round trip, and
// whole reports printed to PDF and read back with pdftotext (layout of the
// grid, blocks beside the page width, page breaks, pivot tables).

#include "tessarin.h"
#include "tessarincrosstabitem.h"
#include "tessarinpivottablemodel.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class ElementReader : public TessarinXMLReader
{
public:
    explicit ElementReader(const QString &element)
    {
        m_xml.addData(element);
        while (!m_xml.atEnd() && !m_xml.isStartElement())
            m_xml.readNext();
    }
    void init() override {}
};

QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Lines of every page, blanks collapsed, empty lines dropped.
QList<QStringList> pdfLines(const QString &file)
{
    QList<QStringList> pages;
    QString text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (text.endsWith(QLatin1Char('\f')))
        text.chop(1);
    if (text.isEmpty())
        return pages;
    for (const QString &page : text.split(QLatin1Char('\f'))) {
        QStringList lines;
        for (const QString &line : page.split(QLatin1Char('\n')))
            if (!line.simplified().isEmpty())
                lines.append(line.simplified());
        pages.append(lines);
    }
    return pages;
}

// Top of the first occurrence of a word, in mm from the page top; -1 when absent.
double wordTop(const QString &file, const QString &word)
{
    const QString html = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    const auto match = QRegularExpression(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\"[^>]*>%1</word>")
                                              .arg(QRegularExpression::escape(word)))
                           .match(html);
    return match.hasMatch() ? match.captured(1).toDouble() * 25.4 / 72.0 : -1;
}

// A definition on a 100 x 100 mm page with 10 mm margins: a static text
// data source, then the given sections.
QString definition(const QString &data, const QString &sections)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessarin version="2.0" name="crosstab" type="report">
 <options>
  <pagesize width="100" height="100">CUSTOM</pagesize>
  <topmargin>10</topmargin><bottommargin>10</bottommargin><leftmargin>10</leftmargin><rightmargin>10</rightmargin>
 </options>
 <datasources>
  <datasource id="ds" type="txt" source="static" columnDelimiter="semicolon" hasColumnHeader="true">%1</datasource>
 </datasources>
 %2
</Tessarin>)")
        .arg(data, sections);
}

const QString labels = QStringLiteral(R"(<cell ct="2"><text>Total</text></cell><cell ct="6"><text>Sum</text></cell>)");

QString crossTab(const QString &attributes, const QString &columnWidth = QStringLiteral("15"))
{
    return QStringLiteral(R"(<reportheader height="10"><crosstab posX="0" posY="0" width="80" height="10"
        datasource="ds" colWidth="%1" rowHeight="6" %2>%3</crosstab></reportheader>)")
        .arg(columnWidth, attributes, labels);
}

const QString footer = QStringLiteral(R"(<reportfooter height="8"><label posX="0" posY="0" width="30" height="6">END</label></reportfooter>)");

QString rows(const QString &header, int count, const std::function<QString(int)> &row)
{
    QStringList lines{header};
    for (int i = 0; i < count; ++i)
        lines.append(row(i));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestCrossTab : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void pivotAggregation_data();
    void pivotAggregation();
    void pivotKeysAndEmptyCells();

    void readsDefaultsAndRoundTrips();

    void smallTableWithTotals();
    void emptySourcePrintsNothing();
    void wideGridContinuesInBlocks();
    void tallTableBreaksAcrossPages();
    void unbreakableTableMovesWhole_data();
    void unbreakableTableMovesWhole();
    void pivotTables_data();
    void pivotTables();

private:
    // Runs the definition to PDF; the lines of every page.
    QList<QStringList> run(const QString &tsn, QString *pdfFile = nullptr);
    QTemporaryDir m_dir;
    int m_serial = 0;
};

void TestCrossTab::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QList<QStringList> TestCrossTab::run(const QString &tsn, QString *pdfFile)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    const QString base = m_dir.filePath(QStringLiteral("r%1").arg(++m_serial));
    QFile file(base + QStringLiteral(".tsn"));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(tsn.toUtf8());
    file.close();
    Tessarin report;
    report.setReportFile(file.fileName());
    const QString pdf = base + QStringLiteral(".pdf");
    if (!report.runReportToPdf(pdf)) {
        qWarning() << report.lastErrorMsg();
        return {};
    }
    if (pdfFile)
        *pdfFile = pdf;
    return pdfLines(pdf);
}

// ---- pivot model ------------------------------------------------------------------------

void TestCrossTab::pivotAggregation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("expected");
    QTest::newRow("count") << 0 << 8.0;
    QTest::newRow("sum") << 1 << 40.0;
    QTest::newRow("average") << 2 << 5.0;
    QTest::newRow("standard deviation") << 3 << 2.0;
    QTest::newRow("minimum") << 4 << 2.0;
    QTest::newRow("maximum") << 5 << 9.0;
    QTest::newRow("6 sums") << 6 << 40.0;
    QTest::newRow("unknown code sums") << 42 << 40.0;
}

void TestCrossTab::pivotAggregation()
{
    QFETCH(int, mode);
    QFETCH(double, expected);
    TessarinPivotTableModel model;
    model.setAggregation(mode);
    for (double v : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0})
        model.add(QStringLiteral("r"), QStringLiteral("c"), v);
    QCOMPARE(model.data(model.index(0, 0)).toDouble(), expected);
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toDouble(), expected);
}

void TestCrossTab::pivotKeysAndEmptyCells()
{
    TessarinPivotTableModel model;
    model.setAggregation(TessarinPivotTableModel::Average);
    model.add(QStringLiteral("South"), QStringLiteral("Tea"), 3);
    model.add(QStringLiteral("North"), QStringLiteral("Cocoa"), 5);
    model.add(QStringLiteral("South"), QStringLiteral("Cocoa"), 1);
    // Keys stay in the order they first came.
    QCOMPARE(model.rowKeys(), (QStringList{"South", "North"}));
    QCOMPARE(model.columnKeys(), (QStringList{"Tea", "Cocoa"}));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Cocoa"));
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("North"));
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());
    // A pair never added averages to 0 instead of dividing by zero.
    QCOMPARE(model.data(model.index(1, 0)).toDouble(), 0.0);
    QCOMPARE(model.data(model.index(1, 1)).toDouble(), 5.0);
    QVERIFY(!model.index(2, 0).isValid());

    // Keys set ahead fix the order; values still aggregate under them.
    TessarinPivotTableModel sorted;
    sorted.addKeys({"A", "B"}, {"x", "y"});
    sorted.add(QStringLiteral("B"), QStringLiteral("y"), 2);
    sorted.add(QStringLiteral("B"), QStringLiteral("y"), 3);
    QCOMPARE(sorted.rowKeys(), (QStringList{"A", "B"}));
    QCOMPARE(sorted.data(sorted.index(1, 1)).toDouble(), 5.0);
    QCOMPARE(sorted.data(sorted.index(0, 0)).toDouble(), 0.0);
}

// ---- document ---------------------------------------------------------------------------

void TestCrossTab::readsDefaultsAndRoundTrips()
{
    const QString element = QStringLiteral(
        R"(<crosstab id="ct1" posX="5" posY="2" width="80" height="20" datasource="ds" colWidth="0" rowHeight="0"
           tableSpacing="4" cellSpacing="0.5" cellPadding="1" leftMargin="1" rightMargin="2" topMargin="3"
           bottomMargin="4" showColHeader="false" showSideSummary="false" breakTable="false"
           columnTitleSource="name" hiddenColumns="2, 0,x" isPivot="true" ptSort="true" ptAgg="5"
           ptRow="a" ptColumn="b" ptValue="c" dataColumnWidth="18" totalRowHeight="9">
             <cell ct="4" dt="num" formatting="true" format="f" precision="2" fillChar="*" bgMode="1"
                   fillColor="#ff0000" foreColor="#0000ff" rotation="90" wordbreak="true">
               <border pos="2" enabled="true" lineWidth="0.5" lineColor="#00ff00"/>
               <text>NB</text>
             </cell>
             <cell ct="12"><text>ignored</text></cell>
             <unknown><deeper/></unknown>
           </crosstab>)");
    ElementReader reader(element);
    TessarinCrossTabItem item;
    QVERIFY(item.read(&reader));
    const TessarinCrossTabItemData *c = item.crossTabData();
    QCOMPARE(c->columnWidth, 24.0);
    QCOMPARE(c->rowHeight, 7.0);
    QCOMPARE(c->tableSpacing, 4.0);
    QCOMPARE(c->cellSpacing, 0.5);
    QVERIFY(!c->showColumnHeader && c->showRowHeader && !c->showSideSummary && c->showBottomSummary);
    QVERIFY(!c->breakTable);
    QCOMPARE(c->hiddenDataSourceColumns(), QStringLiteral("0,2"));
    QVERIFY(c->isHiddenDataColumn(2) && !c->isHiddenDataColumn(1));
    QVERIFY(c->isPivotTable && c->pivotSort);
    QCOMPARE(int(c->pivotAggregation), 5);
    QCOMPARE(item.regionSize(TessarinCrossTabItem::DataColumn), 18.0);
    QCOMPARE(item.regionSize(TessarinCrossTabItem::HeaderColumn), -1.0);
    // Region sizes win over the defaults, per region.
    QCOMPARE(item.cellSize(TessarinCrossTabItemCell::DataCell), QSizeF(18, 7));
    QCOMPARE(item.cellSize(TessarinCrossTabItemCell::GrandTotal), QSizeF(24, 9));
    const TessarinCrossTabItemCell &cell = item.cell(TessarinCrossTabItemCell::DataCell);
    QCOMPARE(cell.cellType(), TessarinCrossTabItemCell::DataCell);
    QCOMPARE(cell.dataType, TessarinData::Numeric);
    QCOMPARE(cell.text, QStringLiteral("NB"));
    QCOMPARE(cell.backgroundMode, TessarinCrossTabItemCell::Opaque);
    QCOMPARE(cell.borders[TessarinCrossTabItemCell::Bottom].enabled, true);
    QCOMPARE(cell.borders[TessarinCrossTabItemCell::Bottom].lineWidth, 0.5);
    QVERIFY(!cell.borders[TessarinCrossTabItemCell::Top].enabled);

    // Display text of the numeric style: formatted, and "N.B." for negatives.
    TessarinCrossTabItemCell styled = cell;
    styled.value = 3.14159;
    QCOMPARE(styled.displayText(), QStringLiteral("3.14"));
    styled.value = -1;
    QCOMPARE(styled.displayText(), QStringLiteral("N.B."));

    // What is written reads back to the same document.
    QString first;
    {
        TessarinXMLWriter writer(&first);
        QVERIFY(item.write(&writer));
    }
    ElementReader again(first);
    TessarinCrossTabItem copy;
    QVERIFY(copy.read(&again));
    QString second;
    {
        TessarinXMLWriter writer(&second);
        QVERIFY(copy.write(&writer));
    }
    QCOMPARE(second, first);
    QCOMPARE(copy.crossTabData()->pivotTableValueSource, QStringLiteral("c"));
    QCOMPARE(copy.cell(TessarinCrossTabItemCell::DataCell).fillChar, QChar('*'));
    QCOMPARE(copy.cell(TessarinCrossTabItemCell::DataCell).rotation, 90);
}

// ---- reports ----------------------------------------------------------------------------

void TestCrossTab::smallTableWithTotals()
{
    QString pdf;
    const auto pages = run(definition(QStringLiteral("name;q1;q2\nAnna;1;2\nBruno;3;4\nCarl;5;6"),
                                      crossTab(QStringLiteral(R"(columnTitleSource="name")")) + footer),
                           &pdf);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 1);
    // Records are columns, data source columns rows; the title column is no row.
    QCOMPARE(pages.at(0), (QStringList{"Anna Bruno Carl Total", "q1 1 3 5 9", "q2 2 4 6 12", "Sum 3 7 11 21", "END"}));
    // The table moved the print position to its bottom (4 rows of 6 mm from
    // the top margin), past the 10 mm section it sits in.
    QVERIFY2(wordTop(pdf, QStringLiteral("END")) >= 10 + 4 * 6 - 0.5, qPrintable(QString::number(wordTop(pdf, "END"))));
}

void TestCrossTab::emptySourcePrintsNothing()
{
    QString pdf;
    const auto pages = run(definition(QStringLiteral("name;q1"), crossTab(QString()) + footer), &pdf);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0), QStringList{"END"});
    // The section keeps its designed height: the footer follows 10 mm down.
    QVERIFY(qAbs(wordTop(pdf, QStringLiteral("END")) - 20) < 2);
}

void TestCrossTab::wideGridContinuesInBlocks()
{
    const QString data = rows(QStringLiteral("name;q1"), 6, [](int i) { return QStringLiteral("R%1;%1").arg(i + 1); });
    QString pdf;
    const auto pages =
        run(definition(data, crossTab(QStringLiteral(R"(columnTitleSource="name" tableSpacing="5")")) + footer), &pdf);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 1);
    // 80 mm of body: the row titles and four 15 mm columns, then the rest
    // below; the total column closes the last block only, with full totals.
    QCOMPARE(pages.at(0), (QStringList{"R1 R2 R3 R4", "q1 1 2 3 4", "Sum 1 2 3 4", "R5 R6 Total", "q1 5 6 21",
                                       "Sum 5 6 21", "END"}));
    const double gap = wordTop(pdf, QStringLiteral("R5")) - wordTop(pdf, QStringLiteral("R1"));
    QVERIFY2(qAbs(gap - (3 * 6 + 5)) < 0.5, qPrintable(QString::number(gap)));
}

void TestCrossTab::tallTableBreaksAcrossPages()
{
    QStringList header{QStringLiteral("name")};
    for (int i = 1; i <= 20; ++i)
        header.append(QStringLiteral("c%1").arg(i));
    const QString data = rows(header.join(QLatin1Char(';')), 2, [](int r) {
        QStringList values{QStringLiteral("X%1").arg(r)};
        for (int i = 1; i <= 20; ++i)
            values.append(QString::number(i));
        return values.join(QLatin1Char(';'));
    });
    const auto pages = run(definition(data, crossTab(QStringLiteral(R"(columnTitleSource="name")")) + footer));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 2);
    // 80 mm hold 13 rows of 6 mm: the title row and c1 to c12.
    QCOMPARE(pages.at(0).size(), 13);
    QCOMPARE(pages.at(0).first(), QStringLiteral("X0 X1 Total"));
    QCOMPARE(pages.at(0).last(), QStringLiteral("c12 12 12 24"));
    QCOMPARE(pages.at(1).first(), QStringLiteral("c13 13 13 26"));
    QCOMPARE(pages.at(1).mid(pages.at(1).size() - 2), (QStringList{"Sum 210 210 420", "END"}));
}

void TestCrossTab::unbreakableTableMovesWhole_data()
{
    QTest::addColumn<bool>("breakTable");
    QTest::newRow("breaking") << true;
    QTest::newRow("not breaking") << false;
}

void TestCrossTab::unbreakableTableMovesWhole()
{
    QFETCH(bool, breakTable);
    // 70 mm of report header leave 10 mm: room for one row of the table.
    const QString sections =
        QStringLiteral(R"(<reportheader height="70"><label posX="0" posY="0" width="30" height="6">TOP</label></reportheader>
          <reportfooter height="6"><crosstab posX="0" posY="0" width="80" height="6" datasource="ds" colWidth="15"
             rowHeight="6" columnTitleSource="name" breakTable="%1">%2</crosstab></reportfooter>)")
            .arg(breakTable ? QStringLiteral("true") : QStringLiteral("false"), labels);
    const auto pages = run(definition(QStringLiteral("name;q1;q2\nA;1;2\nB;3;4"), sections));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 2);
    const QStringList table{"A B Total", "q1 1 3 4", "q2 2 4 6", "Sum 3 7 10"};
    if (breakTable) {
        QCOMPARE(pages.at(0), (QStringList{"TOP", table.at(0)}));
        QCOMPARE(pages.at(1), table.mid(1));
    } else {
        QCOMPARE(pages.at(0), QStringList{"TOP"});
        QCOMPARE(pages.at(1), table);
    }
}

void TestCrossTab::pivotTables_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QStringList>("expected");
    const QString pivot = QStringLiteral(R"(isPivot="true" ptRow="region" ptColumn="product" ptValue="amount")");
    QTest::newRow("sum, keys as they come")
        << pivot << QStringList{"North South Total", "Tea 9 0 9", "Cocoa 4 2 6", "Sum 13 2 15"};
    // Sorting orders the keys; North/Tea still sums both of its records.
    QTest::newRow("sum, sorted keys") << pivot + QStringLiteral(R"( ptSort="true")")
                                      << QStringList{"North South Total", "Cocoa 4 2 6", "Tea 9 0 9", "Sum 13 2 15"};
    QTest::newRow("maximum") << pivot + QStringLiteral(R"( ptAgg="5")")
                             << QStringList{"North South Total", "Tea 8 0 8", "Cocoa 4 2 6", "Sum 12 2 14"};
    // Without a value column there is no pivot: the data source itself is printed.
    QTest::newRow("no value column")
        << QStringLiteral(R"(isPivot="true" ptRow="region" ptColumn="product" columnTitleSource="region")"
                          R"( showSideSummary="false")")
        << QStringList{"North South North North", "product Tea Cocoa Cocoa Tea", "amount 1 2 4 8", "Sum 1 2 4 8"};
}

void TestCrossTab::pivotTables()
{
    QFETCH(QString, attributes);
    QFETCH(QStringList, expected);
    const QString data = QStringLiteral("region;product;amount\nNorth;Tea;1\nSouth;Cocoa;2\nNorth;Cocoa;4\nNorth;Tea;8");
    const auto pages = run(definition(data, crossTab(attributes, QStringLiteral("16"))));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0), expected);
}

QTEST_MAIN(TestCrossTab)
#include "tst_items_crosstab.moc"
