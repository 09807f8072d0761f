#include "lmailsender.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHostInfo>
#include <QLocale>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTextCodec>

struct LMailSenderPrivate
{
    QString server;
    quint16 port = 25;
    int timeout = 30000;
    int readTimeout = 30000;
    QString user;
    QString password;
    bool ssl = false;
    bool hasSslConfiguration = false;
    QSslConfiguration sslConfiguration;
    LMailSender::SendMode mode = LMailSender::Synchronous;
    QString from;
    QString fromName;
    QString replyTo;
    QStringList to;
    QStringList cc;
    QStringList bcc;
    QString subject;
    QString body;
    QList<QPair<QString, QByteArray>> attachments;
    LMailSender::Priority priority = LMailSender::PriorityNormal;
    LMailSender::ContentType contentType = LMailSender::TextContent;
    QString encoding = QStringLiteral("8bit");
    QString charset = QStringLiteral("utf-8");
    QString codecName = QStringLiteral("UTF-8");
    QAuthenticator proxyAuthenticator;
    QString lastCmd;
    QString lastResponse;
    QString lastError;
    QString lastMailData;
    // The socket of synchronous sends; an asynchronous send makes its own on its thread.
    QAbstractSocket *socket = nullptr;
};

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LMailSender", text);
}

// A reply larger than this without a line end is not an SMTP server talking.
constexpr qint64 MaxReplyBytes = 64 * 1024;

QString randomDigest()
{
    const QByteArray seed = QByteArray::number(QRandomGenerator::global()->generate());
    return QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Md5).toHex());
}

// Header values are single lines: a line break would start a header of the caller's choosing.
QString headerText(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return out;
}

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7e)
            return false;
    return true;
}

// Non-ASCII header text as UTF-8 encoded words, each short enough for one header line.
QString encodedWords(const QString &text)
{
    QStringList words;
    QString chunk;
    int chunkBytes = 0;
    const auto flush = [&]() {
        if (!chunk.isEmpty())
            words.append(QStringLiteral("=?utf-8?B?") + QString::fromLatin1(chunk.toUtf8().toBase64())
                         + QStringLiteral("?="));
        chunk.clear();
        chunkBytes = 0;
    };
    for (int i = 0; i < text.size(); ++i) {
        QString ch = text.at(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            ch += text.at(++i);
        const int bytes = ch.toUtf8().size();
        if (chunkBytes + bytes > 45)
            flush();
        chunk += ch;
        chunkBytes += bytes;
    }
    flush();
    return words.join(QStringLiteral("\n "));
}

QString quotedName(const QString &name)
{
    const QString clean = headerText(name);
    if (!isAscii(clean))
        return encodedWords(clean);
    QString escaped = clean;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString unstructured(const QString &text)
{
    const QString clean = headerText(text);
    return isAscii(clean) ? clean : encodedWords(clean);
}

// Addresses go into commands and headers verbatim: no line breaks, no brackets.
bool isValidAddress(const QString &address)
{
    for (const QChar c : address)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('<') || c == QLatin1Char('>'))
            return false;
    return true;
}

QStringList recipients(const QStringList &list)
{
    QStringList out;
    for (const QString &address : list)
        if (!address.trimmed().isEmpty())
            out.append(address.trimmed());
    return out;
}

QString base64Lines(const QByteArray &data, int width)
{
    const QByteArray encoded = data.toBase64();
    QStringList lines;
    for (int pos = 0; pos < encoded.size(); pos += width)
        lines.append(QString::fromLatin1(encoded.mid(pos, width)));
    return lines.join(QLatin1Char('\n'));
}

QString normalizedLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The message as SMTP carries it: CR LF line ends, a leading dot doubled so
// that no line of the text can end the DATA phase, then the terminator.
QByteArray wireData(const QString &message, QTextCodec *codec)
{
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.startsWith(QLatin1Char('.')))
            line.prepend(QLatin1Char('.'));
    QByteArray data = codec->fromUnicode(lines.join(QStringLiteral("\r\n")));
    if (!data.endsWith("\r\n"))
        data += "\r\n";
    return data + ".\r\n";
}

