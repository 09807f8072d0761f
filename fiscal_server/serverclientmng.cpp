#include "serverclientmng.h"

#include "clientworker.h"
#include "clientworkerexecthr.h"

#include <QMutexLocker>
#include <QTcpSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

ServerClientMng::ServerClientMng(const QString &serialNumber, const QString &deviceName, QObject *parent)
    : QTcpServer(parent)
    , execThread(new ClientWorkerExecThr(this))
    , serialNumber(serialNumber)
    , portName(deviceName)
{
    connect(this, SIGNAL(mapClientInsertSignal(QString)), this, SLOT(mapClientInsertSlot(QString)),
            Qt::QueuedConnection);
    connect(this, SIGNAL(execSerialFuncSignal(ClientWorker *)), execThread,
            SLOT(execSerialFuncSlot(ClientWorker *)));
    connect(execThread, SIGNAL(execFinishedSignal()), this, SLOT(execFinishedSlot()));
}

void ServerClientMng::incomingConnection(qintptr socketDescriptor)
{
    QMutexLocker locker(&creationMutex);
    auto *worker = new ClientWorker(serialNumber, portName, this);
    worker->setPendingTimeout(pendingTimeoutMs);
    worker->setRequestPause(requestPauseMs);
    auto *socket = new QTcpSocket(this);
    if (!worker->attachSocket(socketDescriptor, socket)) {
        // The descriptor stays ours when the socket cannot take it.
#ifdef Q_OS_UNIX
        ::close(static_cast<int>(socketDescriptor));
#endif
        delete socket;
        delete worker;
        return;
    }
    pendingWorkers.append(worker);
    connect(worker, SIGNAL(socketDataRead(QString)), this, SLOT(socketDataReadSlot(QString)));
    connect(worker, SIGNAL(fiskalPrinterPortFound(QString)), this, SLOT(serialPortNameUpdated(QString)));
    connect(worker, SIGNAL(connectionDropped(ClientWorker *)), this, SLOT(connectionDroppedSlot(ClientWorker *)));
}

void ServerClientMng::connectionDroppedSlot(ClientWorker *worker)
{
    const int index = pendingWorkers.indexOf(worker);
    if (index < 0)
        return;
    pendingWorkers.removeAt(index);
    if (QTcpSocket *socket = worker->getSocket())
        socket->deleteLater();
    worker->deleteLater();
}

void ServerClientMng::socketDataReadSlot(QString clientID)
{
    int index = -1;
    for (int i = 0; i < pendingWorkers.size(); ++i) {
        if (pendingWorkers.at(i)->getClientID() == clientID) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;

    ClientWorker *pending = pendingWorkers.takeAt(index);
    ClientWorker *registered = clients.value(clientID);
    if (!registered) {
        clients.insert(clientID, pending);
    } else {
        // The registered worker keeps its serial port, hold and sequence counter and
        // takes over the new request and its connection.
        registered->setRequest(pending->getRequest());
        QTcpSocket *socket = pending->getSocket();
        pending->releaseSocket();
        registered->setSocket(socket);
        pending->deleteLater();
    }
    emit mapClientInsertSignal(clientID);
}

void ServerClientMng::mapClientInsertSlot(QString clientID)
{
    if (!execQueue.contains(clientID))
        execQueue.append(clientID);
    if (currentWorker) {
        // A further request of the client that holds the printer runs at once.
        if (currentWorker->getClientID() == clientID)
            runCurrentWorker();
        return;
    }
    startQueueHead();
}

void ServerClientMng::startQueueHead()
{
    // An ID whose worker is gone (its request was served under an earlier entry) is
    // dropped, so that the queue keeps moving.
    while (!currentWorker && !execQueue.isEmpty()) {
        currentWorker = clients.value(execQueue.first());
        if (!currentWorker)
            execQueue.removeFirst();
    }
    if (currentWorker)
        runCurrentWorker();
}

void ServerClientMng::runCurrentWorker()
{
    // Hand-overs from execFinishedSlot come back here while a run is in progress; they
    // are taken by this loop instead of nesting, so a long queue does not grow the stack.
    if (dispatching) {
        runAgain = true;
        return;
    }
    dispatching = true;
    do {
        runAgain = false;
        emit execSerialFuncSignal(currentWorker);
    } while (runAgain && currentWorker);
    dispatching = false;
}

void ServerClientMng::execFinishedSlot()
{
    if (!currentWorker)
        return;
    if (currentWorker->isPortHeld())
        return;

    ClientWorker *finished = currentWorker;
    const QString id = finished->getClientID();
    if (clients.value(id) == finished)
        clients.remove(id);
    currentWorker = nullptr;
    if (!execQueue.isEmpty())
        execQueue.removeFirst();
    delete finished;
    startQueueHead();
}

void ServerClientMng::serialPortNameUpdated(QString serialPortName)
{
    portName = serialPortName;
}
