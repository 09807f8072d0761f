#include <QtTest>

#include "tessarinutils.h"

class TestTessarinUtils : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void placeholders();
    void relativeNamesUseReportPath();
    void fileReadingAndWriting();
    void iniAndLists();
    void numbers();
    void alignment();

private:
    QTemporaryDir m_dir;
};

void TestTessarinUtils::init()
{
    QCoreApplication::instance()->setProperty("REPORT_PATH", QVariant());
    QCoreApplication::instance()->setProperty("TESSARIN_ROOT_DIR", QVariant());
    qunsetenv("TESSARIN_DIR");
}

void TestTessarinUtils::placeholders()
{
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("  {TEMP}/a.tsn ")), QDir::tempPath() + "/a.tsn");
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("%HOME%/x")), QDir::homePath() + "/x");
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("{CURR}/x")), QDir::currentPath() + "/x");
    // Placeholders are case-sensitive.
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("/x/{temp}")), QStringLiteral("/x/{temp}"));

    qputenv("TESSARIN_DIR", "/opt/tessarin");
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("{TESSARIN_DIR}/r.tsn")),
             QStringLiteral("/opt/tessarin/r.tsn"));
    QCoreApplication::instance()->setProperty("TESSARIN_ROOT_DIR", QStringLiteral("/srv/reports"));
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("{ROOT}/r.tsn")), QStringLiteral("/srv/reports/r.tsn"));

    // URLs are left exactly as they are, spaces included.
    const QString url = QStringLiteral("http://host/{TEMP}/data.xml ");
    QCOMPARE(TessarinUtils::evaluatedFileName(url), url);
}

void TestTessarinUtils::relativeNamesUseReportPath()
{
    QVERIFY(m_dir.isValid());
    const QString defFile = m_dir.filePath(QStringLiteral("sub/report.tsn"));
    TessarinUtils::saveFilePath(QStringLiteral("REPORT_PATH"), defFile);
    QCOMPARE(QCoreApplication::instance()->property("REPORT_PATH").toString(), m_dir.filePath(QStringLiteral("sub")));

    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("logo.png")), m_dir.filePath(QStringLiteral("sub/logo.png")));
    // Not prefixed: absolute names, names with "$" and names that exist.
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("/abs/logo.png")), QStringLiteral("/abs/logo.png"));
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("$P{dir}/logo.png")), QStringLiteral("$P{dir}/logo.png"));
    QDir::setCurrent(m_dir.path());
    QVERIFY(TessarinUtils::stringToFile(QStringLiteral("here.txt"), QStringLiteral("x")));
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("here.txt")), QStringLiteral("here.txt"));

    // Without a report path a relative name stays relative instead of
    // becoming an absolute path under "/".
    QCoreApplication::instance()->setProperty("REPORT_PATH", QVariant());
    QCOMPARE(TessarinUtils::evaluatedFileName(QStringLiteral("logo.png")), QStringLiteral("logo.png"));
}

void TestTessarinUtils::fileReadingAndWriting()
{
    const QString name = m_dir.filePath(QStringLiteral("lines.txt"));
    QVERIFY(TessarinUtils::stringToFile(name, QStringLiteral("first\n\nsecond ü\n\n"), QStringLiteral("UTF-8")));
    QString text = QStringLiteral("old");
    QVERIFY(TessarinUtils::fileToString(QStringLiteral("  ") + name + QStringLiteral(" "), text));
    QCOMPARE(text, QStringLiteral("first\nsecond ü\n"));
    QVERIFY(TessarinUtils::fileToStringAll(name, text));
    QCOMPARE(text, QStringLiteral("first\n\nsecond ü\n\n"));

    // The codec is applied when writing.
    const QString latin = m_dir.filePath(QStringLiteral("latin.txt"));
    QVERIFY(TessarinUtils::stringToFile(latin, QStringLiteral("ő"), QStringLiteral("ISO-8859-2")));
    QFile raw(latin);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QCOMPARE(raw.readAll(), QByteArray("\xf5"));

    text = QStringLiteral("kept");
    QVERIFY(!TessarinUtils::fileToString(QStringLiteral("   "), text));
    QVERIFY(!TessarinUtils::fileToString(m_dir.filePath(QStringLiteral("missing")), text));
    QCOMPARE(text, QStringLiteral("kept"));
    QVERIFY(!TessarinUtils::stringToFile(m_dir.filePath(QStringLiteral("no/such/dir/f.txt")), QStringLiteral("x")));
    // Opening succeeds but the data cannot be written.
    if (QFile::exists(QStringLiteral("/dev/full")))
        QVERIFY(!TessarinUtils::stringToFile(QStringLiteral("/dev/full"), QStringLiteral("does not fit")));
}