class SmtpDialogue
{
public:
    SmtpDialogue(LMailSenderPrivate *d, QAbstractSocket *socket, QTextCodec *codec)
        : d(d), socket(socket), codec(codec)
    {
    }

    bool run();

private:
    bool fail(const QString &error)
    {
        d->lastError = error;
        return false;
    }
    bool connectToServer();
    bool writeAll(const QByteArray &data);
    bool readReply(const QString &expected, QStringList *lines = nullptr);
    bool command(const QString &cmd, const QString &expected, QStringList *lines = nullptr,
                 const QString &shown = QString());
    bool authenticate(const QStringList &ehloLines);

    LMailSenderPrivate *d;
    QAbstractSocket *socket;
    QTextCodec *codec;
};

bool SmtpDialogue::connectToServer()
{
    if (d->ssl) {
        auto *ssl = qobject_cast<QSslSocket *>(socket);
        if (d->hasSslConfiguration)
            ssl->setSslConfiguration(d->sslConfiguration);
        ssl->connectToHostEncrypted(d->server, d->port);
        if (!ssl->waitForEncrypted(d->timeout))
            return fail(ssl->errorString());
        return true;
    }
    socket->connectToHost(d->server, d->port);
    if (!socket->waitForConnected(d->timeout))
        return fail(tr("Time out connecting host"));
    return true;
}

bool SmtpDialogue::writeAll(const QByteArray &data)
{
    if (socket->write(data) != data.size())
        return fail(tr("Can't write: %1").arg(socket->errorString()));
    // The wait restarts whenever the server takes some bytes: a large
    // attachment on a slow line is fine, a server that stopped reading is not.
    while (socket->bytesToWrite() > 0) {
        if (!socket->waitForBytesWritten(d->readTimeout))
            return fail(tr("Can't write: %1").arg(socket->errorString()));
    }
    return true;
}

bool SmtpDialogue::readReply(const QString &expected, QStringList *lines)
{
    // A reply may come in pieces; it is complete with its last line (the
    // code followed by a space). The whole reply must arrive in time.
    QDeadlineTimer deadline(d->readTimeout);
    bool gotData = false;
    for (;;) {
        while (socket->canReadLine()) {
            gotData = true;
            QString line = codec->toUnicode(socket->readLine());
            while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            d->lastResponse = line;
            if (lines)
                lines->append(line);
            if (line.size() < 4 || line.at(3) != QLatin1Char('-')) {
                const QString code = line.left(3);
                if (code != expected)
                    return fail(tr("waiting for %1, received %2").arg(expected, code));
                return true;
            }
        }
        if (socket->bytesAvailable() > MaxReplyBytes)
            return fail(tr("Can't read"));
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || socket->state() != QAbstractSocket::ConnectedState)
            break;
        if (socket->waitForReadyRead(int(left)))
            gotData = true;
    }
    return fail(gotData || socket->bytesAvailable() > 0 ? tr("Can't read") : tr("Read timeout"));
}

bool SmtpDialogue::command(const QString &cmd, const QString &expected, QStringList *lines, const QString &shown)
{
    d->lastCmd = shown.isNull() ? cmd : shown;
    if (!writeAll(codec->fromUnicode(cmd) + "\r\n"))
        return false;
    return readReply(expected, lines);
}

