// Start-up of KavrinFiskalPrinterServer: command line, listening and the log output.

#include "fiscaltestsupport.h"
#include "loghandler.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString readFile(const QString &name)
{
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestFiscalStartup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // Starts the server and waits until it accepts connections.
    bool startServer(QProcess &server, quint16 port, const QStringList &args, const QString &serialPorts = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KAVRIN_FP_SERIAL_PORTS"), serialPorts);
        server.setProcessEnvironment(env);
        server.start(QStringLiteral(FISCAL_SERVER_BINARY), QStringList{"-p", QString::number(port)} + args);
        if (!server.waitForStarted(5000))
            return false;
        return waitUntil([&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100) || server.state() == QProcess::NotRunning;
        }) && server.state() == QProcess::Running;
    }
    static void stopServer(QProcess &server)
    {
        server.terminate();
        server.waitForFinished(5000);
    }

private slots:
    void initTestCase() { qputenv("KAVRIN_FP_SERIAL_PORTS", ""); }

    void invalidCommandLineShowsHelp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("port 0") << QStringList{"-p", "0", "-d", "x"};
        QTest::newRow("port not a number") << QStringList{"-p", "12ab", "-d", "x"};
        QTest::newRow("port above 65535") << QStringList{"--port", "65536", "-d", "x"};
        QTest::newRow("no port") << QStringList{"-d", "x"};
        QTest::newRow("no serial and no device") << QStringList{"-p", "4000"};
    }
    void invalidCommandLineShowsHelp()
    {
        QFETCH(QStringList, args);
        QProcess p;
        p.start(QStringLiteral(FISCAL_SERVER_BINARY), args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString help = QString::fromUtf8(p.readAllStandardOutput()).simplified();
        for (const char *text :
             {"Kavrin Fiscal Printer Server application for printing to fiscal printer over TCP network",
              "-p, --port <port> The port that the sever listens to.",
              "-s, --serial <serial> The serial number of the fiscal printer to connect to.",
              "-d, --device <device> (Optional. if serial is not used) The device name to connect to eg. COM2, /dev/tty0.",
              "-V, --verbose (Optional) Enable logging to stderr.",
              "-l, --log <log path> (Optional) Implies -V. If set it will log to provided log file path."})
            QVERIFY2(help.contains(QLatin1String(text)), text);
    }

    void portInUseExitsWithMinusOne()
    {
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        QProcess p;
        p.start(QStringLiteral(FISCAL_SERVER_BINARY), {"-p", QString::number(occupant.serverPort()), "-d", "x", "-V"});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 255);
        QCOMPARE(p.readAllStandardError(), QByteArray());
    }

    void requestLogLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("toStderr");
        QTest::addColumn<bool>("toFile");
        const QString file = dir.filePath(QStringLiteral("server.log"));
        QTest::newRow("verbose") << QStringList{"-V"} << true << false;
        QTest::newRow("quiet") << QStringList() << false << false;
        QTest::newRow("log file implies verbose") << QStringList{"-l", file} << false << true;
    }
    void requestLogLine()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, toStderr);
        QFETCH(bool, toFile);
        const QString file = dir.filePath(QStringLiteral("server.log"));
        QFile::remove(file);
        const quint16 port = freePort();
        QProcess server;
        QVERIFY(startServer(server, port, QStringList{"-d", dir.filePath("none")} + args));
        QCOMPARE(roundTrip(port, wire("5,\x0e")), wire("5,\x0e|0"));
        stopServer(server);

        const QString body = QStringLiteral(
            "Info: Function: BYTES_AVAILABLE retValue: true \\(\\S*clientworker\\.cpp:\\d+, "
            "bool ClientWorker::execSerialPortFunc\\(QList<QByteArray>, QByteArray&\\)\\)\n");
        const QString err = QString::fromUtf8(server.readAllStandardError());
        if (toStderr) {
            QVERIFY2(QRegularExpression(
                         "\\A\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} " + body + "\\z")
                         .match(err)
                         .hasMatch(),
                     qPrintable(err));
        } else {
            QCOMPARE(err, QString());
        }
        if (toFile)
            QVERIFY2(QRegularExpression("\\A" + body + "\\z").match(readFile(file)).hasMatch(), qPrintable(readFile(file)));
        else
            QVERIFY(!QFile::exists(file));
    }

    void serialNumberOverridesDevice()
    {
        PrinterSim device(dir.filePath(QStringLiteral("device")));
        PrinterSim printer(dir.filePath(QStringLiteral("printer")));
        QVERIFY(device.start() && printer.start());
        const quint16 port = freePort();
        QProcess server;
        QVERIFY(startServer(server, port, {"-s", "DT123456", "-d", device.link}, printer.link));
        QCOMPARE(roundTrip(port, wire("1,\x0c|x")), wire("1,\x0c|-1"));
        QCOMPARE(roundTrip(port, openRequest(1)), wire("1,\x00|1"));
        QCOMPARE(roundTrip(port, wire("1,\x0c|hi")), wire("1,\x0c|2"));
        QTRY_VERIFY(printer.received().endsWith("hi"));
        QCOMPARE(device.received(), QByteArray());
        stopServer(server);
    }

    void logHandlerFormat_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");
        QTest::newRow("warning") << int(QtWarningMsg) << QByteArray("a.cpp") << QByteArray("f()") << "gone"
                                 << "Warning: gone (a.cpp:7, f())\n";
        QTest::newRow("placeholders stay") << int(QtCriticalMsg) << QByteArray("a.cpp") << QByteArray("f()")
                                           << "100%2 of %1" << "Critical: 100%2 of %1 (a.cpp:7, f())\n";
        QTest::newRow("null context") << int(QtDebugMsg) << QByteArray() << QByteArray() << "x"
                                      << "Debug: x (:7, )\n";
        QTest::newRow("unknown type") << 6 << QByteArray("a.cpp") << QByteArray("f()") << "x" << "\n";
    }
    void logHandlerFormat()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, function);
        QFETCH(QString, message);
        QFETCH(QString, line);
        const QString logFile = dir.filePath(QStringLiteral("handler.log"));
        QFile::remove(logFile);
        KAVRINFPSERVER_NS::logFilePath = logFile;
        const QMessageLogContext context(file.isNull() ? nullptr : file.constData(), 7,
                                         function.isNull() ? nullptr : function.constData(), "default");
        KAVRINFPSERVER_NS::verboseLogging = false;
        KAVRINFPSERVER_NS::logMessageHandler(QtMsgType(type), context, message);
        QVERIFY(!QFile::exists(logFile));
        KAVRINFPSERVER_NS::verboseLogging = true;
        KAVRINFPSERVER_NS::logMessageHandler(QtMsgType(type), context, message);
        KAVRINFPSERVER_NS::logMessageHandler(QtMsgType(type), context, message);
        KAVRINFPSERVER_NS::verboseLogging = false;
        QCOMPARE(readFile(logFile), line + line);
    }
};

QTEST_GUILESS_MAIN(TestFiscalStartup)
#include "tst_fiscal_startup.moc"
