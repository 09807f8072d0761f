#include "loghandler.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace KAVRINFPSERVER_NS {

bool verboseLogging = false;
QString logFilePath;

static QString lineTemplate(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug: %1");
    case QtWarningMsg:
        return QStringLiteral("Warning: %1");
    case QtCriticalMsg:
        return QStringLiteral("Critical: %1");
    case QtFatalMsg:
        return QStringLiteral("Fatal: %1");
    case QtInfoMsg:
        return QStringLiteral("Info: %1");
    }
    return QString();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!verboseLogging)
        return;

    // One multi-argument arg() call: a "%2" inside the message must not be substituted.
    const QString body = QStringLiteral("%1 (%2:%3, %4)")
                             .arg(message,
                                  QString::fromUtf8(context.file ? context.file : ""),
                                  QString::number(context.line),
                                  QString::fromUtf8(context.function ? context.function : ""));
    const QString tpl = lineTemplate(type);
    const QString line = tpl.isEmpty() ? QString() : tpl.arg(body, 0, QLatin1Char(' '));

    if (logFilePath.isEmpty()) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        std::fprintf(stderr, "%s %s\n", stamp.toUtf8().constData(), line.toUtf8().constData());
        std::fflush(stderr);
        return;
    }

    QFile file(logFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << line << Qt::endl;
}

} // namespace KAVRINFPSERVER_NS