bool SmtpDialogue::authenticate(const QStringList &ehloLines)
{
    QStringList mechanisms;
    for (const QString &line : ehloLines) {
        const QString keyword = line.mid(4).trimmed().toUpper();
        if (keyword.startsWith(QLatin1String("AUTH ")) || keyword.startsWith(QLatin1String("AUTH=")))
            mechanisms += keyword.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    // LOGIN unless the server offers PLAIN only.
    if (!mechanisms.isEmpty() && !mechanisms.contains(QLatin1String("LOGIN"))
        && mechanisms.contains(QLatin1String("PLAIN"))) {
        const QByteArray token = '\0' + d->user.toUtf8() + '\0' + d->password.toUtf8();
        return command(QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(token.toBase64()), QStringLiteral("235"),
                       nullptr, QStringLiteral("AUTH PLAIN ***"));
    }
    // The password's line is not kept as the last command: it ends up in logs.
    return command(QStringLiteral("AUTH LOGIN"), QStringLiteral("334"))
        && command(QString::fromLatin1(d->user.toUtf8().toBase64()), QStringLiteral("334"))
        && command(QString::fromLatin1(d->password.toUtf8().toBase64()), QStringLiteral("235"), nullptr,
                   QStringLiteral("***"));
}

bool SmtpDialogue::run()
{
    if (!connectToServer())
        return false;
    if (!readReply(QStringLiteral("220")))
        return false;
    QStringList ehloLines;
    if (!command(QStringLiteral("EHLO there"), QStringLiteral("250"), &ehloLines)) {
        ehloLines.clear();
        if (!command(QStringLiteral("HELO there"), QStringLiteral("250")))
            return false;
    }
    if (!d->user.isEmpty() && !authenticate(ehloLines))
        return false;
    if (!command(QStringLiteral("MAIL FROM:<") + d->from.trimmed() + QLatin1Char('>'), QStringLiteral("250")))
        return false;
    for (const QString &address : recipients(d->to) + recipients(d->cc) + recipients(d->bcc)) {
        if (!command(QStringLiteral("RCPT TO:<") + address + QLatin1Char('>'), QStringLiteral("250")))
            return false;
    }
    if (!command(QStringLiteral("DATA"), QStringLiteral("354")))
        return false;
    d->lastCmd = d->lastMailData + QStringLiteral("\r\n.");
    if (!writeAll(wireData(d->lastMailData, codec)) || !readReply(QStringLiteral("250")))
        return false;
    // The server has taken the message: a lost answer to QUIT does not unsend it.
    command(QStringLiteral("QUIT"), QStringLiteral("221"));
    d->lastError.clear();
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(qMin(d->readTimeout, 2000));
    return true;
}

} // namespace

LMailSender::LMailSender(bool ssl, QObject *parent)
    : LMailSender(ssl, Synchronous, parent)
{
}

LMailSender::LMailSender(bool ssl, SendMode mode, QObject *parent)
    : QThread(parent)
    , d(new LMailSenderPrivate)
{
    d->ssl = ssl;
    d->mode = mode;
    d->socket = createSocket(this);
}

LMailSender::~LMailSender()
{
    if (isRunning())
        wait();
    delete d;
}

QAbstractSocket *LMailSender::createSocket(QObject *parent)
{
    QAbstractSocket *socket = d->ssl ? new QSslSocket(parent) : new QTcpSocket(parent);
    // Direct: an asynchronous send's socket lives on the send's thread, and
    // the authenticator it passes is only valid during the call.
    connect(socket, SIGNAL(error(QAbstractSocket::SocketError)), this,
            SLOT(errorReceived(QAbstractSocket::SocketError)), Qt::DirectConnection);
    connect(socket, SIGNAL(proxyAuthenticationRequired(QNetworkProxy, QAuthenticator *)), this,
            SLOT(proxyAuthentication(QNetworkProxy, QAuthenticator *)), Qt::DirectConnection);
    return socket;
}

void LMailSender::setSmtpServer(const QString &host) { d->server = host; }
QString LMailSender::smtpServer() const { return d->server; }
void LMailSender::setPort(quint16 port) { d->port = port; }
quint16 LMailSender::port() const { return d->port; }
void LMailSender::setTimeout(int msec) { d->timeout = msec; }
int LMailSender::timeout() const { return d->timeout; }
void LMailSender::setReadTimeout(int msec) { d->readTimeout = msec; }
int LMailSender::readTimeout() const { return d->readTimeout; }

