// The XML source's documents and the HTTP client, against a Python file
// server and a scripted HTTP server on 127.0.0.1.
#include "dstestutil.h"

#include "tessarinerror.h"
#include "tessarinhttpclient.h"
#include "tessarintextdatasource.h"
#include "tessarinxmldatasource.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char twoSources[] = R"(<?xml version="1.0"?>
<data>
  <parameters><d id="p1">first</d><d id="p2">second</d></parameters>
  <datasources>
    <datasource id="a">
      <columns><column>x</column></columns>
      <row><d>a-row</d></row>
    </datasource>
    <datasource id="b">
      <columns><column>k</column><column>v</column></columns>
      <row><d>r0</d><d>0</d><d>beyond</d></row>
      <row><d>r1</d></row>
      <row><d>r2</d><d>2</d></row>
    </datasource>
  </datasources>
</data>)";

// Answers by path: redirects, a challenge, silence, and a small body.
class ScriptedHttpServer : public QTcpServer
{
public:
    ScriptedHttpServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString &path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }
    int requests = 0;

private:
    void answer(QTcpSocket *socket)
    {
        const QByteArray request = socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        ++requests;
        const QByteArray path = request.split(' ').value(1);
        auto redirect = [](const QByteArray &to) {
            return "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n";
        };
        QByteArray head;
        QByteArray body;
        if (path == "/ok") {
            head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
            body = "arrived";
        } else if (path == "/r3") {
            head = redirect("/r2");
        } else if (path == "/r2") {
            head = redirect("r1");
        } else if (path == "/r1") {
            head = redirect(url(QStringLiteral("/ok")).toLatin1());
        } else if (path == "/loop") {
            head = redirect("/loop");
        } else if (path == "/toftp") {
            head = redirect("ftp://127.0.0.1/file.txt");
        } else if (path == "/auth") {
            head = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"reports\"\r\n";
            body = "go away";
        } else if (path == "/silent") {
            return;
        } else {
            head = "HTTP/1.1 404 Not Found\r\n";
        }
        if (!head.contains("Content-Length"))
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket->write(head + "Connection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
};

} // namespace

class tst_DataSourceXmlHttp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void onlyTheOwnDataSource();
    void parametersArePublished();
    void documentWithoutRows();
    void malformedDocumentAndFiles();
    void downloadFromFileServer();
    void textAndXmlOverHttp();
    void redirectChain();
    void redirectLimits();
    void authenticationChallenge();
    void silentServerTimesOut();

private:
    QTemporaryDir m_dir;
    QProcess m_fileServer;
    quint16 m_filePort = 0;
    ScriptedHttpServer m_scripted;
    QString fileUrl(const QString &name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_filePort).arg(name);
    }
};

void tst_DataSourceXmlHttp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_scripted.isListening());
    QFile xml(m_dir.filePath(QStringLiteral("rows.xml")));
    QVERIFY(xml.open(QIODevice::WriteOnly));
    xml.write(twoSources);
    xml.close();
    QFile text(m_dir.filePath(QStringLiteral("rows.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("name,city\nZo\xc3\xab,Graz\nAda,London\n");
    text.close();

    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    m_filePort = probe.serverPort();
    probe.close();
    m_fileServer.setWorkingDirectory(m_dir.path());
    m_fileServer.setStandardOutputFile(QProcess::nullDevice());
    m_fileServer.setStandardErrorFile(QProcess::nullDevice());
    m_fileServer.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
                        QStringLiteral("127.0.0.1"), QString::number(m_filePort)});
    QVERIFY(m_fileServer.waitForStarted(5000));
    QElapsedTimer waited;
    waited.start();
    bool up = false;
    while (!up && waited.elapsed() < 10000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_filePort);
        up = socket.waitForConnected(200);
        if (!up)
            QTest::qWait(50);
    }
    QVERIFY2(up, "the Python file server did not come up");
}

void tst_DataSourceXmlHttp::cleanupTestCase()
{
    if (m_fileServer.state() != QProcess::NotRunning) {
        m_fileServer.terminate();
        if (!m_fileServer.waitForFinished(3000))
            m_fileServer.kill();
        m_fileServer.waitForFinished(3000);
    }
}

