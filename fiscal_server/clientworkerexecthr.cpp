#include "clientworkerexecthr.h"

#include "clientworker.h"

ClientWorkerExecThr::ClientWorkerExecThr(QObject *parent)
    : QThread(parent)
{
}

void ClientWorkerExecThr::execSerialFuncSlot(ClientWorker *worker)
{
    if (worker)
        worker->execRequest();
    emit execFinishedSignal();
}

void ClientWorkerExecThr::run()
{
    exec();
}
