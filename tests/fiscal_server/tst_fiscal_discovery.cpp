// Printer port discovery: DIAG INFO framing, response validation and the search over
// real pseudo-terminals.

#include "clientworker.h"
#include "fiscaltestsupport.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QByteArray firstFrame = QByteArray::fromHex("0125205a310530303d3503");
const QByteArray sampleData = "2.00 05Apr11 1200,A7E4,0000,6,DT123456,02123456";

QByteArray responseFrame(const QByteArray &data, const QByteArray &status = QByteArray(6, '\x80'), char seq = 0x20,
                         char command = 0x5A)
{
    QByteArray body;
    body += char(0x20 + 5 + data.size() + status.size());
    body += seq;
    body += command;
    body += data + '\x04' + status + '\x05';
    QByteArray frame = '\x01' + body;
    ClientWorker::appendDiagChecksum(body, frame);
    return frame + '\x03';
}

void setPorts(const QStringList &ports)
{
    qputenv("KAVRIN_FP_SERIAL_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
}

} // namespace

class TestFiscalDiscovery : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.info=false"));
        setPorts({});
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("appended");
        QTest::newRow("first request") << QByteArray::fromHex("25205a3105") << QByteArray("00=5");
        QTest::newRow("largest sum") << QByteArray(257, '\xFF') << QByteArray("????");
        QTest::newRow("sum above 16 bits") << QByteArray(258, '\xFF') << QByteArray();
    }
    void checksum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, appended);
        QByteArray out("pre");
        QCOMPARE(ClientWorker::appendDiagChecksum(bytes, out), !appended.isEmpty());
        QCOMPARE(out, "pre" + appended);
    }

    void framesOnTheWire()
    {
        PrinterSim sim(path("wire"));
        QVERIFY(sim.start());
        ClientWorker worker(QStringLiteral("NOT-THERE"), QString());
        setPorts({sim.link});
        worker.readSerialComPortName();
        QTRY_COMPARE(sim.received(), firstFrame);
        worker.readSerialComPortName();
        QTRY_COMPARE(sim.received().mid(firstFrame.size()), QByteArray::fromHex("0125215a310530303d3603"));

        setPorts({path("missing")});
        for (int i = 3; i < 97; ++i)
            worker.readSerialComPortName();
        setPorts({sim.link});
        worker.readSerialComPortName();
        // The sequence wraps after 0x7F: the 97th frame is the first one again.
        QTRY_COMPARE(sim.received().mid(2 * firstFrame.size()), firstFrame);
        QVERIFY(worker.getPortName().isEmpty());
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("taken");
        const QString serial = QStringLiteral("DT123456");
        const QByteArray good = responseFrame(sampleData);
        auto reply = [](const QByteArray &bytes) { return QStringList{"--reply-hex", QString::fromLatin1(bytes.toHex())}; };

        QTest::newRow("matching serial") << QStringList() << serial << true;
        QTest::newRow("other serial") << QStringList() << QStringLiteral("DT654321") << false;
        QTest::newRow("serial is case-sensitive") << QStringList() << QStringLiteral("dt123456") << false;
        QTest::newRow("TEST takes any printer") << QStringList() << QStringLiteral("test") << true;
        QTest::newRow("TEST needs five fields") << QStringList{"--data", "a,b,c,d"} << QStringLiteral("TEST") << false;
        QTest::newRow("status of 5 bytes") << QStringList{"--status", "8080808080"} << serial << false;
        QTest::newRow("status of 7 bytes") << QStringList{"--status", "80808080808080"} << serial << false;
        QTest::newRow("sequence 0xAD") << QStringList{"--seq", "ad"} << serial << true;
        QTest::newRow("sequence 0x1F") << QStringList{"--seq", "1f"} << serial << false;
        QTest::newRow("sequence 0x80") << QStringList{"--seq", "80"} << serial << false;
        QTest::newRow("255 bytes") << reply(good + QByteArray(255 - good.size(), 'P')) << serial << true;
        QTest::newRow("256 bytes") << reply(good + QByteArray(256 - good.size(), 'P')) << serial << false;
        QTest::newRow("14 bytes") << reply(good.left(14)) << serial << false;
        QTest::newRow("trailing bytes") << reply(good + "xyz") << serial << true;
        QTest::newRow("wrong command") << reply(responseFrame(sampleData, QByteArray(6, '\x80'), 0x20, 0x4A)) << serial
                                       << false;
        QByteArray changed = good;
        changed[changed.size() - 2] = '\x3F';
        QTest::newRow("wrong check sum") << reply(changed) << serial << false;
        QTest::newRow("no terminator") << reply(good.left(good.size() - 1) + 'x') << serial << false;
        changed = good;
        changed[1] = char(changed.at(1) - 1);
        QTest::newRow("length misses post-amble") << reply(changed) << serial << false;
        QTest::newRow("garbage") << QStringList{"--mode", "garbage"} << serial << false;
        QTest::newRow("silent") << QStringList{"--mode", "silent"} << serial << false;
    }
    void answers()
    {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, serial);
        QFETCH(bool, taken);
        PrinterSim sim(path("answer"), simArgs);
        QVERIFY(sim.start());
        setPorts({sim.link});
        ClientWorker worker(serial, QString());
        QSignalSpy found(&worker, &ClientWorker::fiskalPrinterPortFound);
        worker.readSerialComPortName();
        QCOMPARE(found.count(), taken ? 1 : 0);
        QCOMPARE(worker.getPortName(), taken ? sim.link : QString());
    }

    void floodingDeviceDoesNotHoldTheSearch()
    {
        PrinterSim flood(path("flood"), {"--mode", "flood"});
        PrinterSim printer(path("printer"));
        QVERIFY(flood.start() && printer.start());
        setPorts({flood.link, printer.link});
        ClientWorker worker(QStringLiteral("DT123456"), QString());
        QElapsedTimer clock;
        clock.start();
        worker.readSerialComPortName();
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(worker.getPortName(), printer.link);
    }

    void withoutSerialNumberNoPortIsTouched()
    {
        PrinterSim sim(path("untouched"));
        QVERIFY(sim.start());
        setPorts({sim.link});
        auto server = startServer(QString(), path("no-such-device"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(roundTrip(server->serverPort(), openRequest(1)), wire("1,\x00|0"));
        QVERIFY(clock.elapsed() < 1000);
        QTest::qWait(200);
        QCOMPARE(sim.received(), QByteArray());
    }

    void foundPortGoesToLaterWorkers()
    {
        PrinterSim other(path("other"), {"--data", "1,2,3,4,5,DT000001"});
        PrinterSim printer(path("printer"));
        QVERIFY(other.start() && printer.start());
        setPorts({other.link, printer.link});
        auto server = startServer(QStringLiteral("DT123456"), QString());
        const quint16 port = server->serverPort();

        QCOMPARE(roundTrip(port, wire("2,\x0c|x")), wire("2,\x0c|-1"));
        QCOMPARE(roundTrip(port, openRequest(1)), wire("1,\x00|1"));
        QCOMPARE(server->currentPortName(), printer.link);
        QTRY_COMPARE(other.received(), firstFrame);
        QCOMPARE(roundTrip(port, wire("1,\x01")), wire("1,\x01"));

        QCOMPARE(roundTrip(port, wire("2,\x0c|hello")), wire("2,\x0c|5"));
        QTRY_COMPARE(printer.received(), firstFrame + "hello");
    }
};

QTEST_GUILESS_MAIN(TestFiscalDiscovery)
#include "tst_fiscal_discovery.moc"
