#include "clientworker.h"

#include "fpserial.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaEnum>
#include <QSerialPortInfo>

#include <initializer_list>

using KAVRINFPSERVER_NS::FPSerial;

namespace {

const char partSeparator = 0x1D;
// Keeps Qt from buffering an unbounded amount of a connection that keeps sending.
const qint64 socketReadBufferBytes = 64 * 1024;
// How long a closed connection may take to hand a large reply to the peer.
const int replyFlushMs = 10000;

int byteArg(const QByteArray &part)
{
    return part.isEmpty() ? 0 : static_cast<signed char>(part.at(0));
}

// Text up to the first zero byte.
QString textArg(const QByteArray &part)
{
    return QString::fromUtf8(part.constData());
}

int numberArg(const QByteArray &part)
{
    return textArg(part).toInt(nullptr, 10);
}

qint64 number64Arg(const QByteArray &part)
{
    return textArg(part).toLongLong(nullptr, 10);
}

// Values Qt does not know become the enumeration's "unknown" value, which Qt rejects
// the same way, instead of an out-of-range enumerator.
template <typename E>
E enumArg(int value, std::initializer_list<int> known)
{
    for (int k : known) {
        if (k == value)
            return static_cast<E>(value);
    }
    return static_cast<E>(-1);
}

QSerialPort::Parity parityArg(const QByteArray &part)
{
    return enumArg<QSerialPort::Parity>(byteArg(part), {0, 2, 3, 4, 5});
}

QSerialPort::StopBits stopBitsArg(const QByteArray &part)
{
    return enumArg<QSerialPort::StopBits>(byteArg(part), {1, 2, 3});
}

QSerialPort::DataBits dataBitsArg(const QByteArray &part)
{
    return enumArg<QSerialPort::DataBits>(byteArg(part), {5, 6, 7, 8});
}

QSerialPort::Directions directionsArg(const QByteArray &part)
{
    return QSerialPort::Directions(QFlag(byteArg(part)));
}

QIODevice::OpenMode openModeArg(const QByteArray &part)
{
    return QIODevice::OpenMode(QFlag(byteArg(part)));
}

int clampWait(int ms)
{
    return (ms < 0 || ms > ClientWorker::maxWaitMs) ? ClientWorker::maxWaitMs : ms;
}

void finishConnection(QTcpSocket *s)
{
    s->flush();
    if (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() > 0) {
        // A large reply is still queued: close once it is out, or give up after a while.
        QObject::connect(s, SIGNAL(disconnected()), s, SLOT(deleteLater()));
        QTimer::singleShot(replyFlushMs, s, [s] {
            s->abort();
            s->deleteLater();
        });
        s->disconnectFromHost();
        return;
    }
    s->close();
    s->deleteLater();
}

} // namespace

ClientWorker::ClientWorker(const QString &serialNumber, const QString &portName, QObject *parent)
    : QObject(parent)
    , serialNumber(serialNumber)
    , portName(portName)
{
    pauseTimer.setSingleShot(true);
    pauseTimer.setTimerType(Qt::PreciseTimer);
    pauseTimer.setInterval(5);
    pendingTimer.setSingleShot(true);
    connect(&pauseTimer, SIGNAL(timeout()), this, SLOT(requestPauseElapsed()));
    connect(&pendingTimer, SIGNAL(timeout()), this, SLOT(pendingTimedOut()));
    connect(&serialPort, SIGNAL(readyRead()), this, SLOT(spReadReadySlot()));
    connect(&serialPort, SIGNAL(errorOccurred(QSerialPort::SerialPortError)), this,
            SLOT(spErrorSlot(QSerialPort::SerialPortError)));
}

ClientWorker::~ClientWorker()
{
    serialPort.disconnect(this);
    if (serialPort.isOpen())
        serialPort.close();
}

bool ClientWorker::attachSocket(qintptr socketDescriptor, QTcpSocket *connection)
{
    socket = connection;
    if (!connection->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite))
        return false;
    connection->setReadBufferSize(socketReadBufferBytes);
    connect(connection, SIGNAL(readyRead()), this, SLOT(readSocket()), Qt::QueuedConnection);
    connect(connection, SIGNAL(disconnected()), this, SLOT(socketDisconnected()));
    connect(connection, SIGNAL(errorOccurred(QAbstractSocket::SocketError)), this,
            SLOT(socketErrorSlot(QAbstractSocket::SocketError)));
    pendingTimer.start(pendingTimeoutMs);
    return true;
}

void ClientWorker::setRequest(const QList<QByteArray> &parts)
{
    if (request != parts)
        request = parts;
}

void ClientWorker::setSocket(QTcpSocket *connection)
{
    if (socket && socket != connection && socket->state() == QAbstractSocket::ConnectedState) {
        // The client sent a newer request before this one was answered; it gets no reply.
        socket->close();
        socket->deleteLater();
    }
    socket = connection;
}

