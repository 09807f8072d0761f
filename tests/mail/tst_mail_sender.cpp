#include "lmailsender.h"
#include "mailtestutil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QtTest>

class TestMailSender : public QObject
{
    Q_OBJECT
private slots:
    void messageText();
    void headerInjectionIsImpossible();
    void roundTripThroughRealServer();
    void latin1Body();
    void authentication_data();
    void authentication();
    void sslConnection();
    void dialogueEdges();
    void silentServerFailsInBoundedTime_data();
    void silentServerFailsInBoundedTime();
    void refusedRecipientEndsTheSend();
    void reuseAfterFailure();
    void asynchronousSend();
};

namespace {
// A port nobody listens on: the send fails at once, after building the message.
LMailSender *offlineSender(QObject *parent)
{
    auto *sender = new LMailSender(false, parent);
    sender->setSmtpServer(QStringLiteral("127.0.0.1"));
    sender->setPort(freePort());
    sender->setTimeout(2000);
    return sender;
}

QStringList headerLines(const QString &message)
{
    return message.left(message.indexOf(QStringLiteral("\n\n"))).split(QLatin1Char('\n'));
}

LMailSender *localSender(quint16 port, QObject *parent, bool ssl = false)
{
    auto *sender = new LMailSender(ssl, parent);
    sender->setSmtpServer(QStringLiteral("127.0.0.1"));
    sender->setPort(port);
    sender->setTimeout(5000);
    sender->setReadTimeout(5000);
    sender->setFrom(QStringLiteral("reports@example.test"));
    sender->setTo({QStringLiteral("boss@example.test")});
    sender->setSubject(QStringLiteral("Monthly"));
    sender->setBody(QStringLiteral("See attachment."));
    return sender;
}
} // namespace

