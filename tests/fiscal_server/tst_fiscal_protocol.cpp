// Request protocol of the server: every function code over real TCP and a real pty.

#include "fiscaltestsupport.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

class TestFiscalProtocol : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<PrinterSim> sim;
    std::unique_ptr<ServerClientMng> server;
    quint16 port() const { return server->serverPort(); }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.info=false"));
        qputenv("KAVRIN_FP_SERIAL_PORTS", "");
        sim = std::make_unique<PrinterSim>(dir.filePath(QStringLiteral("simA")));
        QVERIFY(sim->start());
    }
    void init()
    {
        server = startServer(QString(), sim->link);
        QVERIFY(server);
    }
    void cleanup() { server.reset(); }

    void functions_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");

        QTest::newRow("OPEN") << false << openRequest(1) << wire("1,\x00|1");
        QTest::newRow("OPEN 6 parts") << false << wire("1,\x00|\x03|p|9600|\x00|\x01") << wire("1,\x00|0");
        QTest::newRow("empty code field is OPEN") << false << wire("1,") << wire("1,|0");
        QTest::newRow("CLOSE") << true << wire("1,\x01") << wire("1,\x01");
        QTest::newRow("CLOSE 2 parts") << true << wire("1,\x01|x") << wire("1,\x01");
        QTest::newRow("WAIT_FOR_BYTES_WRITTEN") << true << wire("1,\x02|100") << wire("1,\x02|1");
        QTest::newRow("WAIT_FOR_BYTES_WRITTEN 1 part") << true << wire("1,\x02") << wire("1,\x02|0");
        QTest::newRow("WAIT_FOR_READY_READ idle") << true << wire("1,\x03|50") << wire("1,\x03|0");
        QTest::newRow("WAIT_FOR_READY_READ 3 parts") << true << wire("1,\x03|50|x") << wire("1,\x03|0");
        QTest::newRow("SET_BAUDRATE") << true << wire("1,\x04|19200|\x03") << wire("1,\x04|1");
        QTest::newRow("SET_BAUDRATE 2 parts") << true << wire("1,\x04|19200") << wire("1,\x04|0");
        QTest::newRow("SET_PARITY none") << true << wire("1,\x05|\x00") << wire("1,\x05|1");
        QTest::newRow("SET_PARITY even, pty refuses") << true << wire("1,\x05|\x02") << wire("1,\x05|0");
        QTest::newRow("SET_PARITY 1 part") << true << wire("1,\x05") << wire("1,\x05|0");
        QTest::newRow("SET_STOP_BITS") << true << wire("1,\x06|\x02") << wire("1,\x06|1");
        QTest::newRow("SET_STOP_BITS 1 part") << true << wire("1,\x06") << wire("1,\x06|0");
        QTest::newRow("SET_READ_BUFFER_SIZE") << true << wire("1,\x07|4096") << wire("1,\x07");
        QTest::newRow("SET_READ_BUFFER_SIZE 3 parts") << true << wire("1,\x07|1|2") << wire("1,\x07");
        QTest::newRow("SET_PORT_NAME") << false << wire("1,\x08|/dev/null") << wire("1,\x08");
        QTest::newRow("SET_PORT_NAME 1 part") << false << wire("1,\x08") << wire("1,\x08");
        QTest::newRow("SET_DATA_BITS 8") << true << wire("1,\t|\x08") << wire("1,\t|1");
        QTest::newRow("SET_DATA_BITS 7, pty refuses") << true << wire("1,\t|\x07") << wire("1,\t|0");
        QTest::newRow("SET_DATA_BITS 1 part") << true << wire("1,\t") << wire("1,\t|0");
        QTest::newRow("ERROR_STRING") << false << wire("1,\n") << wire("1,\n|Unknown error");
        QTest::newRow("ERROR_STRING 3 parts") << false << wire("1,\n|a|b") << wire("1,\n|Unknown error");
        QTest::newRow("READ_PORT nothing waiting") << true << wire("1,\x0b|10") << wire("1,\x0b||0");
        QTest::newRow("READ_PORT negative count") << true << wire("1,\x0b|-5") << wire("1,\x0b||-1");
        QTest::newRow("READ_PORT 1 part") << true << wire("1,\x0b") << wire("1,\x0b||-1");
        QTest::newRow("WRITE_PORT opens the port") << false << wire("1,\x0c|hello") << wire("1,\x0c|5");
        QTest::newRow("WRITE_PORT 3 parts") << false << wire("1,\x0c|a|b") << wire("1,\x0c|-1");
        QTest::newRow("CLEAR") << true << wire("1,\r|\x03") << wire("1,\r|1");
        QTest::newRow("CLEAR closed port") << false << wire("1,\r|\x03") << wire("1,\r|0");
        QTest::newRow("CLEAR 1 part") << true << wire("1,\r") << wire("1,\r|0");
        QTest::newRow("BYTES_AVAILABLE") << false << wire("1,\x0e") << wire("1,\x0e|0");
        QTest::newRow("BYTES_AVAILABLE any parts") << true << wire("1,\x0e|x|y") << wire("1,\x0e|0");
        QTest::newRow("code 0x0F") << false << wire("1,\x0f") << QByteArray();
        QTest::newRow("code 0x80") << false << wire("1,\x80") << QByteArray();
        QTest::newRow("header without comma") << false << wire("1\x0e") << QByteArray();
    }
    void functions()
    {
        QFETCH(bool, held);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        if (held)
            QCOMPARE(roundTrip(port(), openRequest(1)), wire("1,\x00|1"));
        QCOMPARE(roundTrip(port(), request), reply);
        roundTrip(port(), wire("1,\x01"));
        QCOMPARE(server->registeredClientCount(), 0);
    }

    void relaysBytesBothWays()
    {
        QCOMPARE(roundTrip(port(), openRequest(4)), wire("4,\x00|1"));
        const QByteArray before = sim->received();
        QCOMPARE(roundTrip(port(), wire("4,\x0c|hello")), wire("4,\x0c|5"));
        QTRY_COMPARE(sim->received().mid(before.size()), QByteArray("hello"));

        sim->command("send 414243");
        QCOMPARE(roundTrip(port(), wire("4,\x03|2000")), wire("4,\x03|1"));
        QTRY_COMPARE(roundTrip(port(), wire("4,\x0e")), wire("4,\x0e|3"));
        QCOMPARE(roundTrip(port(), wire("4,\x0b|2")), wire("4,\x0b|AB|2"));
        QCOMPARE(roundTrip(port(), wire("4,\x0b|100")), wire("4,\x0b|C|1"));

        // A negative wait is a bounded wait, not a failure.
        sim->command("later 300 44");
        QCOMPARE(roundTrip(port(), wire("4,\x03|-1")), wire("4,\x03|1"));
        QCOMPARE(roundTrip(port(), wire("4,\x0b|9")), wire("4,\x0b|D|1"));
        QCOMPARE(roundTrip(port(), wire("4,\x01")), wire("4,\x01"));
    }

    void clientIdsOfDifferentPeersDiffer()
    {
        // "127.0.0.1" + "23" and "127.0.0.12" + "3" must be two clients.
        Client holder(port(), openRequest(23), QHostAddress(QStringLiteral("127.0.0.1")));
        QVERIFY(holder.waitClosed());
        QCOMPARE(holder.reply, wire("23,\x00|1"));
        Client other(port(), wire("3,\x0e"), QHostAddress(QStringLiteral("127.0.0.12")));
        QTRY_COMPARE(server->queueLength(), 2);
        QVERIFY(!other.closed);
        Client close(port(), wire("23,\x01"), QHostAddress(QStringLiteral("127.0.0.1")));
        QVERIFY(other.waitClosed());
        QCOMPARE(other.reply, wire("3,\x0e|0"));
    }

    void segmentedRequestIsGathered()
    {
        server->setRequestPause(150);
        const QByteArray before = sim->received();
        Client c(port(), wire("5,\x0c|hel"));
        QTest::qWait(20);
        c.sock.write("lo wo");
        QTest::qWait(20);
        c.sock.write("rld");
        QVERIFY(c.waitClosed());
        QCOMPARE(c.reply, wire("5,\x0c|11"));
        QTRY_COMPARE(sim->received().mid(before.size()), QByteArray("hello world"));
    }
};

QTEST_GUILESS_MAIN(TestFiscalProtocol)
#include "tst_fiscal_protocol.moc"