void TestTessarinUtils::iniAndLists()
{
    const QString ini = QStringLiteral("a=1\n\nb=2=3\r\nb=9\nc\n");
    QCOMPARE(TessarinUtils::readIniSetting(ini, QStringLiteral("b")), QStringLiteral("2"));
    QCOMPARE(TessarinUtils::readIniSetting(ini, QStringLiteral("a")), QStringLiteral("1"));
    QCOMPARE(TessarinUtils::readIniSetting(ini, QStringLiteral("A")), QString());
    QCOMPARE(TessarinUtils::readIniSetting(ini, QStringLiteral("missing")), QString());

    QCOMPARE(TessarinUtils::intListToString({1, 2, 3}), QStringLiteral("1,2,3"));
    QList<int> list{7};
    TessarinUtils::stringToIntList(QStringLiteral("1,,x,3"), list);
    QCOMPARE(list, (QList<int>{1, 0, 3}));
    TessarinUtils::stringToIntList(QString(), list);
    QVERIFY(list.isEmpty());

    QCOMPARE(TessarinUtils::parse(QStringLiteral("ab[cd]ef"), QStringLiteral("["), QStringLiteral("]")),
             QStringLiteral("cd]"));
    QVERIFY(TessarinUtils::parse(QStringLiteral("ab[cd"), QStringLiteral("["), QStringLiteral("]")).isEmpty());
    QVERIFY(TessarinUtils::parse(QStringLiteral("]ab["), QStringLiteral("["), QStringLiteral("]")).isEmpty());

    const QString id = TessarinUtils::randomString(12);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-Z]{12}$")).match(id).hasMatch());
    QVERIFY(TessarinUtils::randomString(0).isEmpty());
}

void TestTessarinUtils::numbers()
{
    QCOMPARE(TessarinUtils::fround(2.346, 2), 2.35);
    QCOMPARE(TessarinUtils::fround(-2.5, 0), -2.0);
    QCOMPARE(TessarinUtils::fround(0.12345, 3), 0.123);

    QCOMPARE(TessarinUtils::standardDeviation({}), 0.0);
    QCOMPARE(TessarinUtils::standardDeviation({2, 4, 4, 4, 5, 5, 7, 9}), 2.0);
}

void TestTessarinUtils::alignment()
{
    using U = TessarinUtils;
    QCOMPARE(U::horizontalAlignment(Qt::AlignRight | Qt::AlignHCenter), Qt::Alignment(Qt::AlignHCenter));
    QCOMPARE(U::horizontalAlignment(Qt::AlignRight | Qt::AlignBottom), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(U::horizontalAlignment(Qt::AlignLeft | Qt::AlignRight), Qt::Alignment(Qt::AlignLeft));
    QCOMPARE(U::verticalAlignment(Qt::AlignBottom | Qt::AlignVCenter), Qt::Alignment(Qt::AlignVCenter));
    QCOMPARE(U::verticalAlignment(Qt::AlignBottom | Qt::AlignRight), Qt::Alignment(Qt::AlignBottom));
    QCOMPARE(U::verticalAlignment(Qt::AlignLeft), Qt::Alignment(Qt::AlignTop));

    for (int i = 0; i < 3; ++i) {
        QCOMPARE(U::horizontalAlignmentToIndex(U::indexToHorizontalAlignment(i)), i);
        QCOMPARE(U::verticalAlignmentToIndex(U::indexToVerticalAlignment(i)), i);
    }
    QCOMPARE(U::indexToHorizontalAlignment(7), Qt::Alignment(Qt::AlignLeft));
    QCOMPARE(U::verticalAlignmentToIndex(Qt::AlignHCenter | Qt::AlignBottom), 2);
}

QTEST_GUILESS_MAIN(TestTessarinUtils)
#include "tst_tessarinutils.moc"
