#ifndef SERVERCLIENTMNG_H
#define SERVERCLIENTMNG_H

#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QTcpServer>

class ClientWorker;
class ClientWorkerExecThr;

// The TCP server: one worker per connection, and one client at a time on the printer.
// A client that opened the port keeps the printer across connections until it closes the
// port or a request of it fails; the others wait first-come in execQueue.
class ServerClientMng : public QTcpServer
{
    Q_OBJECT
public:
    ServerClientMng(const QString &serialNumber, const QString &deviceName, QObject *parent = nullptr);

    // Settings handed to workers created afterwards.
    void setPendingTimeout(int ms) { pendingTimeoutMs = ms; }
    void setRequestPause(int ms) { requestPauseMs = ms; }

    int pendingWorkerCount() const { return pendingWorkers.size(); }
    int registeredClientCount() const { return clients.size(); }
    int queueLength() const { return execQueue.size(); }
    QString currentPortName() const { return portName; }

signals:
    void mapClientInsertSignal(QString clientID);
    void execSerialFuncSignal(ClientWorker *worker);

public slots:
    void socketDataReadSlot(QString clientID);
    void mapClientInsertSlot(QString clientID);
    void execFinishedSlot();
    void serialPortNameUpdated(QString serialPortName);

private slots:
    void connectionDroppedSlot(ClientWorker *worker);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void startQueueHead();
    void runCurrentWorker();

    QList<ClientWorker *> pendingWorkers;
    QMap<QString, ClientWorker *> clients;
    QList<QString> execQueue;
    ClientWorker *currentWorker = nullptr;
    ClientWorkerExecThr *execThread = nullptr;
    QMutex creationMutex;
    QString serialNumber;
    QString portName;

    int pendingTimeoutMs = 30000;
    int requestPauseMs = 5;
    bool dispatching = false;
    bool runAgain = false;
};

#endif // SERVERCLIENTMNG_H
