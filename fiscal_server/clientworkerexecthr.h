#ifndef CLIENTWORKEREXECTHR_H
#define CLIENTWORKEREXECTHR_H

#include <QThread>

class ClientWorker;

// Relay through which the manager starts a worker's request and learns that it ended.
// The thread is never started: the relay lives and works on the main thread, so that
// requests run strictly one after another.
class ClientWorkerExecThr : public QThread
{
    Q_OBJECT
public:
    explicit ClientWorkerExecThr(QObject *parent = nullptr);

signals:
    void execFinishedSignal();

public slots:
    void execSerialFuncSlot(ClientWorker *worker);

protected:
    void run() override;
};

#endif // CLIENTWORKEREXECTHR_H
