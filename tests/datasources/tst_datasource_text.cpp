// Text and string list sources: columns, lazy reading, encodings and their
// definition attributes.
#include "dstestutil.h"

#include "tessarindef.h"
#include "tessarinerror.h"
#include "tessarinevaluator.h"
#include "tessarinstringlistdatasource.h"
#include "tessarintextdatasource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

class tst_DataSourceText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void headerlessColumnsKeepEmptyFields();
    void headerNamesColumns();
    void readsLazily();
    void seekReadsAhead();
    void encodingAndMissingFile();
    void fileNameTokens();
    void columnsWithoutOpening();
    void emptyText();
    void stringListCursor();
    void stringListFromDefinition();
    void attributesRoundTrip();

private:
    QString writeFile(const QString &name, const QByteArray &data);
    QTemporaryDir m_dir;
};

void tst_DataSourceText::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_DataSourceText::writeFile(const QString &name, const QByteArray &data)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
    return path;
}

void tst_DataSourceText::headerlessColumnsKeepEmptyFields()
{
    TessarinTextDataSource ds;
    ds.setColumnDelimiter(TessarinTextDataSource::Comma);
    ds.setSpecification(QStringLiteral("a,b,,d\ne,f,g,h"));
    QVERIFY(ds.open());
    QCOMPARE(ds.columnCount(), 4);
    QCOMPARE(ds.columnName(3), QStringLiteral("col3"));
    QVERIFY(ds.first());
    bool ok = false;
    const QVariant empty = ds.value(2, &ok);
    QVERIFY(ok);
    QVERIFY(empty.isValid());
    QCOMPARE(empty.toString(), QString());
    QCOMPARE(ds.value(QStringLiteral("col3")).toString(), QStringLiteral("d"));
    QCOMPARE(ds.value(9, &ok).toString(), QString());   // beyond the fields of the line
    QVERIFY(ok);
    QVERIFY(!ds.value(-1, &ok).isValid());
    QVERIFY(!ok);
}

void tst_DataSourceText::headerNamesColumns()
{
    TessarinTextDataSource ds;
    ds.setColumnDelimiter(TessarinTextDataSource::Semicolon);
    ds.setHasColumnHeader(true);
    ds.setSpecification(QStringLiteral("id;name\r\n7;Grace\r\n"));
    QVERIFY(ds.open());
    QCOMPARE(ds.columnIndexByName(QStringLiteral("name")), 1);
    QCOMPARE(ds.columnIndexByName(QStringLiteral("col1")), -1);
    QVERIFY(ds.next());
    QCOMPARE(ds.value(QStringLiteral("name")).toString(), QStringLiteral("Grace"));
    bool ok = true;
    QVERIFY(!ds.value(QStringLiteral("missing"), &ok).isValid());   // not the last column
    QVERIFY(!ok);
    QVERIFY(!ds.next());
    QCOMPARE(ds.rowCount(), 1);
}

void tst_DataSourceText::readsLazily()
{
    QByteArray data;
    for (int i = 0; i < 1000; ++i)
        data += QByteArray::number(i) + "\tv" + QByteArray::number(i) + '\n';
    TessarinTextDataSource ds;
    ds.setLocationType(TessarinDataSource::File);
    ds.setFileName(writeFile(QStringLiteral("lazy.txt"), data));
    QVERIFY(ds.open());
    QVERIFY(ds.next());
    QVERIFY(ds.next());
    QVERIFY(ds.next());
    QCOMPARE(ds.rowCount(), -1);   // not known before the end is reached
    QVERIFY(ds.first());
    // last() stops at the last line read so far instead of reading the file to its end.
    QVERIFY(ds.last());
    QCOMPARE(ds.value(0).toInt(), 2);
    int rows = 3;
    while (ds.next())
        ++rows;
    QCOMPARE(rows, 1000);
    QCOMPARE(ds.rowCount(), 1000);
    QCOMPARE(ds.value(1).toString(), QStringLiteral("v999"));
}

