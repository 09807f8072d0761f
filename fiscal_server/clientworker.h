#ifndef CLIENTWORKER_H
#define CLIENTWORKER_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

// Serves one client: reads its request from the TCP connection, runs it as one
// serial-port operation on the printer port and writes the reply back.
class ClientWorker : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxRequestBytes = 1024 * 1024;
    static constexpr int maxWaitMs = 60000;
    static constexpr int maxDiagResponseBytes = 255;
    static constexpr int maxDiagDataBytes = 91;
    static constexpr char diagInfoCommand = 0x5A;

    ClientWorker(const QString &serialNumber, const QString &portName, QObject *parent = nullptr);
    ~ClientWorker() override;

    // How long a connection may stay without a request, and how long the peer must pause
    // before the bytes read so far count as the whole request. Set before attachSocket().
    void setPendingTimeout(int ms) { pendingTimeoutMs = ms; }
    void setRequestPause(int ms) { pauseTimer.setInterval(ms); }

    bool attachSocket(qintptr socketDescriptor, QTcpSocket *connection);
    void execRequest();
    bool execSerialPortFunc(QList<QByteArray> request, QByteArray &reply);
    void readSerialComPortName();

    bool buildDiagFrame(char command, const QByteArray &data, QByteArray &frame);
    static bool appendDiagChecksum(const QByteArray &bytes, QByteArray &out);
    static bool parseDiagResponse(const QByteArray &frame, char command, QByteArray &data, QByteArray &status);

    QString getClientID() const { return clientID; }
    QList<QByteArray> getRequest() const { return request; }
    QTcpSocket *getSocket() const { return socket; }
    bool isPortHeld() const { return portHeld; }
    QString getPortName() const { return portName; }
    void setRequest(const QList<QByteArray> &parts);
    // Takes the connection of a later request; an unanswered earlier connection is closed.
    void setSocket(QTcpSocket *connection);
    // Lets go of the connection before it is handed to the client's registered worker.
    void releaseSocket();

signals:
    void socketDataRead(QString clientID);
    void fiskalPrinterPortFound(QString portName);
    // The connection ended, failed or idled out before it delivered a request.
    void connectionDropped(ClientWorker *worker);

public slots:
    void readSocket();
    void spReadReadySlot();
    void spErrorSlot(QSerialPort::SerialPortError error);

private slots:
    void requestPauseElapsed();
    void socketDisconnected();
    void socketErrorSlot(QAbstractSocket::SocketError error);
    void pendingTimedOut();
    void closeLostPort();

private:
    // KAVRIN_FP_SERIAL_PORTS, when set, replaces the enumerated serial ports.
    static QStringList probedPortNames();
    void deliverRequest();
    void dropConnection();
    bool openPort(const QList<QByteArray> &request);
    QByteArray readDiagResponse();
    bool isPrinterData(const QByteArray &data) const;

    QPointer<QTcpSocket> socket;
    QSerialPort serialPort;
    QList<QByteArray> request;
    QString clientID;
    bool portHeld = false;
    QString serialNumber;
    QString portName;
    quint8 diagSequence = 0;

    QByteArray incoming;
    QTimer pauseTimer;
    QTimer pendingTimer;
    int pendingTimeoutMs = 30000;
    bool delivered = false;
    bool dropped = false;
    bool closeScheduled = false;
};

#endif // CLIENTWORKER_H