void tst_DataSourceXmlHttp::onlyTheOwnDataSource()
{
    TessarinXMLDataSource ds;
    ds.setID(QStringLiteral("b"));
    ds.setSpecification(QString::fromUtf8(twoSources));
    QVERIFY(ds.open());
    QVERIFY(!ds.open());   // already open
    QCOMPARE(ds.columnNames(), (QStringList{QStringLiteral("k"), QStringLiteral("v")}));
    QCOMPARE(ds.rowCount(), 3);
    QVERIFY(ds.first());
    bool ok = false;
    QCOMPARE(ds.value(1, &ok).toString(), QStringLiteral("0"));
    QVERIFY(ok);
    QVERIFY(!ds.value(2, &ok).isValid());   // a third text under two columns
    QVERIFY(!ok);
    QVERIFY(ds.next());
    QVERIFY(!ds.value(QStringLiteral("v"), &ok).isValid());   // the row is short
    QVERIFY(!ok);
    QCOMPARE(ds.value(QStringLiteral("col0")).toString(), QStringLiteral("r1"));
    QCOMPARE(ds.columnIndexByName(QStringLiteral("x")), -1);
    QVERIFY(ds.last());
    QCOMPARE(ds.value(QStringLiteral("k")).toString(), QStringLiteral("r2"));
    QVERIFY(ds.close());
    QVERIFY(!ds.close());
    QCOMPARE(ds.columnCount(), 0);
}

void tst_DataSourceXmlHttp::parametersArePublished()
{
    TessarinXMLDataSource ds;
    ds.setID(QStringLiteral("a"));
    ds.setSpecification(QString::fromUtf8(twoSources));
    QVERIFY(!ds.hasParameters());
    QVERIFY(ds.open());
    QVERIFY(ds.hasParameters());
    QCOMPARE(ds.parameters().value(QStringLiteral("p1")).toString(), QStringLiteral("first"));
    QCOMPARE(ds.parameters().value(QStringLiteral("p2")).toString(), QStringLiteral("second"));
    QCOMPARE(ds.rowCount(), 1);
}

void tst_DataSourceXmlHttp::documentWithoutRows()
{
    TessarinXMLDataSource ds;
    ds.setID(QStringLiteral("nobody"));
    ds.setSpecification(QString::fromUtf8(twoSources));
    QVERIFY(ds.open());
    QCOMPARE(ds.rowCount(), 0);
    QVERIFY(!ds.next());
    QVERIFY(!ds.next());
    QVERIFY(!ds.first());
    QVERIFY(!ds.last());
    QVERIFY(!ds.isValid());
    QVERIFY(!ds.value(0).isValid());
}

void tst_DataSourceXmlHttp::malformedDocumentAndFiles()
{
    TessarinError error;
    TessarinXMLDataSource ds;
    ds.setErrorHandler(&error);
    ds.setID(QStringLiteral("b"));
    ds.setSpecification(QStringLiteral("<data><datasource id=\"b\"><row></data>"));
    QVERIFY(!ds.open());
    QVERIFY(!ds.isOpened());
    QVERIFY(!error.text().isEmpty());

    error.clear();
    ds.setLocationType(TessarinDataSource::File);
    ds.setFileName(m_dir.filePath(QStringLiteral("rows.xml")));
    QVERIFY2(ds.open(), qPrintable(error.text()));
    QCOMPARE(ds.rowCount(), 3);
    QVERIFY(ds.close());
    ds.setFileName(m_dir.filePath(QStringLiteral("none.xml")));
    QVERIFY(!ds.open());
    QCOMPARE(error.text(), QStringLiteral("Cannot open file %1").arg(m_dir.filePath(QStringLiteral("none.xml"))));
}

