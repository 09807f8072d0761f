#include "tablegraphtestutil.h"
#include "tessarin.h"
#include "tessarindef.h"
#include "tessarinscale.h"
#include "tessarinsection.h"
#include "tessarintableitem.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

// Two columns: a name and an amount; row r holds "Name<r>" and r + 10.
void fillModel(QStandardItemModel &model, int rows)
{
    model.clear();
    model.setColumnCount(2);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Amount")});
    for (int r = 0; r < rows; ++r) {
        auto *amount = new QStandardItem;
        amount->setData(r + 10, Qt::DisplayRole);
        model.appendRow({new QStandardItem(QStringLiteral("Name%1").arg(r)), amount});
    }
}

QString tableBody(const QString &attributes = QString(), const QString &after = QString())
{
    return QStringLiteral("<reportheader height=\"20\"><table posX=\"0\" posY=\"0\" width=\"120\" height=\"10\" "
                          "model=\"m\" tableView=\"v\" %1/></reportheader>"
                          "<details><detail id=\"d\" height=\"1\" datasource=\"one\"></detail></details>"
                          "<reportfooter height=\"8\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">"
                          "TABLE-END</label></reportfooter>%2")
        .arg(attributes, after);
}

} // namespace

class TestItemsTable : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fillModel(model, 3);
        view.setModel(&model);
        view.verticalHeader()->setDefaultSectionSize(24);
        view.setColumnWidth(0, 100);
        view.setColumnWidth(1, 80);
    }

    void scaleFactorKeepsRatioOrShrinksToWidth_data()
    {
        QTest::addColumn<double>("widthMM");
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("wide item keeps the ratio") << 180.0 << false;
        QTest::newRow("narrow item is filled exactly") << 30.0 << true;
    }
    void scaleFactorKeepsRatioOrShrinksToWidth()
    {
        QFETCH(double, widthMM);
        QFETCH(bool, shrinks);
        TessarinTableItem item;
        item.setModel(&model);
        item.setView(&view);
        item.setMetricSize(QSizeF(widthMM, 20));
        ImageTestOutput out(150);
        out.begin();
        item.paint(&out, QPointF(0, 0));
        out.end();

        const double ratio = out.scale().dpi() / out.scale().screenDpi();
        const double printedWidth =
            item.columnWidthPixel(-1) + item.columnWidthPixel(0) + item.columnWidthPixel(1);
        if (shrinks) {
            QVERIFY(item.scaleFactor() < ratio);
            QVERIFY(qAbs(printedWidth - item.tableRect().width()) < 0.01);
        } else {
            QCOMPARE(item.scaleFactor(), ratio);
            QVERIFY(printedWidth < item.tableRect().width());
        }
        QCOMPARE(out.rendered.size(), 1);
    }

    void printsNothingWithoutRowsOrWithoutModel()
    {
        QStandardItemModel empty;
        empty.setColumnCount(2);
        TessarinTableItem item;
        item.setModel(&empty);
        item.setView(&view);
        item.setMetricSize(QSizeF(100, 20));
        ImageTestOutput out(96);
        out.begin();
        item.paint(&out, QPointF(0, 0));
        item.setModel(nullptr);
        item.paint(&out, QPointF(0, 0));
        out.end();
        QVERIFY(out.rendered.isEmpty());
        QCOMPARE(out.countPixels(qRgb(255, 255, 255)), out.image().width() * out.image().height());
    }

    void backgroundRoleOnlyWithBorder_data()
    {
        QTest::addColumn<bool>("border");
        QTest::newRow("border") << true;
        QTest::newRow("no border") << false;
    }
    void backgroundRoleOnlyWithBorder()
    {
        QFETCH(bool, border);
        model.item(1, 1)->setBackground(QColor(255, 0, 0));
        TessarinTableItem item;
        item.setModel(&model);
        item.setView(&view);
        item.setShowBorder(border);
        item.setMetricSize(QSizeF(100, 20));
        ImageTestOutput out(96);
        out.begin();
        item.paint(&out, QPointF(0, 0));
        out.end();
        QCOMPARE(out.countPixels(qRgb(255, 0, 0)) > 100, border);
        QCOMPARE(out.countPixels(qRgb(224, 224, 224)) > 100, border);
    }

    void numbersGetTwoDecimalsTextStaysInPdf()
    {
        model.item(2, 1)->setData(QStringLiteral("x12"), Qt::DisplayRole);
        model.item(0, 0)->setData(QStringLiteral("12"), Qt::DisplayRole);
        QTemporaryDir dir;
        Tessarin report;
        report.addItemModel(QStringLiteral("m"), &model);
        report.addTableView(QStringLiteral("v"), &view);
        report.setReportDefXml(reportXml(tableBody(QStringLiteral("showHeaderV=\"false\""))));
        const QString pdf = dir.filePath("table.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        const QStringList words = pdfWords(pdfText(pdf));
        QCOMPARE(words, (QStringList{"Name", "Amount", "12.00", "10.00", "Name1", "11.00", "Name2", "x12",
                                     "TABLE-END"}));
    }

    void hiddenRowsAndColumnsAreLeftOut()
    {
        fillModel(model, 4);
        view.setRowHidden(2, true);
        QTemporaryDir dir;
        Tessarin report;
        report.addItemModel(QStringLiteral("m"), &model);
        report.addTableView(QStringLiteral("v"), &view);
        report.setReportDefXml(reportXml(
            tableBody(QStringLiteral("showHeaderV=\"false\" hiddenRows=\"0,9\" hiddenCols=\"1\""))));
        const QString pdf = dir.filePath("hidden.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        QCOMPARE(pdfWords(pdfText(pdf)), (QStringList{"Name", "Name1", "Name3", "TABLE-END"}));
        view.setRowHidden(2, false);
    }

    // Rows that reach the page bottom continue on the next page under a
    // repeated header; every row prints once, in order, and the section
    // after the table follows its last row.
    void longTableBreaksAndRepeatsHeader()
    {
        fillModel(model, 40);
        view.verticalHeader()->setDefaultSectionSize(40);
        QTemporaryDir dir;
        Tessarin report;
        report.addItemModel(QStringLiteral("m"), &model);
        report.addTableView(QStringLiteral("v"), &view);
        report.setReportDefXml(reportXml(tableBody(QStringLiteral("showHeaderV=\"false\""))));
        const QString pdf = dir.filePath("long.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        int pages = 0;
        const QStringList pageTexts = pdfText(pdf, &pages).split(QLatin1Char('\f'));
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        QStringList names;
        for (int p = 0; p < pages; ++p) {
            const QStringList words = pdfWords(pageTexts.value(p));
            QVERIFY2(words.mid(0, 2) == (QStringList{"Name", "Amount"}), qPrintable(words.join(' ')));
            for (const QString &w : words)
                if (w.startsWith(QLatin1String("Name")) && w != QLatin1String("Name"))
                    names.append(w);
        }
        QStringList expected;
        for (int r = 0; r < 40; ++r)
            expected.append(QStringLiteral("Name%1").arg(r));
        QCOMPARE(names, expected);
        QCOMPARE(pdfWords(pageTexts.value(pages - 1)).last(), QStringLiteral("TABLE-END"));
    }

    // A row taller than a whole page body prints once on a fresh page
    // instead of pushing blank pages ahead of it.
    void rowTallerThanPageDoesNotLoop()
    {
        fillModel(model, 2);
        view.setRowHeight(0, 2000);
        view.setRowHeight(1, 20);
        QTemporaryDir dir;
        Tessarin report;
        report.addItemModel(QStringLiteral("m"), &model);
        report.addTableView(QStringLiteral("v"), &view);
        report.setReportDefXml(reportXml(tableBody(QStringLiteral("showHeaderV=\"false\""))));
        const QString pdf = dir.filePath("tall.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        int pages = 0;
        const QString text = pdfText(pdf, &pages);
        QVERIFY2(pages <= 3, qPrintable(QString::number(pages)));
        QVERIFY(text.contains(QLatin1String("Name1")));
    }

    void unknownNamesPrintNothing()
    {
        QTemporaryDir dir;
        Tessarin report;
        report.addItemModel(QStringLiteral("m"), &model);
        report.setReportDefXml(reportXml(tableBody()));
        const QString pdf = dir.filePath("noview.pdf");
        QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
        QCOMPARE(pdfWords(pdfText(pdf)), QStringList{"TABLE-END"});
    }

    void readWriteRoundTrip()
    {
        TessarinDef def;
        def.addItemModel(QStringLiteral("m"), &model);
        def.addTableView(QStringLiteral("v"), &view);
        const QString element = QStringLiteral(
            "<table posX=\"1\" posY=\"2\" width=\"90\" height=\"30\" model=\"m\" tableView=\"v\" tableSpacing=\"1.5\" "
            "cellSpacing=\"0.5\" elidedMode=\"true\" showBorder=\"false\" showHeaderH=\"false\" showHeaderV=\"true\" "
            "hiddenRows=\"1,3\" hiddenCols=\"0\"><unknown><x/></unknown></table>");

        const auto readItem = [&](const QString &xml) {
            TessarinXMLDefReader reader(&def);
            reader.xml().addData(xml);
            while (!reader.xml().isStartElement() && !reader.xml().atEnd())
                reader.xml().readNext();
            auto *item = new TessarinTableItem(&def);
            item->read(&reader);
            return item;
        };
        QScopedPointer<TessarinTableItem> item(readItem(element));
        QCOMPARE(item->model(), &model);
        QCOMPARE(item->view(), &view);
        QCOMPARE(item->tableSpacing(), 1.5);
        QCOMPARE(item->cellSpacing(), 0.5);
        QVERIFY(item->elidedMode());
        QVERIFY(!item->showBorder());
        QVERIFY(!item->showHeaderH());
        QCOMPARE(item->hiddenRows(), (QList<int>{1, 3}));
        QCOMPARE(item->hiddenColumns(), QList<int>{0});

        QString written;
        TessarinXMLWriter writer(&written);
        item->write(&writer);
        QVERIFY(written.contains(QLatin1String("hiddenRows=\"1,3\"")));
        QScopedPointer<TessarinTableItem> again(readItem(written));
        QCOMPARE(again->modelName(), QStringLiteral("m"));
        QCOMPARE(again->view(), &view);
        QCOMPARE(again->cellSpacing(), 0.5);
        QCOMPARE(again->hiddenColumns(), QList<int>{0});
        QVERIFY(!again->showHeaderH());
        QVERIFY(again->showHeaderV());
        QVERIFY(again->metricSize() == QSizeF(90, 30));

        // Defaults stay off the list attributes.
        item->setHiddenRows({});
        item->setHiddenColumns({});
        written.clear();
        TessarinXMLWriter plain(&written);
        item->write(&plain);
        QVERIFY(!written.contains(QLatin1String("hidden")));
    }

private:
    QStandardItemModel model;
    QTableView view;
};

QTEST_MAIN(TestItemsTable)
#include "tst_items_table.moc"
