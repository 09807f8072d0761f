#include "tablegraphtestutil.h"
#include "tessarin.h"
#include "tessarindef.h"
#include "tessarindatasource.h"
#include "tessarinevaluator.h"
#include "tessaringraphitem.h"
#include "tessaringraphrenderer.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmlwriter.h"

#include <QtTest>

namespace {

// Fills the rectangle it is given and records every call, with the item's
// parameters and the data source it was handed at that moment.
class RecordingRenderer : public TessarinGraphRenderer
{
public:
    explicit RecordingRenderer(const QString &id, QColor color = QColor(255, 0, 0))
        : m_color(color)
    {
        setId(id);
    }

    void paintItem(QPainter *painter, TessarinOutput *, const QRectF &rect, const QString &definition) override
    {
        painter->fillRect(rect, m_color);
        definitions.append(definition);
        rects.append(rect);
        parameters.append(item() ? item()->parameter(QStringLiteral("label")).toString() : QString());
        plain.append(item() ? item()->parameter(QStringLiteral("plain")).toString() : QString());
        sources.append(dataSource() ? dataSource()->id() : QString());
    }
    QString dataSourceID() const override { return wantedSource; }
    QSizeF calculateSizeMM(TessarinOutput *, const QSizeF &size, const QString &) override
    {
        return sizeAnswer.isValid() ? QSizeF(size.width(), sizeAnswer.height()) : QSizeF();
    }
    double calculateHeightMM(TessarinOutput *) override { return heightAnswer; }

    QStringList definitions, parameters, plain, sources;
    QList<QRectF> rects;
    QString wantedSource = QStringLiteral("n/a");
    QSizeF sizeAnswer;
    double heightAnswer = 0;

private:
    QColor m_color;
};

const QString rowsSource = QStringLiteral(
    "<datasource id=\"rows\" type=\"txt\" source=\"static\" hasColumnHeader=\"true\">name\nAnna\nBruno\nCarla"
    "</datasource>");

QString detailReport(const QString &graph)
{
    return QStringLiteral("<?xml version=\"1.0\"?><Tessarin version=\"2.0\" type=\"report\"><options/>"
                          "<datasources>%1</datasources><details><detail id=\"d\" height=\"12\" datasource=\"rows\"><items>"
                          "%2<field posX=\"60\" posY=\"0\" width=\"40\" height=\"5\">name</field></items></detail></details>"
                          "</Tessarin>")
        .arg(rowsSource, graph);
}

TessarinGraphItem *readGraph(TessarinDef *def, const QString &xml)
{
    TessarinXMLDefReader reader(def);
    reader.xml().addData(xml);
    while (!reader.xml().isStartElement() && !reader.xml().atEnd())
        reader.xml().readNext();
    auto *item = new TessarinGraphItem(def);
    item->read(&reader);
    return item;
}

} // namespace

class TestItemsGraph : public QObject
{
    Q_OBJECT

private slots:
    void rendererByTypeIdThenClassId()
    {
        TessarinDef def;
        RecordingRenderer byType(QStringLiteral("3"));
        RecordingRenderer byClass(QStringLiteral("pie"));
        TessarinGraphItem item(&def);
        item.setTypeId(3);
        item.setClassID(QStringLiteral("pie"));
        QVERIFY(!item.renderer());
        QVERIFY(!item.isValidLocation(0));
        def.addGraphItemRenderer(&byClass);
        QCOMPARE(item.renderer(), &byClass);
        def.addGraphItemRenderer(&byType);
        QCOMPARE(item.renderer(), &byType);
        QVERIFY(item.isValidLocation(0));
    }

    void paintsThroughRendererOrOnlyHandsToOutput()
    {
        TessarinDef def;
        TessarinGraphItem item(&def);
        item.setClassID(QStringLiteral("bar"));
        item.setMetricSize(QSizeF(20, 10));
        item.setGraphDefinition(QStringLiteral("bars: 1 2 3"));
        ImageTestOutput out(96);
        out.begin();
        item.paint(&out, QPointF(10, 10));
        QCOMPARE(out.rendered.size(), 1);
        QCOMPARE(out.countPixels(qRgb(255, 0, 0)), 0);

        RecordingRenderer renderer(QStringLiteral("bar"));
        def.addGraphItemRenderer(&renderer);
        item.paint(&out, QPointF(10, 10));
        out.end();
        QCOMPARE(out.rendered.size(), 2);
        QCOMPARE(renderer.definitions, QStringList{"bars: 1 2 3"});
        QCOMPARE(renderer.rects.first(), out.rendered.last());
        QVERIFY(out.countPixels(qRgb(255, 0, 0)) > 0);

        // Markup outputs get the item but no drawing.
        ImageTestOutput html(96, TessarinOutput::HtmlOutput);
        item.paint(&html, QPointF(0, 0));
        QCOMPARE(html.rendered.size(), 1);
        QCOMPARE(renderer.definitions.size(), 1);
    }

    void automaticHeightAsksSizeThenHeight()
    {
        TessarinDef def;
        RecordingRenderer renderer(QStringLiteral("pie"));
        def.addGraphItemRenderer(&renderer);
        TessarinGraphItem item(&def);
        item.setClassID(QStringLiteral("pie"));
        item.setMetricSize(QSizeF(40, 25));
        item.setAutoHeight(true);
        ImageTestOutput null(96, TessarinOutput::NullOutput);

        item.adjustSize(&null);
        QCOMPARE(item.measuredMetricSize(), QSizeF(40, 0)); // neither size nor height known
        QVERIFY(!item.isAdjusted());                         // a measuring pass does not freeze it

        renderer.heightAnswer = 17;
        item.adjustSize(&null);
        QCOMPARE(item.measuredMetricSize(), QSizeF(40, 17));

        renderer.sizeAnswer = QSizeF(1, 33);
        ImageTestOutput out(96);
        item.adjustSize(&out);
        QCOMPARE(item.measuredMetricSize(), QSizeF(40, 33));
        QVERIFY(item.isAdjusted());
        renderer.sizeAnswer = QSizeF(1, 50);
        item.adjustSize(&out);
        QCOMPARE(item.measuredMetricSize(), QSizeF(40, 33));
    }

