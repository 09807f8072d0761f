// Usage: fiscal_server_bench [iterations]
// Starts tools/printer_sim.py (echo mode) and the server on a free port, then prints the
// median and 99th percentile round trip of BYTES_AVAILABLE and of a 64-byte WRITE_PORT +
// READ_PORT through the server beside the same operations done directly on the pty, and
// the requests per second that the server answers with 50 clients queued.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const char GS = 0x1D;
quint16 serverPort = 0;

QByteArray request(int client, char code, const QList<QByteArray> &args = {})
{
    QByteArray r = QByteArray::number(client) + ',' + code;
    for (const QByteArray &a : args)
        r += GS + a;
    return r;
}

QByteArray roundTrip(const QByteArray &req)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, serverPort);
    if (!s.waitForConnected(5000))
        return QByteArray();
    s.write(req);
    QByteArray reply;
    while (s.waitForReadyRead(5000))
        reply += s.readAll();
    return reply + s.readAll();
}

struct Stats {
    double median;
    double p99;
};

Stats stats(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

template <typename Op>
Stats measure(int iterations, Op op)
{
    std::vector<double> us;
    QElapsedTimer t;
    for (int i = 0; i < iterations; ++i) {
        t.start();
        op();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    return stats(us);
}

void print(const char *what, Stats server, Stats direct)
{
    std::printf("%-28s server median %8.1f us  p99 %8.1f us | direct median %7.3f us  p99 %7.3f us | ratio %.0fx / %.0fx\n",
                what, server.median, server.p99, direct.median, direct.p99, server.median / direct.median,
                server.p99 / direct.p99);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? QByteArray(argv[1]).toInt() : 300;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("printer"));

    QProcess sim;
    sim.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(PROJECT_SOURCE_DIR "/tools/printer_sim.py"), "--link", link, "--mode", "echo", "--quiet"});
    sim.waitForReadyRead(10000);
    sim.setReadChannel(QProcess::StandardError);

    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        serverPort = probe.serverPort();
    }
    QProcess server;
    server.start(QStringLiteral(FISCAL_SERVER_BINARY), {"-p", QString::number(serverPort), "-d", link});
    server.waitForStarted();
    for (int i = 0; i < 100 && roundTrip(request(999, 14)).isEmpty(); ++i)
        QThread::msleep(20);

    const QByteArray payload(64, 'x');

    // Directly on the pty.
    QSerialPort port(link);
    port.setBaudRate(9600);
    port.open(QIODevice::ReadWrite);
    const Stats directAvailable = measure(iterations, [&] { volatile qint64 n = port.bytesAvailable(); (void)n; });
    const Stats directWriteRead = measure(iterations, [&] {
        port.write(payload);
        port.waitForBytesWritten(500);
        QByteArray got;
        while (got.size() < payload.size() && (port.bytesAvailable() > 0 || port.waitForReadyRead(1000)))
            got += port.readAll();
    });
    port.close();

    // Through the server, by a client that holds the port.
    roundTrip(request(1, 0, {"\x03", "p", "9600", QByteArray(1, '\0'), "\x01", "\x08"}));
    const Stats serverAvailable = measure(iterations, [] { roundTrip(request(1, 14)); });
    int extraReads = 0;
    const Stats serverWriteRead = measure(iterations, [&] {
        roundTrip(request(1, 12, {payload}));
        int got = 0;
        for (int tries = 0; got < payload.size() && tries < 50; ++tries) {
            const QByteArray reply = roundTrip(request(1, 11, {"64"}));
            got += reply.mid(reply.lastIndexOf(GS) + 1).toInt();
            extraReads += tries > 0;
        }
    });
    roundTrip(request(1, 1));

    std::printf("fiscal server benchmark, %d iterations each (the server waits for a 5 ms pause "
                "before it takes a request)\n", iterations);
    print("BYTES_AVAILABLE", serverAvailable, directAvailable);
    print("64-byte WRITE_PORT+READ_PORT", serverWriteRead, directWriteRead);
    std::printf("%-28s %d\n", "extra READ_PORT round trips", extraReads);

    // 50 clients, each sending its next request as soon as its previous one is answered.
    const int clients = 50;
    int answered = 0;
    bool running = true;
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    std::function<void(int)> send = [&](int i) {
        auto *s = new QTcpSocket;
        sockets[i].reset(s);
        QObject::connect(s, &QTcpSocket::disconnected, s, [&, i] {
            ++answered;
            if (running)
                QTimer::singleShot(0, [&, i] { send(i); });
        });
        s->connectToHost(QHostAddress::LocalHost, serverPort);
        s->write(request(100 + i, 14));
    };
    sockets.resize(clients);
    for (int i = 0; i < clients; ++i)
        send(i);
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(5000, [&] { running = false; app.quit(); });
    app.exec();
    std::printf("%-28s %.0f requests/s (%d answered in %.1f s)\n", "50 clients queued", answered * 1000.0 / clock.elapsed(),
                answered, clock.elapsed() / 1000.0);

    sockets.clear();
    server.terminate();
    server.waitForFinished();
    sim.write("quit\n");
    sim.waitForFinished();
    return 0;
}
