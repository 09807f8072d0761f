#ifndef MAILTESTUTIL_H
#define MAILTESTUTIL_H

// Helpers of the mail tests: a real SMTP server (aiosmtpd) in a child
// process, Python's MIME parser to read what arrived, and a scripted server
// on a thread for the replies a real server will not give.

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

inline const QString &systemPython()
{
    static const QString python = QStringLiteral("/usr/bin/python3");
    return python;
}

inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class SmtpServerProcess
{
public:
    ~SmtpServerProcess() { stop(); }

    // Starts the server with extra arguments; false when it did not come up.
    bool start(const QStringList &arguments = {})
    {
        if (!m_dir.isValid())
            return false;
        m_port = freePort();
        m_process.setProgram(systemPython());
        m_process.setArguments(QStringList{QStringLiteral(TESTS_SOURCE_DIR "/mail/smtp_test_server.py"),
                                           QStringLiteral("--port"), QString::number(m_port),
                                           QStringLiteral("--outdir"), m_dir.path()}
                               + arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        while (m_process.waitForReadyRead(15000))
            if (m_process.readAll().contains("READY"))
                return true;
        return false;
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    quint16 port() const { return m_port; }
    QString dir() const { return m_dir.path(); }
    QStringList messages() const
    {
        QStringList files;
        for (const QString &name : QDir(m_dir.path()).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            files.append(m_dir.filePath(name));
        return files;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

// What a mail reader makes of a stored message (tests/mail/mime_dump.py).
inline QJsonObject readMessage(const QString &file)
{
    QProcess process;
    process.start(systemPython(), {QStringLiteral(TESTS_SOURCE_DIR "/mail/mime_dump.py"), file});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QJsonObject();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

inline QJsonObject attachmentPart(const QJsonObject &message, const QString &fileName)
{
    for (const QJsonValue &part : message.value(QStringLiteral("parts")).toArray())
        if (part.toObject().value(QStringLiteral("filename")).toString() == fileName)
            return part.toObject();
    return QJsonObject();
}

inline QByteArray partBytes(const QJsonObject &part)
{
    return QByteArray::fromBase64(part.value(QStringLiteral("bytes")).toString().toLatin1());
}

// Answers one client with a fixed list of replies: the first as greeting
// (unless it is empty), then one per command line; after a 354 reply it
// takes the message up to the lone dot. "|pause|" inside a reply sends it
// in pieces with a pause between. Records what the client sent.
class ScriptedSmtpServer : public QThread
{
public:
    explicit ScriptedSmtpServer(const QList<QByteArray> &replies, int lifetimeMs = 10000)
        : m_replies(replies), m_lifetime(lifetimeMs)
    {
    }
    ~ScriptedSmtpServer() override { wait(); }

    quint16 startListening()
    {
        start();
        m_ready.acquire();
        return m_port;
    }
    QStringList commands() const
    {
        QMutexLocker lock(&m_mutex);
        return m_commands;
    }
    QByteArray data() const
    {
        QMutexLocker lock(&m_mutex);
        return m_data;
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        m_ready.release();
        if (!server.waitForNewConnection(m_lifetime))
            return;
        QTcpSocket *socket = server.nextPendingConnection();
        int next = 0;
        bool inData = false;
        const auto reply = [&]() {
            if (next >= m_replies.size())
                return;
            const QByteArray text = m_replies.at(next++);
            const QList<QByteArray> pieces = text.split('|');
            for (const QByteArray &piece : pieces) {
                if (piece == "pause") {
                    QThread::msleep(150);
                    continue;
                }
                socket->write(piece);
                socket->waitForBytesWritten(2000);
            }
            inData = text.startsWith("354");
        };
        if (!m_replies.isEmpty() && !m_replies.first().isEmpty())
            reply();
        else
            ++next;
        while (socket->state() == QAbstractSocket::ConnectedState) {
            if (!socket->canReadLine() && !socket->waitForReadyRead(m_lifetime))
                break;
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                QMutexLocker lock(&m_mutex);
                if (inData && line != ".\r\n") {
                    m_data += line;
                    continue;
                }
                if (!inData)
                    m_commands.append(QString::fromUtf8(line.trimmed()));
                lock.unlock();
                inData = false;
                reply();
            }
        }
        delete socket;
    }

private:
    QList<QByteArray> m_replies;
    int m_lifetime;
    QSemaphore m_ready;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QStringList m_commands;
    QByteArray m_data;
};

#endif // MAILTESTUTIL_H
