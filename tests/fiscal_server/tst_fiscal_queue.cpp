// The client queue and the server's behaviour under abuse, over real TCP and a real pty.

#include "clientworker.h"
#include "fiscaltestsupport.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

QByteArray writeRequest(int client, const QByteArray &data)
{
    return QByteArray::number(client) + wire(",\x0c|") + data;
}

// "VmRSS" (resident now) or "VmHWM" (peak since resetMemoryPeak()), in KiB.
qint64 memoryKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetMemoryPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

class TestFiscalQueue : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<PrinterSim> sim;
    std::unique_ptr<ServerClientMng> server;
    QByteArray simMark;
    quint16 port() const { return server->serverPort(); }
    // Bytes the printer received since init().
    QByteArray printerGot() { return sim->received().mid(simMark.size()); }
    void hold(int client)
    {
        QCOMPARE(roundTrip(port(), openRequest(client)), QByteArray::number(client) + wire(",\x00|1"));
    }
    void release(int client)
    {
        const QByteArray close = QByteArray::number(client) + wire(",\x01");
        QCOMPARE(roundTrip(port(), close), close);
    }

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
        simMark = sim->received();
    }
    void cleanup() { server.reset(); }

    void holderKeepsPrinterOthersWaitFirstCome()
    {
        hold(1);
        Client b(port(), writeRequest(2, "b"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 2; }));
        Client c(port(), writeRequest(3, "c"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 3; }));
        QCOMPARE(roundTrip(port(), writeRequest(1, "a")), wire("1,\x0c|1"));
        QVERIFY(!b.closed && !c.closed);
        release(1);
        QVERIFY(b.waitClosed() && c.waitClosed());
        QCOMPARE(b.reply, wire("2,\x0c|1"));
        QCOMPARE(c.reply, wire("3,\x0c|1"));
        QTRY_COMPARE(printerGot(), QByteArray("abc"));
        QCOMPARE(server->queueLength(), 0);
        QCOMPARE(server->registeredClientCount(), 0);
    }

    void failedRequestEndsHold_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("CLOSE with a part") << wire("1,\x01|x");
        QTest::newRow("SET_DATA_BITS 7") << wire("1,\t|\x07");
        QTest::newRow("unknown code") << wire("1,\x0f");
        QTest::newRow("negative read buffer size") << wire("1,\x07|-5");
    }
    void failedRequestEndsHold()
    {
        QFETCH(QByteArray, request);
        hold(1);
        Client b(port(), writeRequest(2, "b"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 2; }));
        roundTrip(port(), request);
        QVERIFY(b.waitClosed());
        QCOMPARE(b.reply, wire("2,\x0c|1"));
        QCOMPARE(server->queueLength(), 0);
    }

    void replacedConnectionIsClosed()
    {
        hold(1);
        Client first(port(), writeRequest(2, "x"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 2; }));
        Client second(port(), writeRequest(2, "y"));
        QVERIFY(first.waitClosed(2000));
        QCOMPARE(first.reply, QByteArray());
        QVERIFY(!second.closed);
        release(1);
        QVERIFY(second.waitClosed());
        QCOMPARE(second.reply, wire("2,\x0c|1"));
        QTRY_COMPARE(printerGot(), QByteArray("y"));
        QCOMPARE(server->pendingWorkerCount(), 0);
    }

    void queueEntryWithoutWorkerIsSkipped()
    {
        hold(1);
        QMetaObject::invokeMethod(server.get(), "mapClientInsertSlot", Q_ARG(QString, QStringLiteral("ghost#9")));
        Client b(port(), writeRequest(2, "b"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 3; }));
        release(1);
        QVERIFY(b.waitClosed());
        QCOMPARE(b.reply, wire("2,\x0c|1"));
        QCOMPARE(server->queueLength(), 0);
        QCOMPARE(roundTrip(port(), wire("3,\x0e")), wire("3,\x0e|0"));
    }

    void pendingConnectionsAreFreed()
    {
        server->setPendingTimeout(300);
        Client idle(port(), QByteArray());
        QVERIFY(idle.waitClosed(3000));

        // A client waiting in the queue is never timed out.
        hold(1);
        Client queued(port(), wire("2,\x0e"));
        QTest::qWait(700);
        QVERIFY(!queued.closed);
        release(1);
        QVERIFY(queued.waitClosed());
        QCOMPARE(queued.reply, wire("2,\x0e|0"));

        // 1000 connect-and-close cycles, 50 at a time (the listen backlog is 50).
        server->setPendingTimeout(30000);
        for (int batch = 0; batch < 20; ++batch) {
            std::vector<std::unique_ptr<Client>> clients;
            for (int i = 0; i < 50; ++i)
                clients.push_back(std::make_unique<Client>(port(), QByteArray()));
            QVERIFY(waitUntil([&] {
                return std::all_of(clients.begin(), clients.end(), [](const auto &c) {
                    return c->sock.state() == QAbstractSocket::ConnectedState;
                });
            }));
            for (int i = 0; i < 50; ++i) {
                if (i % 2) {
                    clients[i]->sock.write(wire("7,\x0e|partial"));
                    clients[i]->sock.flush();
                }
                clients[i]->sock.abort();
            }
        }
        QVERIFY(waitUntil([&] { return server->pendingWorkerCount() == 0; }));
        QCOMPARE(server->registeredClientCount(), 0);
        QCOMPARE(roundTrip(port(), wire("3,\x0e")), wire("3,\x0e|0"));
    }

    void fiveHundredQueuedClientsAnsweredInOrder()
    {
        const int count = 500;
        QVector<quintptr> stackDepths;
        connect(server.get(), &ServerClientMng::execSerialFuncSignal, this, [&stackDepths] {
            int probe = 0;
            stackDepths << reinterpret_cast<quintptr>(&probe);
        });
        hold(1);
        // All 500 connections are open at the same time; they are opened in waves of 50,
        // the listen backlog.
        std::vector<std::unique_ptr<Client>> clients;
        while (int(clients.size()) < count) {
            for (int i = 0; i < 50; ++i)
                clients.push_back(std::make_unique<Client>(port(), QByteArray()));
            QVERIFY(waitUntil([&] { return server->pendingWorkerCount() == int(clients.size()); }));
        }

        QByteArray expected;
        for (int i = 0; i < count; ++i) {
            const QByteArray data = QByteArray::number(i) + ';';
            expected += data;
            clients[i]->sock.write(writeRequest(100 + i, data));
            QVERIFY(waitUntil([&] { return server->queueLength() == i + 2; }));
        }
        stackDepths.clear();
        release(1);
        for (int i = 0; i < count; ++i) {
            QVERIFY(clients[i]->waitClosed());
            QCOMPARE(clients[i]->reply,
                     QByteArray::number(100 + i) + wire(",\x0c|") + QByteArray::number(QByteArray::number(i).size() + 1));
        }
        QTRY_COMPARE(printerGot(), expected);
        // The hand-over from one client to the next must not nest.
        QCOMPARE(stackDepths.size(), count + 1);
        const auto [low, high] = std::minmax_element(stackDepths.begin(), stackDepths.end());
        QVERIFY2(*high - *low < 256, qPrintable(QString::number(*high - *low)));
    }

    void oversizeRequestIsRefused()
    {
        const QByteArray header = wire("9,\x0e|");
        QCOMPARE(roundTrip(port(), header + QByteArray(ClientWorker::maxRequestBytes - header.size(), 'x')),
                 wire("9,\x0e|0"));

        QTest::ignoreMessage(QtWarningMsg, "Request of more than 1048576 bytes refused");
        QCOMPARE(roundTrip(port(), header + QByteArray(ClientWorker::maxRequestBytes - header.size() + 1, 'x')),
                 QByteArray());

        // A sender that never stops: the server must not keep what it sends.
        QTest::ignoreMessage(QtWarningMsg, "Request of more than 1048576 bytes refused");
        resetMemoryPeak();
        const qint64 before = memoryKiB("VmRSS");
        Client flood(port(), header);
        const QByteArray chunk(64 * 1024, 'y');
        qint64 sent = 0;
        QVERIFY(waitUntil([&] {
            if (!flood.closed && flood.sock.bytesToWrite() < 256 * 1024 && sent < 32 * 1024 * 1024) {
                flood.sock.write(chunk);
                sent += chunk.size();
            }
            return flood.closed;
        }, 20000));
        const qint64 growth = memoryKiB("VmHWM") - before;
        QVERIFY2(growth < 16 * 1024, qPrintable(QString::number(growth)));
        QCOMPARE(flood.reply, QByteArray());
        QCOMPARE(roundTrip(port(), wire("3,\x0e")), wire("3,\x0e|0"));
    }

    void clientGoneBeforeItsReply()
    {
        hold(1);
        Client b(port(), writeRequest(2, "b"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 2; }));
        b.sock.abort();
        QTest::qWait(50);
        release(1);
        QVERIFY(waitUntil([&] { return server->queueLength() == 0; }));
        QCOMPARE(roundTrip(port(), wire("3,\x0e")), wire("3,\x0e|0"));
    }

    void printerLostWhileHeld()
    {
        hold(1);
        Client b(port(), writeRequest(2, "b"));
        QVERIFY(waitUntil([&] { return server->queueLength() == 2; }));
        sim->kill();
        QFile::remove(sim->link); // the device node is gone, and no later pty may take its place
        QTest::qWait(50);
        // The lost port is closed: it cannot be opened again while the device is gone.
        QCOMPARE(roundTrip(port(), wire("1,\x0b|10")), wire("1,\x0b||-1"));
        QCOMPARE(roundTrip(port(), writeRequest(1, "a")), wire("1,\x0c|-1"));
        QVERIFY(b.waitClosed());
        QCOMPARE(b.reply, wire("2,\x0c|-1"));

        QVERIFY(sim->start());
        hold(3);
        QCOMPARE(roundTrip(port(), writeRequest(3, "c")), wire("3,\x0c|1"));
        release(3);
        QTRY_COMPARE(sim->received(), QByteArray("c"));
    }
};

QTEST_GUILESS_MAIN(TestFiscalQueue)
#include "tst_fiscal_queue.moc"