void ClientWorker::releaseSocket()
{
    pauseTimer.stop();
    pendingTimer.stop();
    if (socket)
        socket->disconnect(this);
    socket = nullptr;
}

void ClientWorker::readSocket()
{
    if (!socket || dropped)
        return;
    if (delivered) {
        // One request per connection: anything sent after it is dropped.
        if (socket->isOpen())
            socket->readAll();
        return;
    }
    if (!socket->isOpen() || socket->bytesAvailable() <= 0)
        return;
    incoming += socket->readAll();
    if (incoming.size() > maxRequestBytes) {
        qWarning("Request of more than %d bytes refused", maxRequestBytes);
        incoming = QByteArray();
        dropConnection();
        return;
    }
    pauseTimer.start();
}

void ClientWorker::requestPauseElapsed()
{
    if (!socket || dropped || delivered)
        return;
    // The event loop may have been busy: look for bytes that are waiting unseen before
    // taking the pause as the end of the request.
    if (socket->bytesAvailable() == 0 && socket->state() == QAbstractSocket::ConnectedState)
        socket->waitForReadyRead(0);
    if (dropped)
        return;
    if (socket->bytesAvailable() > 0) {
        readSocket();
        return;
    }
    deliverRequest();
}

void ClientWorker::deliverRequest()
{
    request = incoming.split(partSeparator);
    incoming = QByteArray();

    const QHostAddress local = socket->localAddress();
    if (local.isNull() || local.toString().isEmpty()) {
        dropConnection();
        return;
    }
    pendingTimer.stop();
    delivered = true;
    bool ok = false;
    quint32 clientNumber = request.first().split(',').value(0).toUInt(&ok, 10);
    if (!ok)
        clientNumber = 0;
    // The separator keeps "...1" + "23" apart from "...12" + "3".
    clientID = socket->peerAddress().toString() + QLatin1Char('#') + QString::number(clientNumber);
    emit socketDataRead(clientID);
}

void ClientWorker::socketDisconnected()
{
    if (!delivered)
        dropConnection();
}

void ClientWorker::socketErrorSlot(QAbstractSocket::SocketError error)
{
    // A zero-time look for more bytes reports a time-out; that is not a failure.
    if (error != QAbstractSocket::SocketTimeoutError && !delivered)
        dropConnection();
}

void ClientWorker::pendingTimedOut()
{
    if (!delivered)
        dropConnection();
}

void ClientWorker::dropConnection()
{
    if (dropped)
        return;
    dropped = true;
    pauseTimer.stop();
    pendingTimer.stop();
    if (socket)
        socket->abort();
    emit connectionDropped(this);
}

void ClientWorker::execRequest()
{
    QByteArray reply;
    const bool result = execSerialPortFunc(request, reply);
    if (!result)
        portHeld = false;
    if (!socket)
        return;
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->write(reply);
    finishConnection(socket);
}