void tst_DataSourceText::seekReadsAhead()
{
    TessarinTextDataSource ds;
    ds.setSpecification(QStringLiteral("a\nb\nc\nd\n"));
    QVERIFY(!ds.seek(0));   // not open
    QVERIFY(ds.open());
    QVERIFY(ds.seek(3));
    QCOMPARE(ds.value(0).toString(), QStringLiteral("d"));
    QVERIFY(!ds.seek(4));
    QCOMPARE(ds.value(0).toString(), QStringLiteral("d"));
    QVERIFY(ds.seek(1));
    QCOMPARE(ds.value(0).toString(), QStringLiteral("b"));
}

void tst_DataSourceText::encodingAndMissingFile()
{
    QTextCodec *latin1 = QTextCodec::codecForName("ISO-8859-1");
    const QString path = writeFile(QStringLiteral("latin1.txt"), latin1->fromUnicode(QStringLiteral("Zo\u00eb|M\u00fcller\n")));
    TessarinTextDataSource ds;
    ds.setLocationType(TessarinDataSource::File);
    ds.setFileName(path);
    ds.setEncoding(QStringLiteral("ISO-8859-1"));
    ds.setColumnDelimiter(TessarinTextDataSource::VBar);
    QVERIFY(ds.open());
    QVERIFY(ds.next());
    QCOMPARE(ds.value(1).toString(), QStringLiteral("M\u00fcller"));
    QVERIFY(ds.close());

    TessarinError error;
    ds.setErrorHandler(&error);
    ds.setFileName(m_dir.filePath(QStringLiteral("absent.txt")));
    QVERIFY(!ds.open());
    QCOMPARE(error.text(), QStringLiteral("Cannot open file %1").arg(m_dir.filePath(QStringLiteral("absent.txt"))));
    QVERIFY(!ds.isOpened());
}

void tst_DataSourceText::fileNameTokens()
{
    writeFile(QStringLiteral("march.txt"), "x\n");
    TessarinDef def;
    def.addParameter(QStringLiteral("month"), QStringLiteral("march"));
    TessarinTextDataSource ds(&def);
    ds.setLocationType(TessarinDataSource::File);
    ds.setFileName(m_dir.path() + QStringLiteral("/$P{month}.txt"));
    TessarinEvaluator evaluator(&def);
    ds.evaluate(&evaluator);
    QCOMPARE(ds.rawFileName(), m_dir.filePath(QStringLiteral("march.txt")));
    QVERIFY(ds.open());
    QVERIFY(ds.next());
    QCOMPARE(ds.value(0).toString(), QStringLiteral("x"));
}

void tst_DataSourceText::columnsWithoutOpening()
{
    TessarinTextDataSource ds;
    ds.setID(QStringLiteral("people"));
    ds.setHasColumnHeader(true);
    ds.setColumnDelimiter(TessarinTextDataSource::CustomDelimiter);
    ds.setCustomDelimiterCharacter('#');
    ds.setSpecification(QStringLiteral("first#last\nAda#Lovelace\n"));
    QCOMPARE(ds.columnNames(), (QStringList{QStringLiteral("first"), QStringLiteral("last")}));
    QCOMPARE(ds.keywordList(), (QStringList{QStringLiteral("first"), QStringLiteral("people.first"),
                                            QStringLiteral("last"), QStringLiteral("people.last")}));
    QVERIFY(!ds.isOpened());
    QVERIFY(ds.open());
    QVERIFY(ds.next());
    QCOMPARE(ds.value(QStringLiteral("last")).toString(), QStringLiteral("Lovelace"));
}

void tst_DataSourceText::emptyText()
{
    TessarinTextDataSource ds;
    QVERIFY(ds.open());
    QCOMPARE(ds.columnCount(), 0);
    QVERIFY(!ds.next());
    QVERIFY(!ds.first());
    QVERIFY(!ds.isValid());
    QCOMPARE(ds.rowCount(), 0);
    QVERIFY(!ds.open());   // already open
}