void TestMailSender::messageText()
{
    LMailSender *sender = offlineSender(this);
    sender->setFrom(QStringLiteral("me@example.test"));
    sender->setFromName(QStringLiteral("Report Robot"));
    sender->setTo({QStringLiteral("a@example.test"), QStringLiteral("b@example.test")});
    sender->setCc({QStringLiteral("c@example.test"), QStringLiteral("d@example.test")});
    sender->setBcc({QStringLiteral("hidden@example.test")});
    sender->setSubject(QStringLiteral("Figures"));
    sender->setBody(QStringLiteral("Hello"));
    QByteArray bytes(145, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    sender->setAttachment(QStringLiteral("data.bin"), bytes);
    QVERIFY(!sender->send());
    QCOMPARE(sender->lastError(), QStringLiteral("Time out connecting host"));

    const QString m = sender->lastMailData();
    const QStringList head = headerLines(m);
    QVERIFY2(QRegularExpression(QStringLiteral("^Message-ID: [0-9a-f]{32}@127\\.0\\.0\\.1$")).match(head.at(0)).hasMatch(),
             qPrintable(head.at(0)));
    QCOMPARE(head.at(1), QStringLiteral("From: \"Report Robot\" <me@example.test>"));
    QCOMPARE(head.at(2), QStringLiteral("To: <a@example.test>,<b@example.test>,"));
    QCOMPARE(head.at(3), QStringLiteral("Cc: c@example.test,d@example.test"));
    QCOMPARE(head.at(4), QStringLiteral("Subject: Figures"));
    QVERIFY2(QRegularExpression(QStringLiteral("^Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [1-9]\\d? "
                                               "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                                               "\\d\\d:\\d\\d:\\d\\d$"))
                 .match(head.at(5)).hasMatch(),
             qPrintable(head.at(5)));
    QCOMPARE(head.at(6), QStringLiteral("MIME-Version: 1.0"));
    const auto boundary = QRegularExpression(QStringLiteral("^Content-Type: Multipart/Mixed; boundary=\"(_part_[0-9a-f]{26})\"$"))
                              .match(head.at(7));
    QVERIFY2(boundary.hasMatch(), qPrintable(head.at(7)));
    QVERIFY(!m.contains(QStringLiteral("hidden@")));

    const QString b = boundary.captured(1);
    QVERIFY(m.contains(QStringLiteral("\n\nThis is a multi-part message in MIME format.\n\n--") + b
                       + QStringLiteral("\nContent-Type: text/plain;\n  charset=utf-8\n"
                                        "Content-Transfer-Encoding: 8bit\n\nHello\n--")
                       + b + QLatin1Char('\n')));
    QVERIFY(m.contains(QStringLiteral("Content-Type: text/plain;  name=\"data.bin\"\n"
                                      "Content-Transfer-Encoding: base64\n"
                                      "Content-Disposition: attachment;  filename=\"data.bin\";\n"
                                      "  size=\"145\";\n\n")));
    // 145 bytes are 196 Base64 characters: lines of 72, 72 and 52.
    const QString tail = m.mid(m.indexOf(QStringLiteral("size=\"145\";\n\n")) + 13);
    const QStringList lines = tail.left(tail.indexOf(QStringLiteral("\n--"))).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).size(), 72);
    QCOMPARE(lines.at(1).size(), 72);
    QCOMPARE(lines.at(2).size(), 52);
    QCOMPARE(QByteArray::fromBase64(lines.join(QString()).toLatin1()), bytes);
    QVERIFY(m.endsWith(QStringLiteral("\n--") + b + QStringLiteral("--\n\n")));

    // The type follows the last piece of the name, compared case-sensitively.
    QCOMPARE(LMailSender::mimeTypeOf(QStringLiteral("my.report.2024.PDF")), QStringLiteral("text/plain"));
    QCOMPARE(LMailSender::mimeTypeOf(QStringLiteral("archive.pdf.gz")), QStringLiteral("application/x-gzip"));

    // No To recipients: no To header at all.
    sender->setTo({});
    QVERIFY(!sender->send());
    QVERIFY(!sender->lastMailData().contains(QStringLiteral("\nTo:")));
}

void TestMailSender::headerInjectionIsImpossible()
{
    LMailSender *sender = offlineSender(this);
    sender->setFrom(QStringLiteral("me@example.test"));
    sender->setFromName(QStringLiteral("Robot\r\nBcc: spy@example.test"));
    sender->setTo({QStringLiteral("a@example.test")});
    sender->setSubject(QStringLiteral("Hi\r\nBcc: spy@example.test\nX-Evil: 1"));
    sender->setAttachment(QStringLiteral("a\r\nX-Evil: 2.pdf"), "x");
    QVERIFY(!sender->send());
    for (const QString &line : sender->lastMailData().split(QLatin1Char('\n'))) {
        QVERIFY2(!line.startsWith(QLatin1String("Bcc:")), qPrintable(line));
        QVERIFY2(!line.startsWith(QLatin1String("X-Evil")), qPrintable(line));
    }
    QVERIFY(sender->lastMailData().contains(QStringLiteral("Subject: Hi  Bcc: spy@example.test X-Evil: 1\n")));

    // A line break in an address would inject SMTP commands: refused before connecting.
    ScriptedSmtpServer server({"220 hi\r\n"}, 300);
    auto *bad = localSender(server.startListening(), this);
    bad->setTo({QStringLiteral("a@example.test>\r\nRCPT TO:<spy@example.test")});
    QVERIFY(!bad->send());
    QVERIFY2(bad->lastError().startsWith(QStringLiteral("Invalid address: ")), qPrintable(bad->lastError()));
    QVERIFY(bad->lastCmd().isEmpty());
    server.wait();
    QVERIFY(server.commands().isEmpty());
}

void TestMailSender::roundTripThroughRealServer()
{
    SmtpServerProcess server;
    QVERIFY2(server.start(), "aiosmtpd did not start");
    LMailSender *sender = localSender(server.port(), this);
    sender->setFromName(QStringLiteral("Jürgen Åström"));
    sender->setTo({QStringLiteral("to1@example.test"), QStringLiteral("to2@example.test")});
    sender->setCc({QStringLiteral("cc@example.test")});
    sender->setBcc({QStringLiteral("bcc@example.test")});
    sender->setSubject(QStringLiteral("Umsatz März – Übersicht"));
    // Lines that would end or confuse the DATA phase, and mixed line ends.
    sender->setBody(QStringLiteral("Grüße\r\n.\n..two\rlast"));
    QByteArray binary(5000, '\0');
    QRandomGenerator generator(42);
    for (char &c : binary)
        c = char(generator.bounded(256));
    sender->setAttachment(QStringLiteral("figures.pdf"), binary);
    sender->setAttachment(QStringLiteral("notes.txt"), QByteArray("a\r\nb\n"));
    QVERIFY2(sender->send(), qPrintable(sender->lastError() + " / " + sender->lastResponse()));
    QVERIFY(sender->lastError().isEmpty());

    const QStringList files = server.messages();
    QCOMPARE(files.size(), 1);
    QFile raw(files.first());
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray rawData = raw.readAll();
    // Every line of the message body (the server's own envelope lines aside) fits 76 characters.
    for (const QByteArray &line : rawData.mid(rawData.indexOf("\r\n\r\n")).split('\n'))
        QVERIFY2(line.size() <= 77, line.constData()); // 76 plus CR

    const QJsonObject message = readMessage(files.first());
    QVERIFY(!message.isEmpty());
    QCOMPARE(message.value("x-envelope-from").toString(), QStringLiteral("reports@example.test"));
    QCOMPARE(message.value("x-envelope-to").toString(),
             QStringLiteral("to1@example.test,to2@example.test,cc@example.test,bcc@example.test"));
    QCOMPARE(message.value("subject").toString(), QStringLiteral("Umsatz März – Übersicht"));
    QCOMPARE(message.value("from").toString(), QStringLiteral("Jürgen Åström <reports@example.test>"));
    QVERIFY(!message.contains("bcc"));
    const QJsonArray parts = message.value("parts").toArray();
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0).toObject().value("text").toString(), QStringLiteral("Grüße\n.\n..two\nlast"));
    const QJsonObject pdf = attachmentPart(message, QStringLiteral("figures.pdf"));
    QCOMPARE(pdf.value("type").toString(), QStringLiteral("application/pdf"));
    QCOMPARE(partBytes(pdf), binary);
    QCOMPARE(partBytes(attachmentPart(message, QStringLiteral("notes.txt"))), QByteArray("a\r\nb\n"));
}

