#include "loghandler.h"
#include "serverclientmng.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

int main(int argc, char *argv[])
{
    qInstallMessageHandler(KAVRINFPSERVER_NS::logMessageHandler);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrin-Fiscal-Printer-Server"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.2-28-g9e7767b8"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kavrin Fiscal Printer Server application for printing to fiscal printer over TCP network"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringList{QStringLiteral("p"), QStringLiteral("port")},
                                        QCoreApplication::translate("main", "The port that the sever listens to."),
                                        QStringLiteral("port"));
    const QCommandLineOption serialOption(
        QStringList{QStringLiteral("s"), QStringLiteral("serial")},
        QCoreApplication::translate("main", "The serial number of the fiscal printer to connect to."),
        QStringLiteral("serial"));
    const QCommandLineOption deviceOption(
        QStringList{QStringLiteral("d"), QStringLiteral("device")},
        QCoreApplication::translate("main",
                                    "(Optional. if serial is not used) The device name to connect to eg. COM2, /dev/tty0."),
        QStringLiteral("device"));
    const QCommandLineOption verboseOption(QStringList{QStringLiteral("V"), QStringLiteral("verbose")},
                                           QCoreApplication::translate("main", "(Optional) Enable logging to stderr."));
    const QCommandLineOption logOption(
        QStringList{QStringLiteral("l"), QStringLiteral("log")},
        QCoreApplication::translate("main", "(Optional) Implies -V. If set  it will log to provided log file path."),
        QStringLiteral("log path"));
    parser.addOption(portOption);
    parser.addOption(serialOption);
    parser.addOption(deviceOption);
    parser.addOption(verboseOption);
    parser.addOption(logOption);
    parser.process(app);

    bool ok = false;
    const quint16 port = parser.value(portOption).toUShort(&ok, 10);
    if (!ok || port == 0)
        parser.showHelp(0);
    if (parser.value(serialOption).isEmpty() && parser.value(deviceOption).isEmpty())
        parser.showHelp(0);

    KAVRINFPSERVER_NS::verboseLogging = parser.isSet(verboseOption);
    if (parser.isSet(logOption)) {
        KAVRINFPSERVER_NS::verboseLogging = true;
        KAVRINFPSERVER_NS::logFilePath = parser.value(logOption);
    }

    // With a serial number the printer's port is found by discovery on the first OPEN.
    const QString serialNumber = parser.value(serialOption);
    const QString deviceName = serialNumber.isEmpty() ? parser.value(deviceOption) : QString();

    auto *manager = new ServerClientMng(serialNumber, deviceName, &app);
    if (!manager->listen(QHostAddress::Any, port))
        return -1;
    return app.exec();
}