void LMailSender::setLogin(const QString &user, const QString &password)
{
    d->user = user;
    d->password = password;
}

QString LMailSender::user() const { return d->user; }
void LMailSender::setSsl(bool ssl) { d->ssl = ssl; }
bool LMailSender::ssl() const { return d->ssl; }

void LMailSender::setSslConfiguration(const QSslConfiguration &configuration)
{
    d->sslConfiguration = configuration;
    d->hasSslConfiguration = true;
}

QSslConfiguration LMailSender::sslConfiguration() const
{
    return d->hasSslConfiguration ? d->sslConfiguration : QSslConfiguration::defaultConfiguration();
}

LMailSender::SendMode LMailSender::sendMode() const { return d->mode; }

void LMailSender::setFrom(const QString &address)
{
    d->from = address;
    d->fromName = address;
    d->replyTo = address;
}

QString LMailSender::from() const { return d->from; }
void LMailSender::setFromName(const QString &name) { d->fromName = name; }
QString LMailSender::fromName() const { return d->fromName; }
void LMailSender::setReplyTo(const QString &address) { d->replyTo = address; }
QString LMailSender::replyTo() const { return d->replyTo; }
void LMailSender::setTo(const QStringList &addresses) { d->to = addresses; }
QStringList LMailSender::to() const { return d->to; }
void LMailSender::setCc(const QStringList &addresses) { d->cc = addresses; }
QStringList LMailSender::cc() const { return d->cc; }
void LMailSender::setBcc(const QStringList &addresses) { d->bcc = addresses; }
QStringList LMailSender::bcc() const { return d->bcc; }
void LMailSender::setSubject(const QString &subject) { d->subject = subject; }
QString LMailSender::subject() const { return d->subject; }
void LMailSender::setBody(const QString &body) { d->body = body; }
QString LMailSender::body() const { return d->body; }

void LMailSender::setAttachment(const QString &name, const QByteArray &data)
{
    d->attachments.append(qMakePair(name, data));
}

QList<QPair<QString, QByteArray>> LMailSender::attachments() const { return d->attachments; }
void LMailSender::clearAttachments() { d->attachments.clear(); }
void LMailSender::setPriority(Priority priority) { d->priority = priority; }
LMailSender::Priority LMailSender::priority() const { return d->priority; }
void LMailSender::setContentType(ContentType type) { d->contentType = type; }
LMailSender::ContentType LMailSender::contentType() const { return d->contentType; }

void LMailSender::setEncoding(Encoding encoding)
{
    switch (encoding) {
    case Encoding7bit:
        d->encoding = QStringLiteral("7bit");
        break;
    case Encoding8bit:
        d->encoding = QStringLiteral("8bit");
        break;
    case EncodingBase64:
        d->encoding = QStringLiteral("base64");
        break;
    }
}

QString LMailSender::encoding() const { return d->encoding; }

void LMailSender::setISO(ISO iso)
{
    switch (iso) {
    case Utf8:
        d->charset = QStringLiteral("utf-8");
        d->codecName = QStringLiteral("UTF-8");
        break;
    case Iso88591:
        d->charset = QStringLiteral("iso-8859-1");
        d->codecName = QStringLiteral("ISO 8859-1");
        break;
    }
}

QString LMailSender::charset() const { return d->charset; }
QString LMailSender::codecName() const { return d->codecName; }
void LMailSender::setProxyAuthenticator(const QAuthenticator &authenticator) { d->proxyAuthenticator = authenticator; }
QString LMailSender::lastCmd() const { return d->lastCmd; }
QString LMailSender::lastResponse() const { return d->lastResponse; }
QString LMailSender::lastError() const { return d->lastError; }
QString LMailSender::lastMailData() const { return d->lastMailData; }