void TestMailSender::latin1Body()
{
    SmtpServerProcess server;
    QVERIFY(server.start());
    for (bool base64 : {false, true}) {
        LMailSender *sender = localSender(server.port(), this);
        sender->setISO(LMailSender::Iso88591);
        if (base64)
            sender->setEncoding(LMailSender::EncodingBase64);
        sender->setBody(QStringLiteral("Straße, Größe"));
        QVERIFY2(sender->send(), qPrintable(sender->lastError()));
    }
    const QStringList files = server.messages();
    QCOMPARE(files.size(), 2);
    for (const QString &file : files) {
        const QJsonObject body = readMessage(file).value("parts").toArray().at(0).toObject();
        QCOMPARE(body.value("charset").toString(), QStringLiteral("iso-8859-1"));
        // The bytes on the wire are those of the charset the part names.
        QByteArray bytes = partBytes(body);
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        QCOMPARE(bytes, QByteArray("Stra\xdf" "e, Gr\xf6\xdf" "e"));
    }
}

void TestMailSender::authentication_data()
{
    QTest::addColumn<bool>("plainOnly");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("mechanism");
    QTest::newRow("LOGIN") << false << "s3cret" << true << "LOGIN";
    QTest::newRow("PLAIN only offered") << true << "s3cret" << true << "PLAIN";
    QTest::newRow("wrong password") << false << "guess" << false << "";
}

void TestMailSender::authentication()
{
    QFETCH(bool, plainOnly);
    QFETCH(QString, password);
    QFETCH(bool, sent);
    QFETCH(QString, mechanism);
    SmtpServerProcess server;
    QStringList args{QStringLiteral("--user"), QStringLiteral("robot"), QStringLiteral("--password"),
                     QStringLiteral("s3cret")};
    if (plainOnly)
        args << QStringLiteral("--plain-only");
    QVERIFY(server.start(args));
    LMailSender *sender = localSender(server.port(), this);
    sender->setLogin(QStringLiteral("robot"), password);
    QCOMPARE(sender->send(), sent);
    if (!sent) {
        QCOMPARE(sender->lastError(), QStringLiteral("waiting for 235, received 535"));
        QCOMPARE(sender->lastCmd(), QStringLiteral("***")); // the password is not kept
        QVERIFY(server.messages().isEmpty());
        return;
    }
    QCOMPARE(readMessage(server.messages().value(0)).value("x-auth-mechanism").toString(), mechanism);
}

void TestMailSender::sslConnection()
{
    QTemporaryDir dir;
    const QString cert = dir.filePath("cert.pem");
    const QString key = dir.filePath("key.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
                   "1", "-subj", "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout",
                   key, "-out", cert});
    QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
    SmtpServerProcess server;
    QVERIFY(server.start({QStringLiteral("--cert"), cert, QStringLiteral("--key"), key}));

    // A certificate nobody vouches for ends the send with the socket's own reason.
    LMailSender *untrusted = localSender(server.port(), this, true);
    QVERIFY(!untrusted->send());
    QVERIFY2(untrusted->lastError().contains(QStringLiteral("certificate"), Qt::CaseInsensitive),
             qPrintable(untrusted->lastError()));

    LMailSender *trusted = localSender(server.port(), this, true);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(cert));
    trusted->setSslConfiguration(configuration);
    QVERIFY2(trusted->send(), qPrintable(trusted->lastError()));

    // A sender made without SSL and switched to it afterwards uses SSL too.
    LMailSender *switched = localSender(server.port(), this, false);
    switched->setSsl(true);
    switched->setSslConfiguration(configuration);
    QVERIFY2(switched->send(), qPrintable(switched->lastError()));
    QCOMPARE(server.messages().size(), 2);
}

