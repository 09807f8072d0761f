#include "lmailsender.h"
#include "mailtestutil.h"
#include "tessarin.h"

#include <QFile>
#include <QtTest>

// The report API writing a PDF and mailing it.
class TestMailReport : public QObject
{
    Q_OBJECT
private slots:
    void pdfIsMailed();
    void failuresAreReported();

private:
    static QString definition()
    {
        return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessarin version="2.0" name="mail" type="report">
 <options><pagesize width="100" height="60">CUSTOM</pagesize></options>
 <datasources>
  <datasource id="rows" type="txt" source="static" columnDelimiter="semicolon" hasColumnHeader="true">name
Alpha
Beta</datasource>
 </datasources>
 <pageheader height="10"><label posX="0" posY="0" width="80" height="6">MAILED REPORT</label></pageheader>
 <details>
  <detail id="Detail1" height="6" datasource="rows">
   <items><field posX="0" posY="0" width="40" height="5">name</field></items>
  </detail>
 </details>
</Tessarin>)");
    }
};

void TestMailReport::pdfIsMailed()
{
    SmtpServerProcess server;
    QVERIFY(server.start());
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("monthly.pdf"));
    Tessarin report;
    report.setReportDefXml(definition());
    LMailSender sender(false);
    sender.setSmtpServer(QStringLiteral("127.0.0.1"));
    sender.setPort(server.port());
    sender.setFrom(QStringLiteral("reports@example.test"));
    sender.setTo({QStringLiteral("boss@example.test")});
    QVERIFY2(report.runReportToPDFSendMail(fileName, &sender), qPrintable(report.lastErrorMsg() + sender.lastError()));
    QVERIFY(!report.hasError());

    QFile pdf(fileName);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray written = pdf.readAll();
    QVERIFY(written.startsWith("%PDF"));
    QCOMPARE(server.messages().size(), 1);
    // Attached under its own name, without the local directory, byte for byte.
    const QJsonObject part = attachmentPart(readMessage(server.messages().first()), QStringLiteral("monthly.pdf"));
    QCOMPARE(part.value(QStringLiteral("type")).toString(), QStringLiteral("application/pdf"));
    QCOMPARE(partBytes(part), written);
}

void TestMailReport::failuresAreReported()
{
    QTemporaryDir dir;
    Tessarin report;
    report.setReportDefXml(definition());
    QVERIFY(!report.runReportToPDFSendMail(dir.filePath(QStringLiteral("a.pdf")), nullptr));

    // A server that is not there: the PDF is written, the send fails, and the report says so.
    LMailSender sender(false);
    sender.setSmtpServer(QStringLiteral("127.0.0.1"));
    sender.setPort(freePort());
    sender.setTimeout(2000);
    sender.setTo({QStringLiteral("boss@example.test")});
    QVERIFY(!report.runReportToPDFSendMail(dir.filePath(QStringLiteral("b.pdf")), &sender));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("b.pdf"))));
    QVERIFY(report.hasError());
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("The report could not be mailed: Time out connecting host"));

    // A report that fails is not mailed at all.
    ScriptedSmtpServer server({"220 hi\r\n"}, 300);
    sender.setPort(server.startListening());
    report.setReportDefXml(QStringLiteral("<Tessarin version=\"2.0\"><broken"));
    QVERIFY(!report.runReportToPDFSendMail(dir.filePath(QStringLiteral("c.pdf")), &sender));
    server.wait();
    QVERIFY(sender.lastMailData().contains(QStringLiteral("b.pdf"))); // still the earlier attempt
    QVERIFY(!sender.lastMailData().contains(QStringLiteral("c.pdf")));
}

QTEST_MAIN(TestMailReport)
#include "tst_mail_report.moc"