bool ClientWorker::execSerialPortFunc(QList<QByteArray> request, QByteArray &reply)
{
    if (request.isEmpty() || !request.first().contains(','))
        return false;

    const QByteArray header = request.first();
    const QByteArray codeField = header.split(',').value(1);
    const int code = codeField.isEmpty() ? 0 : static_cast<signed char>(codeField.at(0));
    const int parts = request.size();
    const QByteArray p1 = request.value(1);
    bool result = false;

    auto resultReply = [&] { reply = header + partSeparator + (result ? "1" : "0"); };
    auto countReply = [&](qint64 count) { reply = header + partSeparator + QByteArray::number(count); };

    switch (code) {
    case FPSerial::OPEN:
        result = parts == 7 && openPort(request);
        resultReply();
        break;
    case FPSerial::CLOSE:
        if (parts == 1) {
            if (serialPort.isOpen())
                serialPort.close();
            portHeld = false;
            result = true;
        }
        reply = header;
        break;
    case FPSerial::WAIT_FOR_BYTES_WRITTEN:
        if (parts == 2) {
            const int ms = clampWait(numberArg(p1));
            result = serialPort.bytesToWrite() == 0 || serialPort.waitForBytesWritten(ms);
        }
        resultReply();
        break;
    case FPSerial::WAIT_FOR_READY_READ:
        if (parts == 2) {
            const int ms = clampWait(numberArg(p1));
            if (serialPort.isOpen()) {
                result = serialPort.bytesAvailable() > 0 || serialPort.waitForReadyRead(ms)
                         || serialPort.bytesAvailable() > 0;
            } else {
                result = serialPort.bytesAvailable() > 0;
            }
        }
        resultReply();
        break;
    case FPSerial::SET_BAUDRATE:
        if (parts == 3)
            result = serialPort.setBaudRate(numberArg(p1), directionsArg(request.at(2)));
        resultReply();
        break;
    case FPSerial::SET_PARITY:
        if (parts == 2)
            result = serialPort.setParity(parityArg(p1));
        resultReply();
        break;
    case FPSerial::SET_STOP_BITS:
        if (parts == 2)
            result = serialPort.setStopBits(stopBitsArg(p1));
        resultReply();
        break;
    case FPSerial::SET_READ_BUFFER_SIZE:
        if (parts == 2) {
            // A negative size has no meaning for the port's buffer; it is refused.
            const qint64 size = number64Arg(p1);
            if (size >= 0) {
                serialPort.setReadBufferSize(size);
                result = true;
            }
        }
        reply = header;
        break;
    case FPSerial::SET_PORT_NAME:
        if (parts == 2) {
            serialPort.setPortName(textArg(p1));
            result = true;
        }
        reply = header;
        break;
    case FPSerial::SET_DATA_BITS:
        if (parts == 2)
            result = serialPort.setDataBits(dataBitsArg(p1));
        resultReply();
        break;
    case FPSerial::ERROR_STRING:
        result = true;
        reply = header + partSeparator + serialPort.errorString().toUtf8();
        break;
    case FPSerial::READ_PORT: {
        QByteArray data;
        qint64 count = -1;
        if (parts == 2) {
            result = true;
            if (!serialPort.isOpen()) {
                serialPort.setPortName(portName);
                serialPort.open(QIODevice::ReadWrite);
            }
            const qint64 wanted = number64Arg(p1);
            // Only what has already arrived is read, so the allocation never exceeds it.
            if (serialPort.isOpen() && wanted >= 0) {
                data = serialPort.read(qMin(wanted, serialPort.bytesAvailable()));
                count = data.size();
            }
        }
        reply = header + partSeparator + data + partSeparator + QByteArray::number(count);
        break;
    }
    case FPSerial::WRITE_PORT: {
        qint64 count = -1;
        if (!serialPort.isOpen())
            serialPort.setPortName(portName);
        if (parts == 2 && (serialPort.isOpen() || serialPort.open(QIODevice::ReadWrite))) {
            count = serialPort.write(p1);
            result = serialPort.waitForBytesWritten(500);
        }
        countReply(count);
        break;
    }
    case FPSerial::CLEAR:
        if (parts == 2)
            result = serialPort.clear(directionsArg(p1));
        resultReply();
        break;
    case FPSerial::BYTES_AVAILABLE:
        result = true;
        countReply(serialPort.bytesAvailable());
        break;
    default:
        break;
    }

    const char *name = QMetaEnum::fromType<FPSerial::Function>().valueToKey(code);
    const QStringList items{QStringLiteral("Function:"), QString::fromLatin1(name ? name : ""),
                            QStringLiteral("retValue:"), result ? QStringLiteral("true") : QStringLiteral("false")};
    qInfo().noquote() << items.join(QLatin1Char(' '));
    return result;
}

bool ClientWorker::openPort(const QList<QByteArray> &request)
{
    serialPort.setBaudRate(numberArg(request.at(3)));
    serialPort.setParity(parityArg(request.at(4)));
    serialPort.setStopBits(stopBitsArg(request.at(5)));
    serialPort.setDataBits(dataBitsArg(request.at(6)));
    serialPort.setReadBufferSize(100);

    if (portName.isEmpty())
        readSerialComPortName();
    serialPort.setPortName(portName);

    const QIODevice::OpenMode mode = openModeArg(request.at(1));
    bool ok = serialPort.isOpen();
    if (!ok) {
        ok = serialPort.open(mode);
        if (!ok) {
            readSerialComPortName();
            serialPort.setPortName(portName);
            ok = serialPort.open(mode);
        }
    }
    portHeld = ok;
    return ok;
}

void ClientWorker::spReadReadySlot()
{
}

void ClientWorker::spErrorSlot(QSerialPort::SerialPortError error)
{
    // The device went away or stopped working: close the port so that the client sees a
    // failure and a later OPEN starts afresh. Closing is deferred because Qt is still
    // inside its read handling when it reports the error.
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) && serialPort.isOpen()
        && !closeScheduled) {
        closeScheduled = true;
        QMetaObject::invokeMethod(this, "closeLostPort", Qt::QueuedConnection);
    }
}

void ClientWorker::closeLostPort()
{
    closeScheduled = false;
    if (serialPort.isOpen())
        serialPort.close();
}

// ---- Printer port discovery -------------------------------------------------------------