void TestMailSender::dialogueEdges()
{
    // EHLO refused, HELO accepted; a multi-line reply arriving in pieces;
    // the server hanging up instead of answering QUIT after taking the message.
    ScriptedSmtpServer server({"220 scripted\r\n", "502 no EHLO here\r\n", "250 hello\r\n",
                               "250-first|pause|\r\n250-second\r\n|pause|250 last line\r\n", "250 rcpt\r\n",
                               "354 go\r\n", "250 queued\r\n"});
    LMailSender *sender = localSender(server.startListening(), this);
    sender->setTo({});
    sender->setCc({QStringLiteral("cc@example.test")});
    sender->setBody(QStringLiteral(".leading dot"));
    QVERIFY2(sender->send(), qPrintable(sender->lastError()));
    server.wait();
    QCOMPARE(server.commands(),
             (QStringList{"EHLO there", "HELO there", "MAIL FROM:<reports@example.test>", "RCPT TO:<cc@example.test>",
                          "DATA", "QUIT"}));
    QVERIFY(server.data().contains("\r\n..leading dot\r\n"));
    QVERIFY(!server.data().contains("\n.leading"));
}

void TestMailSender::silentServerFailsInBoundedTime_data()
{
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("lastCmd");
    QTest::newRow("no greeting") << QList<QByteArray>{""} << "Read timeout" << "";
    QTest::newRow("silent after EHLO") << QList<QByteArray>{"220 hi\r\n", "250 ok\r\n"} << "Read timeout"
                                       << "MAIL FROM:<reports@example.test>";
    QTest::newRow("half a line") << QList<QByteArray>{"220 hal"} << "Can't read" << "";
    QTest::newRow("multi-line greeting never ends") << QList<QByteArray>{"220-one\r\n220-two\r\n"} << "Can't read"
                                                    << "";
}

void TestMailSender::silentServerFailsInBoundedTime()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QString, error);
    QFETCH(QString, lastCmd);
    ScriptedSmtpServer server(replies, 3000);
    LMailSender *sender = localSender(server.startListening(), this);
    sender->setReadTimeout(400);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!sender->send());
    // One wait for the reply that never comes (EHLO may add a HELO try).
    QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(sender->lastError(), error);
    if (!lastCmd.isEmpty())
        QCOMPARE(sender->lastCmd(), lastCmd);
}

void TestMailSender::refusedRecipientEndsTheSend()
{
    ScriptedSmtpServer server({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 no such user\r\n"});
    LMailSender *sender = localSender(server.startListening(), this);
    sender->setTo({QStringLiteral("nobody@example.test"), QStringLiteral("other@example.test")});
    QVERIFY(!sender->send());
    QCOMPARE(sender->lastError(), QStringLiteral("waiting for 250, received 550"));
    QCOMPARE(sender->lastCmd(), QStringLiteral("RCPT TO:<nobody@example.test>"));
    QCOMPARE(sender->lastResponse(), QStringLiteral("550 no such user"));
    server.wait();
    QVERIFY(!server.commands().contains(QStringLiteral("RCPT TO:<other@example.test>")));
}

void TestMailSender::reuseAfterFailure()
{
    SmtpServerProcess server;
    QVERIFY(server.start());
    LMailSender *sender = localSender(server.port(), this);
    sender->setTo({QStringLiteral("bad\naddress")});
    QVERIFY(!sender->send());
    sender->setTo({QStringLiteral("first@example.test")});
    QVERIFY(sender->send());
    sender->setTo({QStringLiteral("second@example.test")});
    QVERIFY(sender->send());
    QCOMPARE(server.messages().size(), 2);
    QCOMPARE(readMessage(server.messages().at(1)).value("x-envelope-to").toString(),
             QStringLiteral("second@example.test"));
}

void TestMailSender::asynchronousSend()
{
    SmtpServerProcess server;
    QVERIFY(server.start());
    for (const bool reachable : {true, false}) {
        auto *sender = new LMailSender(false, LMailSender::Asynchronous);
        sender->setSmtpServer(QStringLiteral("127.0.0.1"));
        sender->setPort(reachable ? server.port() : freePort());
        sender->setFrom(QStringLiteral("reports@example.test"));
        sender->setTo({QStringLiteral("boss@example.test")});
        QPointer<LMailSender> guard(sender);
        int results = 0;
        bool result = !reachable;
        // Emitted on the sender's thread, received here through the event loop.
        connect(sender, &LMailSender::sendFinished, this, [&](bool ok) { ++results; result = ok; });
        QVERIFY(sender->send()); // returns at once
        QTRY_COMPARE_WITH_TIMEOUT(results, 1, 10000);
        QCOMPARE(result, reachable);
        QTRY_VERIFY(!guard); // it deleted itself after its thread ended
    }
    QCOMPARE(server.messages().size(), 1);
}

QTEST_MAIN(TestMailSender)
#include "tst_mail_sender.moc"
