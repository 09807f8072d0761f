#ifndef LMAILSENDER_H
#define LMAILSENDER_H

#include "tessaringlobal.h"

#include <QAbstractSocket>
#include <QAuthenticator>
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QThread>

class QNetworkProxy;
struct LMailSenderPrivate;

// An SMTP client that mails one MIME message (a text part and any number of
// attachments). send() either holds the whole dialogue on the calling thread
// or, in asynchronous mode, on a thread of its own. Every wait on the server
// is bounded, so a silent server ends the send with "Read timeout".
//
// After a send, lastCmd(), lastResponse() and lastError() tell where the
// dialogue stopped; lastMailData() is the message that was built.
class TESSARIN2_EXPORT LMailSender : public QThread
{
    Q_OBJECT
public:
    enum SendMode { Synchronous = 0, Asynchronous = 1 };
    Q_ENUM(SendMode)
    enum ContentType { TextContent = 0, HtmlContent = 1, MultiPartMixedContent = 2 };
    Q_ENUM(ContentType)
    enum Encoding { Encoding7bit = 0, Encoding8bit = 1, EncodingBase64 = 2 };
    Q_ENUM(Encoding)
    enum ISO { Utf8 = 0, Iso88591 = 1 };
    Q_ENUM(ISO)
    // Kept for the application; the message carries no priority header.
    enum Priority { PriorityHigh = 0, PriorityNormal = 1, PriorityLow = 2 };
    Q_ENUM(Priority)

    explicit LMailSender(bool ssl = false, QObject *parent = nullptr);
    LMailSender(bool ssl, SendMode mode, QObject *parent = nullptr);
    ~LMailSender() override;

    void setSmtpServer(const QString &host);
    QString smtpServer() const;
    void setPort(quint16 port);
    quint16 port() const;
    // Connect time-out in milliseconds (default 30000).
    void setTimeout(int msec);
    int timeout() const;
    // Longest wait for one server reply, in milliseconds (default 30000).
    void setReadTimeout(int msec);
    int readTimeout() const;
    void setLogin(const QString &user, const QString &password);
    QString user() const;
    void setSsl(bool ssl);
    bool ssl() const;
    // Certificates and protocols of SSL connections (a private CA, for instance).
    void setSslConfiguration(const QSslConfiguration &configuration);
    QSslConfiguration sslConfiguration() const;
    SendMode sendMode() const;

    // Also sets the display name and the reply-to address to the address.
    void setFrom(const QString &address);
    QString from() const;
    void setFromName(const QString &name);
    QString fromName() const;
    void setReplyTo(const QString &address);
    QString replyTo() const;
    void setTo(const QStringList &addresses);
    QStringList to() const;
    void setCc(const QStringList &addresses);
    QStringList cc() const;
    void setBcc(const QStringList &addresses);
    QStringList bcc() const;
    void setSubject(const QString &subject);
    QString subject() const;
    void setBody(const QString &body);
    QString body() const;
    // Appends one attachment; the MIME type follows the name's extension.
    void setAttachment(const QString &name, const QByteArray &data);
    QList<QPair<QString, QByteArray>> attachments() const;
    void clearAttachments();
    void setPriority(Priority priority);
    Priority priority() const;
    void setContentType(ContentType type);
    ContentType contentType() const;
    void setEncoding(Encoding encoding);
    QString encoding() const;
    // Charset written into the message and codec of the text on the wire.
    void setISO(ISO iso);
    QString charset() const;
    QString codecName() const;
    void setProxyAuthenticator(const QAuthenticator &authenticator);

    QString lastCmd() const;
    QString lastResponse() const;
    QString lastError() const;
    QString lastMailData() const;

    // The MIME type used for an attachment of that name.
    static QString mimeTypeOf(const QString &fileName);

    // Synchronous: sends and returns the result. Asynchronous: starts the
    // thread and returns true at once; sendFinished() brings the result and
    // the sender deletes itself once the thread has ended, so it must not
    // be touched after send().
    bool send();

Q_SIGNALS:
    void sendFinished(bool success);

protected:
    void run() override;

private Q_SLOTS:
    void errorReceived(QAbstractSocket::SocketError socketError);
    void proxyAuthentication(const QNetworkProxy &proxy, QAuthenticator *authenticator);

private:
    QAbstractSocket *createSocket(QObject *parent);
    bool sendOn(QAbstractSocket *socket);
    QString buildMessage() const;

    LMailSenderPrivate *d;
};

#endif // LMAILSENDER_H