QStringList ClientWorker::probedPortNames()
{
    QStringList names;
    if (qEnvironmentVariableIsSet("KAVRIN_FP_SERIAL_PORTS")) {
        const QString list = qEnvironmentVariable("KAVRIN_FP_SERIAL_PORTS");
        for (const QString &name : list.split(QLatin1Char(':'), Qt::SkipEmptyParts))
            names << name;
        return names;
    }
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return names;
}

bool ClientWorker::appendDiagChecksum(const QByteArray &bytes, QByteArray &out)
{
    quint32 sum = 0;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    if (sum > 0xFFFF)
        return false;
    for (int shift = 12; shift >= 0; shift -= 4)
        out += static_cast<char>(0x30 + ((sum >> shift) & 0x0F));
    return true;
}

bool ClientWorker::buildDiagFrame(char command, const QByteArray &data, QByteArray &frame)
{
    const char sequence = static_cast<char>(0x20 + diagSequence % 96);
    diagSequence = static_cast<quint8>(diagSequence % 96 + 1);
    if (data.size() > maxDiagDataBytes)
        return false;

    QByteArray body;
    body += static_cast<char>(0x20 + 4 + data.size());
    body += sequence;
    body += command;
    body += data;
    body += '\x05';
    QByteArray out(1, '\x01');
    out += body;
    if (!appendDiagChecksum(body, out))
        return false;
    out += '\x03';
    frame = out;
    return true;
}

bool ClientWorker::parseDiagResponse(const QByteArray &frame, char command, QByteArray &data, QByteArray &status)
{
    if (frame.size() < 15 || frame.size() > maxDiagResponseBytes)
        return false;
    if (frame.at(0) != '\x01')
        return false;
    const int length = static_cast<signed char>(frame.at(1)) - 0x20;
    if (length < 1 || length >= frame.size() || frame.at(length) != '\x05')
        return false;
    const auto sequence = static_cast<quint8>(frame.at(2));
    if (!((sequence >= 0x20 && sequence <= 0x7F) || sequence == 0xAD))
        return false;
    if (frame.at(3) != command)
        return false;

    const int separator = frame.indexOf('\x04', 4);
    if (separator < 0)
        return false;
    const int postamble = frame.indexOf('\x05', separator + 1);
    if (postamble < 0 || postamble - separator - 1 != 6)
        return false;
    if (frame.size() < postamble + 6 || frame.at(postamble + 5) != '\x03')
        return false;

    QByteArray checksum;
    const int firstPostamble = frame.indexOf('\x05', 1);
    if (!appendDiagChecksum(frame.mid(1, firstPostamble), checksum) || frame.mid(postamble + 1, 4) != checksum)
        return false;

    data = frame.mid(4, separator - 4);
    status = frame.mid(separator + 1, 6);
    return true;
}

QByteArray ClientWorker::readDiagResponse()
{
    // Bounded in size and time, so that a device that never stops sending cannot hold
    // the server.
    const int limitMs = 1000;
    QByteArray response;
    QElapsedTimer clock;
    clock.start();
    while (response.size() <= maxDiagResponseBytes && clock.elapsed() < limitMs) {
        const QByteArray chunk = serialPort.read(50);
        if (!chunk.isEmpty()) {
            response += chunk;
            continue;
        }
        const int left = limitMs - int(clock.elapsed());
        if (left <= 0 || !serialPort.waitForReadyRead(qMin(50, left)))
            break;
    }
    return response;
}

bool ClientWorker::isPrinterData(const QByteArray &data) const
{
    const QList<QByteArray> fields = data.split(',');
    if (!serialNumber.isEmpty() && fields.contains(serialNumber.toLatin1()))
        return true;
    return fields.size() >= 5 && serialNumber.toUpper() == QLatin1String("TEST");
}

void ClientWorker::readSerialComPortName()
{
    // Without a serial number no answer can ever match: do not disturb any port.
    if (serialNumber.isEmpty())
        return;

    QByteArray frame;
    if (!buildDiagFrame(diagInfoCommand, QByteArrayLiteral("1"), frame)) {
        qWarning("Error creating DIAG INFO command");
        return;
    }

    const QStringList names = probedPortNames();
    for (const QString &name : names) {
        serialPort.setPortName(name);
        if (!serialPort.open(QIODevice::ReadWrite)) {
            serialPort.close();
            continue;
        }
        if (serialPort.write(frame) <= 0 || !serialPort.waitForBytesWritten(500)
            || (serialPort.bytesAvailable() == 0 && !serialPort.waitForReadyRead(300))) {
            serialPort.close();
            continue;
        }
        const QByteArray response = readDiagResponse();
        serialPort.close();

        QByteArray data;
        QByteArray status;
        if (!parseDiagResponse(response, diagInfoCommand, data, status) || !isPrinterData(data))
            continue;
        portName = name;
        emit fiskalPrinterPortFound(portName);
        return;
    }
}