void tst_DataSourceXmlHttp::downloadFromFileServer()
{
    TessarinHttpClient client;
    client.setTimeout(5000);   // bounded wait should a server misbehave
    QVERIFY(client.waitForDownloadContent(fileUrl(QStringLiteral("rows.txt"))));
    QCOMPARE(client.error(), 0);
    QVERIFY(client.content().startsWith("name,city\n"));

    QVERIFY(!client.waitForDownloadContent(fileUrl(QStringLiteral("missing.txt"))));
    QCOMPARE(client.error(), -1);
    QVERIFY2(client.errorMessage().startsWith(QLatin1String("Download failed: ")), qPrintable(client.errorMessage()));
    QVERIFY(client.errorMessage().endsWith(QLatin1Char('.')));
    QVERIFY(client.content().isEmpty());

    // A download longer than the size limit fails instead of filling memory.
    QFile big(m_dir.filePath(QStringLiteral("big.bin")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(4 * 1024 * 1024, 'x'));
    big.close();
    client.setMaxContentSize(1024 * 1024);
    QVERIFY(!client.waitForDownloadContent(fileUrl(QStringLiteral("big.bin"))));
    QCOMPARE(client.error(), -1);
    QVERIFY2(client.errorMessage().startsWith(QLatin1String("Download failed: more than 1048576 bytes")),
             qPrintable(client.errorMessage()));
    QVERIFY(client.content().isEmpty());
    // The client is usable again afterwards.
    QVERIFY(client.waitForDownloadContent(fileUrl(QStringLiteral("rows.txt"))));
}

void tst_DataSourceXmlHttp::textAndXmlOverHttp()
{
    TessarinTextDataSource text;
    text.setLocationType(TessarinDataSource::Http);
    text.setFileName(fileUrl(QStringLiteral("rows.txt")));
    text.setColumnDelimiter(TessarinTextDataSource::Comma);
    text.setHasColumnHeader(true);
    QVERIFY(text.open());
    QVERIFY(text.next());
    QCOMPARE(text.value(QStringLiteral("name")).toString(), QStringLiteral("Zo\u00eb"));

    TessarinXMLDataSource xml;
    xml.setID(QStringLiteral("b"));
    xml.setLocationType(TessarinDataSource::Http);
    xml.setFileName(fileUrl(QStringLiteral("rows.xml")));
    QVERIFY(xml.open());
    QCOMPARE(xml.rowCount(), 3);

    // A failed download leaves the source without rows rather than failing the report.
    TessarinXMLDataSource gone;
    gone.setID(QStringLiteral("b"));
    gone.setLocationType(TessarinDataSource::Http);
    gone.setFileName(fileUrl(QStringLiteral("gone.xml")));
    QVERIFY(gone.open());
    QCOMPARE(gone.rowCount(), 0);
}

void tst_DataSourceXmlHttp::redirectChain()
{
    TessarinHttpClient client;
    client.setTimeout(5000);   // bounded wait should a server misbehave
    QVERIFY2(client.waitForDownloadContent(m_scripted.url(QStringLiteral("/r3"))), qPrintable(client.errorMessage()));
    QCOMPARE(client.content(), QByteArray("arrived"));
    QCOMPARE(client.url().path(), QStringLiteral("/ok"));
}

void tst_DataSourceXmlHttp::redirectLimits()
{
    TessarinHttpClient client;
    client.setTimeout(5000);   // bounded wait should a server misbehave
    const int before = m_scripted.requests;
    QVERIFY(!client.waitForDownloadContent(m_scripted.url(QStringLiteral("/loop"))));
    QCOMPARE(client.error(), -1);
    QVERIFY(client.errorMessage().startsWith(QLatin1String("Download failed: ")));
    QCOMPARE(m_scripted.requests - before, 1 + TessarinHttpClient::MaxRedirects);
    QVERIFY(client.content().isEmpty());

    QVERIFY(!client.waitForDownloadContent(m_scripted.url(QStringLiteral("/toftp"))));
    QCOMPARE(client.error(), -1);
    QVERIFY(client.errorMessage().contains(QLatin1String("ftp://")));
}

void tst_DataSourceXmlHttp::authenticationChallenge()
{
    TessarinHttpClient client;
    client.setTimeout(5000);   // bounded wait should a server misbehave
    QSignalSpy finished(&client, &TessarinHttpClient::finished);
    QVERIFY(!client.waitForDownloadContent(m_scripted.url(QStringLiteral("/auth"))));
    QCOMPARE(client.error(), -3);
    QCOMPARE(client.errorMessage(), QStringLiteral("Authentication required: reports at 127.0.0.1"));
    QVERIFY(client.content().isEmpty());
    QCOMPARE(finished.count(), 1);
    // The client is usable again afterwards.
    QVERIFY(client.waitForDownloadContent(m_scripted.url(QStringLiteral("/ok"))));
    QCOMPARE(client.content(), QByteArray("arrived"));
}

void tst_DataSourceXmlHttp::silentServerTimesOut()
{
    TessarinHttpClient client;
    client.setTimeout(300);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!client.waitForDownloadContent(m_scripted.url(QStringLiteral("/silent"))));
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(client.error(), -2);
    QCOMPARE(client.errorMessage(), QStringLiteral("Download canceled."));
    QVERIFY(client.content().isEmpty());
    QVERIFY(client.isDone());

    // A new download cancels one still running.
    client.downloadContent(m_scripted.url(QStringLiteral("/silent")));
    QVERIFY(!client.isDone());
    QVERIFY(client.waitForDownloadContent(m_scripted.url(QStringLiteral("/ok"))));
    QCOMPARE(client.content(), QByteArray("arrived"));
}

QTEST_GUILESS_MAIN(tst_DataSourceXmlHttp)
#include "tst_datasource_xml_http.moc"
