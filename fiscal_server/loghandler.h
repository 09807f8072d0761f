#ifndef LOGHANDLER_H
#define LOGHANDLER_H

#include <QString>
#include <QtGlobal>

namespace KAVRINFPSERVER_NS {

// Set once at start-up, read by logMessageHandler.
extern bool verboseLogging;
extern QString logFilePath;

// The program's only log sink: standard error with a time stamp, or the log file.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

} // namespace KAVRINFPSERVER_NS

#endif // LOGHANDLER_H