QString LMailSender::mimeTypeOf(const QString &fileName)
{
    static const QHash<QString, QString> types = {
        {"txt", "text/plain"},
        {"htm", "text/html"},
        {"html", "text/html"},
        {"css", "text/css"},
        {"png", "image/png"},
        {"gif", "image/gif"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"bmp", "image/bmp"},
        {"tif", "image/tiff"},
        {"bz2", "application/x-bzip"},
        {"gz", "application/x-gzip"},
        {"tar", "application/x-tar"},
        {"zip", "application/zip"},
        {"aif", "audio/aiff"},
        {"aiff", "audio/aiff"},
        {"mid", "audio/mid"},
        {"midi", "audio/mid"},
        {"mp3", "audio/mpeg"},
        {"ogg", "audio/ogg"},
        {"wav", "audio/wav"},
        {"wma", "audio/x-ms-wma"},
        {"asf", "video/x-ms-asf"},
        {"asx", "video/x-ms-asf"},
        {"avi", "video/avi"},
        {"mpg", "video/mpeg"},
        {"mpeg", "video/mpeg"},
        {"wmv", "video/x-ms-wmv"},
        {"wmx", "video/x-ms-wmx"},
        {"xml", "text/xml"},
        {"xsl", "text/xsl"},
        {"doc", "application/msword"},
        {"rtf", "application/msword"},
        {"docx", "application/msword"},
        {"xls", "application/excel"},
        {"xlsx", "application/excel"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"pps", "application/vnd.ms-powerpoint"},
        {"pptx", "application/vnd.ms-powerpoint"},
        {"pdf", "application/pdf"},
        {"ai", "application/postscript"},
        {"eps", "application/postscript"},
        {"psd", "image/psd"},
        {"swf", "application/x-shockwave-flash"},
        {"ra", "audio/vnd.rn-realaudio"},
        {"ram", "audio/x-pn-realaudio"},
        {"rm", "application/vnd.rn-realmedia"},
        {"rv", "video/vnd.rn-realvideo"},
        {"exe", "application/x-msdownload"},
        {"pls", "audio/scpls"},
        {"m3u", "audio/x-mpegurl"},
    };
    return types.value(fileName.section(QLatin1Char('.'), -1), QStringLiteral("text/plain"));
}

QString LMailSender::buildMessage() const
{
    const QString boundary = QStringLiteral("_part_") + randomDigest().left(26);
    const QString host = d->server.isEmpty() ? QHostInfo::localHostName() : d->server;
    QString m;
    m += QStringLiteral("Message-ID: ") + randomDigest() + QLatin1Char('@') + headerText(host)
        + QLatin1Char('\n');
    m += QStringLiteral("From: ") + quotedName(d->fromName) + QStringLiteral(" <") + d->from.trimmed()
        + QStringLiteral(">\n");
    const QStringList to = recipients(d->to);
    if (!to.isEmpty()) {
        m += QStringLiteral("To: ");
        for (const QString &address : to)
            m += QLatin1Char('<') + address + QStringLiteral(">,");
        m += QLatin1Char('\n');
    }
    const QStringList cc = recipients(d->cc);
    if (!cc.isEmpty())
        m += QStringLiteral("Cc: ") + cc.join(QLatin1Char(',')) + QLatin1Char('\n');
    m += QStringLiteral("Subject: ") + unstructured(d->subject) + QLatin1Char('\n');
    const QDateTime now = QDateTime::currentDateTime();
    m += QStringLiteral("Date: ") + QLocale::c().toString(now, QStringLiteral("ddd, d MMM yyyy hh:mm:ss"))
        + QLatin1Char('\n');
    m += QStringLiteral("MIME-Version: 1.0\n");
    m += QStringLiteral("Content-Type: Multipart/Mixed; boundary=\"") + boundary + QStringLiteral("\"\n\n");
    m += QStringLiteral("This is a multi-part message in MIME format.\n\n");

    static const char *const contentTypes[] = {"text/plain", "text/html", "multipart/mixed"};
    const int type = qBound(0, int(d->contentType), 2);
    m += QStringLiteral("--") + boundary + QLatin1Char('\n');
    m += QStringLiteral("Content-Type: ") + QLatin1String(contentTypes[type]) + QStringLiteral(";\n");
    m += QStringLiteral("  charset=") + d->charset + QLatin1Char('\n');
    m += QStringLiteral("Content-Transfer-Encoding: ") + d->encoding + QStringLiteral("\n\n");
    const QString body = normalizedLineEnds(d->body);
    if (d->encoding.compare(QLatin1String("base64"), Qt::CaseInsensitive) == 0) {
        // The part says base64, so it is base64: the text in its charset, encoded.
        QTextCodec *codec = QTextCodec::codecForName(d->codecName.toLatin1());
        if (!codec)
            codec = QTextCodec::codecForName("UTF-8");
        QString crlf = body;
        crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        m += base64Lines(codec->fromUnicode(crlf), 76);
    } else {
        m += body;
    }
    m += QLatin1Char('\n');

    for (const auto &attachment : qAsConst(d->attachments)) {
        QString name = headerText(attachment.first);
        name.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        name.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        m += QStringLiteral("--") + boundary + QLatin1Char('\n');
        m += QStringLiteral("Content-Type: ") + mimeTypeOf(attachment.first) + QStringLiteral(";  name=\"") + name
            + QStringLiteral("\"\n");
        m += QStringLiteral("Content-Transfer-Encoding: base64\n");
        m += QStringLiteral("Content-Disposition: attachment;  filename=\"") + name + QStringLiteral("\";\n");
        m += QStringLiteral("  size=\"") + QString::number(attachment.second.size()) + QStringLiteral("\";\n\n");
        m += base64Lines(attachment.second, 72);
        m += QLatin1Char('\n');
    }
    m += QStringLiteral("--") + boundary + QStringLiteral("--\n\n");
    return m;
}

