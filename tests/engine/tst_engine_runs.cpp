#include "enginetestutil.h"
#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinpreviewoutput.h"

#include <QInputDialog>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

class TestEngineRuns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void emptyDataPrintsHeadersAndFootersOnce();
    void sourcesThatCannotCountTheirRows();
    void sourceThatCannotStepBack();
    void forcedCopies();
    void svgAndImagePages();
    void fileBatch();
    void reportObjectBatch();
    void iterationSource_data();
    void iterationSource();
    void masterAndChildFromSqlite();
    void textDocumentReport();
    void cancelFromAProgressSignal();
    void progressSignals();
    void applicationEvaluatorIsDetachedAfterTheRun();
    void previewOutputHasOneOwner();
    void parameterDialog_data();
    void parameterDialog();

private:
    QTemporaryDir m_dir;
};

void TestEngineRuns::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestEngineRuns::emptyDataPrintsHeadersAndFootersOnce()
{
    Tessarin report;
    report.setReportFile(engineData("empty.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 1);
    // Nothing was counted: the detail never printed.
    QCOMPARE(pdf.lines(0), (QStringList{"PH", "RH", "RF 0", "PF 1"}));
    QVERIFY(report.runReportToPreview());
    QCOMPARE(qobject_cast<TessarinPreviewOutput *>(report.output())->pageCount(), 1);
}

void TestEngineRuns::sourcesThatCannotCountTheirRows()
{
    // Text sources answer -1 rows: they must run when empty data is
    // forbidden, and their detail must not be skipped.
    CustomizedReport report;
    report.setReportFile(engineData("copies.tsn"));
    report.customize = [](TessarinDef *def) { def->dataSource("people")->setAllowEmpty(false); };
    PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.lines(0).size(), 7);

    // The same with an application source that does not tell its size.
    auto *people = new TableSource("people", {"region", "name"}, {{"West", "Wanda"}, {"West", "Will"}}, this);
    people->setRowCountUnknown(true);
    people->setAllowEmpty(false);
    Tessarin custom;
    custom.setReportFile(engineData("copies.tsn"));
    custom.addCustomDataSource(people);
    pdf = runToPdf(custom, m_dir);
    QVERIFY2(pdf.readable, qPrintable(custom.lastErrorMsg()));
    QCOMPARE(pdf.lines(0).mid(1), (QStringList{"West Wanda", "Will"}));
}

void TestEngineRuns::sourceThatCannotStepBack()
{
    // Data trimming steps back at page breaks and group footers; a source
    // that cannot (a forward-only query) must lose no row and repeat none.
    QList<QStringList> rows;
    const QStringList lines = readDataFile("sales.txt").split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1))
        rows.append(line.split(';'));
    auto *sales = new TableSource("sales", {"city", "name", "amount"}, rows, this);
    sales->setStepBack(false);
    Tessarin report;
    report.setReportFile(engineData("groups.tsn"));
    report.addCustomDataSource(sales);
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QStringList names;
    const QRegularExpression detailLine(QStringLiteral("^(\\w+) \\d+ \\d+$"));
    for (int page = 0; page < pdf.pageCount; ++page) {
        for (const QString &line : pdf.lines(page)) {
            const auto match = detailLine.match(line);
            if (match.hasMatch())
                names.append(match.captured(1));
        }
    }
    QCOMPARE(names, (QStringList{"Anna", "Arne", "Asta", "Bruno", "Bice", "Carla", "Chris", "Cora", "Cyril"}));
    QVERIFY(pdf.all().contains("Total 200"));
}

void TestEngineRuns::forcedCopies()
{
    Tessarin report;
    report.setReportFile(engineData("copies.tsn"));
    report.addParameter("title", "Copies");
    report.setForceCopies(2);
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 2);
    QCOMPARE(pdf.lines(0).first(), QStringLiteral("Copies copy 0 of 2 report 1 of 1 page 1 global 1"));
    QCOMPARE(pdf.lines(1).first(), QStringLiteral("Copies copy 1 of 2 report 1 of 1 page 1 global 2"));
    // A value hidden as a repeat at the end of one copy prints again at the
    // start of the next.
    QCOMPARE(pdf.lines(1).at(1), QStringLiteral("North Anna"));
    QCOMPARE(pdf.lines(0).mid(1), pdf.lines(1).mid(1));
}