    // Every record evaluates the parameter from its template again; a value
    // without '$' is passed as it is.
    void parametersEvaluatedForEveryRecord()
    {
        QTemporaryDir dir;
        RecordingRenderer renderer(QStringLiteral("chart"));
        renderer.wantedSource = QStringLiteral("rows");
        Tessarin report;
        report.addGraphItemRenderer(&renderer);
        report.setReportDefXml(detailReport(QStringLiteral(
            "<graph posX=\"0\" posY=\"0\" width=\"50\" height=\"10\" classID=\"chart\" hasParameters=\"true\">"
            "<par id=\"label\" type=\"string\">Row $D{name}</par><par id=\"plain\" type=\"string\">fixed</par>"
            "</graph>")));
        const QString pdf = dir.filePath("params.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        QCOMPARE(renderer.parameters, (QStringList{"Row Anna", "Row Bruno", "Row Carla"}));
        QCOMPARE(renderer.plain, (QStringList{"fixed", "fixed", "fixed"}));
        QCOMPARE(renderer.sources, (QStringList{"rows", "rows", "rows"}));
        QCOMPARE(pdfWords(pdfText(pdf)), (QStringList{"Anna", "Bruno", "Carla"}));
    }

    void dataSourceColumnBecomesDefinition()
    {
        QTemporaryDir dir;
        RecordingRenderer renderer(QStringLiteral("7"));
        Tessarin report;
        report.addGraphItemRenderer(&renderer);
        report.setReportDefXml(detailReport(QStringLiteral(
            "<graph posX=\"0\" posY=\"0\" width=\"50\" height=\"10\" typeId=\"7\" resource=\"datasource\">"
            "name</graph>")));
        QVERIFY2(report.runReportToPdf(dir.filePath("graph.pdf")), qPrintable(report.lastErrorMsg()));
        QCOMPARE(renderer.definitions, (QStringList{"Anna", "Bruno", "Carla"}));
        QCOMPARE(renderer.sources, (QStringList{"", "", ""})); // "n/a" names no data source
    }

    void readWriteRoundTrip_data()
    {
        QTest::addColumn<QString>("element");
        QTest::newRow("static") << QStringLiteral(
            "<graph posX=\"1\" posY=\"2\" width=\"30\" height=\"20\" classID=\"pie\">slices 3 4</graph>");
        QTest::newRow("datasource") << QStringLiteral(
            "<graph posX=\"1\" posY=\"2\" width=\"30\" height=\"20\" classID=\"pie\" resource=\"datasource\">"
            "amount</graph>");
        QTest::newRow("parameters") << QStringLiteral(
            "<graph posX=\"1\" posY=\"2\" width=\"30\" height=\"20\" classID=\"pie\" hasParameters=\"true\">"
            "<par id=\"label\" type=\"string\">$P{title}</par><par id=\"n\" type=\"int\">4</par></graph>");
    }
    void readWriteRoundTrip()
    {
        QFETCH(QString, element);
        TessarinDef def;
        QScopedPointer<TessarinGraphItem> item(readGraph(&def, element));
        QString written;
        TessarinXMLWriter writer(&written);
        item->write(&writer);
        QScopedPointer<TessarinGraphItem> again(readGraph(&def, written));
        QCOMPARE(again->classID(), QStringLiteral("pie"));
        QCOMPARE(again->sourceType(), item->sourceType());
        QCOMPARE(again->graphDefinition(), item->graphDefinition());
        QCOMPARE(again->text(), item->text());
        QCOMPARE(again->parameters(), item->parameters());
        QVERIFY(again->metricSize() == QSizeF(30, 20));
        if (item->hasParameter()) {
            QCOMPARE(again->parameter(QStringLiteral("n")), QVariant(4));
            QVERIFY(again->isDynamic());
        } else if (item->sourceType() == TessarinItem::Static) {
            QCOMPARE(again->graphDefinition(), QStringLiteral("slices 3 4"));
            QVERIFY(!again->isDynamic());
        } else {
            QCOMPARE(again->text(), QStringLiteral("amount"));
        }
    }

    // What is written is the designed template, not the last record's value.
    void writeKeepsParameterTemplates()
    {
        TessarinDef def;
        def.addParameter(QStringLiteral("title"), QStringLiteral("Sales"));
        QScopedPointer<TessarinGraphItem> item(readGraph(
            &def, QStringLiteral("<graph classID=\"pie\" hasParameters=\"true\"><par id=\"label\" "
                                 "type=\"string\">$P{title}</par></graph>")));
        TessarinEvaluator evaluator(&def);
        item->updateValue(nullptr, &evaluator);
        QCOMPARE(item->parameter(QStringLiteral("label")).toString(), QStringLiteral("Sales"));
        QString written;
        TessarinXMLWriter writer(&written);
        item->write(&writer);
        QVERIFY2(written.contains(QLatin1String("$P{title}")), qPrintable(written));
    }
};

QTEST_MAIN(TestItemsGraph)
#include "tst_items_graph.moc"
