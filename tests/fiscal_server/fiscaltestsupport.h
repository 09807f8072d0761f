#ifndef FISCALTESTSUPPORT_H
#define FISCALTESTSUPPORT_H

// Shared by the fiscal server tests: the printer simulator on a real pty, TCP clients, and
// request literals in which '|' stands for the part separator 0x1D.

#include "serverclientmng.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

template <int N>
QByteArray wire(const char (&s)[N])
{
    return QByteArray(s, N - 1).replace('|', '\x1D');
}

// OPEN for read and write at 9600 8N1: the client takes hold of the printer.
inline QByteArray openRequest(int client)
{
    return QByteArray::number(client) + wire(",\x00|\x03|port|9600|\x00|\x01|\x08");
}

// Runs the event loop until cond() holds or ms have passed.
template <typename Cond>
bool waitUntil(Cond cond, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!cond() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return cond();
}

class PrinterSim
{
public:
    explicit PrinterSim(const QString &link, const QStringList &args = {}) : link(link), args(args) {}
    ~PrinterSim() { stop(); }

    bool start()
    {
        out.clear();
        rx.clear();
        proc.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(PROJECT_SOURCE_DIR "/tools/printer_sim.py"), "--link", link} + args);
        return waitUntil([this] { return (out += proc.readAllStandardOutput()).contains("READY"); }, 10000);
    }
    void stop()
    {
        proc.write("quit\n");
        if (proc.state() != QProcess::NotRunning && !proc.waitForFinished(3000))
            kill();
    }
    void kill()
    {
        proc.kill();
        proc.waitForFinished(3000);
    }
    void command(const QByteArray &line) { proc.write(line + '\n'); }
    // Every byte the simulator has read from the pty so far.
    QByteArray received()
    {
        out += proc.readAllStandardOutput();
        for (int end; (end = out.indexOf('\n')) >= 0; out.remove(0, end + 1)) {
            if (out.startsWith("RX "))
                rx += QByteArray::fromHex(out.mid(3, end - 3));
        }
        return rx;
    }

    const QString link;
    const QStringList args;
    QProcess proc;

private:
    QByteArray out;
    QByteArray rx;
};

// One connection and one request; collects the reply until the server closes.
class Client : public QObject
{
public:
    Client(quint16 port, const QByteArray &request, const QHostAddress &from = QHostAddress())
    {
        connect(&sock, &QTcpSocket::readyRead, this, [this] { reply += sock.readAll(); });
        connect(&sock, &QTcpSocket::stateChanged, this,
                [this](QAbstractSocket::SocketState s) { closed = closed || s == QAbstractSocket::UnconnectedState; });
        if (!from.isNull())
            sock.bind(from);
        sock.connectToHost(QHostAddress::LocalHost, port);
        if (!request.isEmpty())
            sock.write(request);
    }
    bool waitClosed(int ms = 5000)
    {
        return waitUntil([this] { return closed; }, ms);
    }

    QTcpSocket sock;
    QByteArray reply;
    bool closed = false;
};

inline QByteArray roundTrip(quint16 port, const QByteArray &request)
{
    Client c(port, request);
    return c.waitClosed() ? c.reply : QByteArray("<no reply>");
}

inline std::unique_ptr<ServerClientMng> startServer(const QString &serial, const QString &device)
{
    auto server = std::make_unique<ServerClientMng>(serial, device);
    return server->listen(QHostAddress::LocalHost, 0) ? std::move(server) : nullptr;
}

#endif // FISCALTESTSUPPORT_H