void tst_DataSourceText::stringListCursor()
{
    TessarinStringListDataSource ds;
    TessarinError error;
    ds.setErrorHandler(&error);
    QVERIFY(!ds.open());
    QCOMPARE(error.text(), QStringLiteral("No StringList added to datasource"));

    ds.setStringList({QStringLiteral("alpha beta"), QStringLiteral("gamma")});
    QCOMPARE(ds.columnCount(), 1);   // the tab never occurs: the whole string is the column
    QVERIFY(ds.open());
    QVERIFY(ds.isValid());
    QCOMPARE(ds.value(0).toString(), QStringLiteral("alpha beta"));
    // seek(-1) stands before the first row, so that a scan starts with row 0.
    QVERIFY(ds.seek(-1));
    QVERIFY(!ds.isValid());
    QVERIFY(ds.next());
    QCOMPARE(ds.value(QStringLiteral("col0")).toString(), QStringLiteral("alpha beta"));
    ds.setColumnDelimiter(TessarinStringListDataSource::Space);
    QCOMPARE(ds.columnCount(), 2);
    QCOMPARE(ds.value(1).toString(), QStringLiteral("beta"));
    QVERIFY(ds.close());
    QCOMPARE(ds.stringList().size(), 2);   // the list survives closing
    QVERIFY(ds.open());
    QCOMPARE(ds.value(0).toString(), QStringLiteral("alpha"));
}

void tst_DataSourceText::stringListFromDefinition()
{
    TessarinDef def;
    def.addStringList(QStringLiteral("names"), {QStringLiteral("a;1"), QStringLiteral("b;2")});
    TessarinStringListDataSource ds(&def);
    SnippetReader reader(QStringLiteral("<datasource columnDelimiter=\"semicolon\" listID=\"names\"/>"));
    reader.setReportDef(&def);
    QVERIFY(ds.read(&reader));
    QCOMPARE(ds.listID(), QStringLiteral("names"));
    QVERIFY(ds.open());
    QVERIFY(ds.last());
    QCOMPARE(ds.value(1).toString(), QStringLiteral("2"));

    TessarinStringListDataSource missing(&def);
    SnippetReader other(QStringLiteral("<datasource listID=\"nothere\"/>"));
    other.setReportDef(&def);
    QVERIFY(!missing.read(&other));
}

void tst_DataSourceText::attributesRoundTrip()
{
    TessarinTextDataSource text;
    text.setColumnDelimiter(TessarinTextDataSource::CustomDelimiter);
    text.setCustomDelimiterCharacter('~');
    text.setHasColumnHeader(true);
    text.setEncoding(QStringLiteral("ISO-8859-2"));
    TessarinTextDataSource textCopy;
    SnippetReader reader(writtenElement(&text));
    QVERIFY(textCopy.read(&reader));
    QCOMPARE(textCopy.columnDelimiter(), TessarinTextDataSource::CustomDelimiter);
    QCOMPARE(textCopy.delimiterCharacter(), '~');
    QVERIFY(textCopy.hasColumnHeader());
    QCOMPARE(textCopy.encoding(), QStringLiteral("ISO-8859-2"));

    // The custom character is only written, and only read, with "custom".
    text.setColumnDelimiter(TessarinTextDataSource::VBar);
    text.setHasColumnHeader(false);
    const QString vbar = writtenElement(&text);
    QVERIFY(vbar.contains(QLatin1String("columnDelimiter=\"vbar\"")));
    QVERIFY(!vbar.contains(QLatin1String("customDelimChar")));
    QVERIFY(!vbar.contains(QLatin1String("hasColumnHeader")));

    TessarinStringListDataSource list;
    list.setColumnDelimiter(TessarinStringListDataSource::Comma);
    const QString listXml = writtenElement(&list);
    QVERIFY(listXml.contains(QLatin1String("columnDelimiter=\"comma\"")));
    QVERIFY(listXml.contains(QLatin1String("listID=\"\"")));
}

QTEST_GUILESS_MAIN(tst_DataSourceText)
#include "tst_datasource_text.moc"