void TestEngineRuns::svgAndImagePages()
{
    Tessarin report;
    report.setReportFile(engineData("groups.tsn"));
    QDir dir(m_dir.filePath("pages"));
    QVERIFY(dir.mkpath("."));
    QVERIFY(report.runReportToSVG(dir.filePath("report.svg")));
    QVERIFY(report.runReportToImage(dir.filePath("report.png")));
    QCOMPARE(dir.entryList({"report_p*.svg"}), (QStringList{"report_p1.svg", "report_p2.svg", "report_p3.svg"}));
    QCOMPARE(dir.entryList({"report_p*.png"}).size(), 3);
    QFile svg(dir.filePath("report_p3.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("Total 200"));
}

void TestEngineRuns::fileBatch()
{
    Tessarin report;
    report.addReportToBatch(engineData("copies.tsn"), {{"title", "Batched"}});
    report.addReportToBatch(engineData("nested.tsn"));
    report.addReportToBatch(readDataFile("empty.tsn")); // the definition as text
    QVERIFY(report.isBatchMode());
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 4);
    QCOMPARE(pdf.lines(0).first(), QStringLiteral("Batched copy 0 of 1 report 1 of 3 page 1 global 1"));
    QCOMPARE(pdf.lines(1).first(), QStringLiteral("Region North"));
    QCOMPARE(pdf.lines(3), (QStringList{"PH", "RH", "RF 0", "PF 1"}));

    QVERIFY(report.runReportToPreview());
    auto *preview = qobject_cast<TessarinPreviewOutput *>(report.output());
    QCOMPARE(preview->pageCount(), 4);
    QCOMPARE(preview->startPagesOfReports(), (QList<int>{1, 2, 4}));
}

void TestEngineRuns::reportObjectBatch()
{
    Tessarin first;
    first.setReportFile(engineData("copies.tsn"));
    first.addParameter("title", "First");
    Tessarin second;
    second.setReportFile(engineData("copies.tsn"));
    second.addParameter("title", "Second");
    QPointer<TableSource> people = new TableSource("people", {"region", "name"}, {{"East", "Erik"}}, this);
    second.addCustomDataSource(people);

    Tessarin batch;
    batch.addReportToBatch(&first);
    batch.addReportToBatch(&second);
    const PdfPages pdf = runToPdf(batch, m_dir);
    QVERIFY2(pdf.readable, qPrintable(batch.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 2);
    QCOMPARE(pdf.lines(0).first(), QStringLiteral("First copy 0 of 1 report 1 of 2 page 1 global 1"));
    QCOMPARE(pdf.lines(1), (QStringList{"Second copy 0 of 1 report 2 of 2 page 1 global 2", "East Erik"}));
    // The second report's source served the run and is still its own.
    QVERIFY(people);
    QVERIFY(!batch.reportDef()->dataSources().values().contains(people.data()));
    QCOMPARE(second.reportDef()->dataSource("people"), people.data());
}

void TestEngineRuns::iterationSource_data()
{
    QTest::addColumn<bool>("newPage");
    QTest::addColumn<int>("pages");
    QTest::newRow("one after the other") << false << 1;
    QTest::newRow("each on a new page") << true << 3;
}

void TestEngineRuns::iterationSource()
{
    QFETCH(bool, newPage);
    QFETCH(int, pages);
    CustomizedReport report;
    report.setReportFile(engineData("iteration.tsn"));
    report.customize = [=](TessarinDef *def) { def->option().setSubReportOnNewPage(newPage); };
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, pages);
    QStringList all;
    for (int i = 0; i < pdf.pageCount; ++i)
        all += pdf.lines(i);
    QCOMPARE(all, (QStringList{"Part one", "one-Anna", "one-Bruno", "End one count 2", "Part two", "two-Anna",
                               "two-Bruno", "End two count 2", "Part three", "three-Anna", "three-Bruno",
                               "End three count 2"}));
    if (newPage)
        QCOMPARE(pdf.lines(1).first(), QStringLiteral("Part two"));
}

void TestEngineRuns::masterAndChildFromSqlite()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(m_dir.filePath("orders.db"));
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec("CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT)"));
    QVERIFY(q.exec("CREATE TABLE lines (order_id INTEGER, item TEXT, qty INTEGER)"));
    QVERIFY(q.exec("INSERT INTO orders VALUES (1, 'Ada'), (2, 'Bo'), (3, 'Cy')"));
    QVERIFY(q.exec("INSERT INTO lines VALUES (1, 'apple', 3), (1, 'bread', 1), (1, 'cheese', 2), (3, 'dates', 5)"));

    Tessarin report;
    report.setReportFile(engineData("masterchild.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    // Every order walks its own lines before the next order comes; an order
    // without lines still prints.
    QCOMPARE(pdf.lines(0), (QStringList{"Order 1 has 3", "1 Ada apple 3", "1 Ada bread 1", "1 Ada cheese 2",
                                        "Order 2 has 0", "2 Bo", "Order 3 has 1", "3 Cy dates 5"}));
    db.close();
}

void TestEngineRuns::textDocumentReport()
{
    Tessarin report;
    report.setReportFile(engineData("textdoc.tsn"));
    PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 2);
    QCOMPARE(report.pageCount(), 2);
    QCOMPARE(pdf.lines(0).first(), QStringLiteral("TOP 1"));
    QCOMPARE(pdf.lines(1).last(), QStringLiteral("BOTTOM 2 of 2"));
    const QString all = pdf.all();
    QVERIFY(all.contains("Entry Anna from Oslo") && all.contains("Entry Cyril from Vienna"));
    // The internal item ends the item list; without a document it adds nothing.
    QVERIFY(!all.contains("never reached"));
    const QStringList images = runTool("pdfimages", {"-list", m_dir.filePath("out.pdf")}).split('\n').mid(2);
    QCOMPARE(images.filter(QRegularExpression("^\\s+1\\s+\\d+\\s+image\\s+8\\s+8\\b")).size(), 1);

    QTextDocument document;
    document.setHtml(QStringLiteral("<p>INTERNAL</p>"));
    report.setTextDocument(&document);
    pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.all().count("INTERNAL"), 9);
}