bool LMailSender::sendOn(QAbstractSocket *socket)
{
    d->lastCmd.clear();
    d->lastResponse.clear();
    d->lastError.clear();
    d->lastMailData = buildMessage();

    const QStringList addresses = QStringList(d->from) + d->to + d->cc + d->bcc;
    for (const QString &address : addresses) {
        if (!isValidAddress(address)) {
            d->lastError = tr("Invalid address: %1").arg(headerText(address));
            return false;
        }
    }

    QTextCodec *codec = QTextCodec::codecForName(d->codecName.toLatin1());
    if (!codec)
        codec = QTextCodec::codecForName("UTF-8");
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->abort();
    SmtpDialogue dialogue(d, socket, codec);
    const bool ok = dialogue.run();
    // A failed dialogue is dropped, so that the server is not left waiting
    // and the next send starts on a clean socket.
    if (!ok)
        socket->abort();
    return ok;
}

bool LMailSender::send()
{
    if (d->mode == Asynchronous) {
        // Deleted once its thread has really ended, never while it still runs.
        connect(this, SIGNAL(finished()), this, SLOT(deleteLater()), Qt::UniqueConnection);
        start(QThread::InheritPriority);
        return true;
    }
    // The socket kind was chosen at construction; follow a later change of the SSL flag.
    if (d->ssl != bool(qobject_cast<QSslSocket *>(d->socket))) {
        delete d->socket;
        d->socket = createSocket(this);
    }
    const bool ok = sendOn(d->socket);
    emit sendFinished(ok);
    return ok;
}

void LMailSender::run()
{
    // Sockets belong to the thread that uses them.
    QAbstractSocket *socket = createSocket(nullptr);
    const bool ok = sendOn(socket);
    delete socket;
    emit sendFinished(ok);
}

void LMailSender::errorReceived(QAbstractSocket::SocketError socketError)
{
    Q_UNUSED(socketError)
}

void LMailSender::proxyAuthentication(const QNetworkProxy &proxy, QAuthenticator *authenticator)
{
    Q_UNUSED(proxy)
    if (authenticator)
        *authenticator = d->proxyAuthenticator;
}