void TestEngineRuns::cancelFromAProgressSignal()
{
    Tessarin report;
    report.setReportFile(engineData("groups.tsn"));
    report.setProcessEvents(true);
    int lastPage = 0;
    connect(&report, qOverload<int>(&Tessarin::pageProgress), &report, [&](int page) {
        lastPage = page;
        if (page == 2)
            report.cancel();
    });
    const QString fileName = m_dir.filePath("cancelled.pdf");
    QVERIFY(!report.runReportToPdf(fileName));
    QVERIFY(report.hasError());
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("Report process cancelled."));
    QCOMPARE(lastPage, 2);
    QVERIFY(!report.reportDone());
    const PdfPages pdf = readPdf(fileName);
    QVERIFY(pdf.readable && pdf.pageCount <= 2);
}

void TestEngineRuns::progressSignals()
{
    Tessarin report;
    report.setReportFile(engineData("groups.tsn"));
    QSignalSpy open(&report, &Tessarin::dataSourceOpen);
    QSignalSpy opened(&report, &Tessarin::dataSourceOpened);
    QSignalSpy rows(&report, qOverload<int>(&Tessarin::dataRowProgress));
    QSignalSpy pages(&report, qOverload<QString>(&Tessarin::pageProgress));
    QVERIFY(report.runReportToPdf(m_dir.filePath("signals.pdf")));
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.first().first().toString(), QStringLiteral("Opening data source: sales"));
    QCOMPARE(opened.first().first().toString(), QStringLiteral("Data source opened: sales"));
    QCOMPARE(rows.count(), 8); // every move to a further row
    QCOMPARE(rows.last().first().toInt(), 8);
    QCOMPARE(pages.count(), 3);
    QCOMPARE(pages.last().first().toString(), QStringLiteral("Report is running (page 3)..."));
}

void TestEngineRuns::applicationEvaluatorIsDetachedAfterTheRun()
{
    TessarinEvaluator evaluator;
    Tessarin report;
    report.setEvaluator(&evaluator);
    report.setReportFile(engineData("groups.tsn"));
    for (int run = 0; run < 2; ++run) {
        const PdfPages pdf = runToPdf(report, m_dir);
        QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
        QCOMPARE(pdf.pageCount, 3);
        QVERIFY(!evaluator.director());
        QVERIFY(!evaluator.section());
    }
}

void TestEngineRuns::previewOutputHasOneOwner()
{
    auto *owner = new Tessarin;
    Tessarin &report = *owner;
    report.setReportFile(engineData("groups.tsn"));
    QVERIFY(report.runReportToPreview());
    QPointer<TessarinOutput> shown = report.takeOutput();
    QVERIFY(shown && !report.output());
    // Running again, to the preview or elsewhere, leaves the pages alone.
    QVERIFY(report.runReportToPreview());
    QVERIFY(report.runReportToPdf(m_dir.filePath("again.pdf")));
    report.reset(false);
    delete owner;
    QVERIFY(shown);
    QCOMPARE(qobject_cast<TessarinPreviewOutput *>(shown.data())->pageCount(), 3);
    delete shown.data();
}

void TestEngineRuns::parameterDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestEngineRuns::parameterDialog()
{
    QFETCH(bool, accept);
    Tessarin report;
    report.setReportFile(engineData("copies.tsn"));
    report.addParameter("factor", "{GET}");
    report.addParameter("factor_DEFAULT", 2.5);
    double offered = 0;
    QString label;
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    }
    QTimer::singleShot(0, this, [&]() {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        offered = dialog->doubleValue();
        label = dialog->labelText();
        if (accept) {
            dialog->setDoubleValue(4.5);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
    const QString fileName = m_dir.filePath("asked.pdf");
    QFile::remove(fileName);
    QCOMPARE(report.runReportToPdf(fileName), accept);
    QCOMPARE(offered, 2.5);
    QCOMPARE(label, QStringLiteral("factor:"));
    if (accept) {
        QCOMPARE(report.reportDef()->parameter("factor").toDouble(), 4.5);
    } else {
        QCOMPARE(report.lastErrorMsg(), QStringLiteral("Parameter factor input is cancelled by the user."));
        QVERIFY(!QFile::exists(fileName));
    }
}

QTEST_MAIN(TestEngineRuns)
#include "tst_engine_runs.moc"
