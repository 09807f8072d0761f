#include "tessarinhttpclient.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QStringList>
#include <QTimer>

TessarinHttpClient::TessarinHttpClient(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_idleTimer(new QTimer(this))
{
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setInterval(m_timeout);
    connect(m_idleTimer, SIGNAL(timeout()), this, SLOT(cancelDownload()));
    connect(m_manager, SIGNAL(authenticationRequired(QNetworkReply*,QAuthenticator*)),
            this, SLOT(slotAuthenticationRequired(QNetworkReply*,QAuthenticator*)));
#ifndef QT_NO_SSL
    connect(m_manager, SIGNAL(sslErrors(QNetworkReply*,QList<QSslError>)),
            this, SLOT(sslErrors(QNetworkReply*,QList<QSslError>)));
#endif
}

TessarinHttpClient::~TessarinHttpClient()
{
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        delete m_reply;
        m_reply = nullptr;
    }
}

void TessarinHttpClient::setTimeout(int milliseconds)
{
    m_timeout = milliseconds > 0 ? milliseconds : int(DefaultTimeout);
    m_idleTimer->setInterval(m_timeout);
}

void TessarinHttpClient::setError(const QString &message, int number)
{
    m_errorMessage = message;
    m_error = number;
}

void TessarinHttpClient::clear()
{
    m_content.clear();
    m_aborted = true;
    m_done = true;
}

void TessarinHttpClient::downloadContent(const QString &url)
{
    if (!m_done)
        cancelDownload();
    m_content.clear();
    m_url = QUrl::fromUserInput(url);
    m_aborted = false;
    m_done = false;
    m_redirects = 0;
    startRequest();
}

bool TessarinHttpClient::waitForDownloadContent(const QString &url)
{
    downloadContent(url);
    QEventLoop loop;
    connect(this, SIGNAL(finished()), &loop, SLOT(quit()));
    while (!m_done)
        loop.exec();
    return m_error == 0;
}

void TessarinHttpClient::startRequest()
{
    m_errorMessage.clear();
    m_error = 0;
    QNetworkRequest request(m_url);
    // Redirects are followed here, so that their number and scheme can be checked.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_reply = m_manager->get(request);
    connect(m_reply, SIGNAL(finished()), this, SLOT(httpFinished()));
    connect(m_reply, SIGNAL(readyRead()), this, SLOT(httpReadyRead()));
    connect(m_reply, SIGNAL(downloadProgress(qint64,qint64)), this, SLOT(updateDataReadProgress(qint64,qint64)));
    m_idleTimer->start();
}

void TessarinHttpClient::httpReadyRead()
{
    if (!m_reply || sender() != m_reply || m_aborted)
        return;
    m_content.append(m_reply->readAll());
    m_idleTimer->start();
    if (m_content.size() > m_maxContentSize) {
        setError(tr("Download failed: %1.").arg(tr("more than %1 bytes").arg(m_maxContentSize)), -1);
        m_aborted = true;
        m_content.clear();
        // Aborting finishes the reply through httpFinished(), which ends the download.
        QMetaObject::invokeMethod(m_reply, "abort", Qt::QueuedConnection);
    }
}

void TessarinHttpClient::updateDataReadProgress(qint64 received, qint64 total)
{
    if (m_aborted || sender() != m_reply)
        return;
    m_idleTimer->start();
    emit readBytes(received, total);
}

void TessarinHttpClient::httpFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (reply != m_reply) {
        // A reply that was replaced or dropped already.
        if (reply)
            reply->deleteLater();
        return;
    }
    m_idleTimer->stop();
    if (m_aborted) {
        m_content.clear();
        dropReply();
        finish();
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        m_content.clear();
        // An SSL failure has been recorded with its own details already.
        if (m_error == 0)
            setError(tr("Download failed: %1.").arg(reply->errorString()), -1);
    } else {
        const QVariant target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
        if (target.isValid()) {
            const QUrl next = m_url.resolved(target.toUrl());
            const QString scheme = next.scheme().toLower();
            m_content.clear();
            if (++m_redirects > MaxRedirects) {
                setError(tr("Download failed: %1.").arg(tr("too many redirects (more than %1)").arg(int(MaxRedirects))), -1);
            } else if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
                setError(tr("Download failed: %1.").arg(tr("redirect to an unsupported location %1").arg(next.toString())), -1);
            } else {
                m_url = next;
                dropReply();
                startRequest();
                return;
            }
        }
    }
    dropReply();
    finish();
}

void TessarinHttpClient::slotAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    if (reply != m_reply)
        return;
    // No credentials are ever supplied: the download ends here.
    setError(tr("Authentication required: %1 at %2").arg(authenticator->realm(), m_url.host()), -3);
    m_aborted = true;
    QMetaObject::invokeMethod(reply, "abort", Qt::QueuedConnection);
}

void TessarinHttpClient::sslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
#ifndef QT_NO_SSL
    if (reply != m_reply)
        return;
    QStringList texts;
    for (const QSslError &e : errors)
        texts.append(e.errorString());
    setError(tr("One or more SSL errors has occurred: %1").arg(texts.join(QStringLiteral(", "))), -4);
#else
    Q_UNUSED(reply)
    Q_UNUSED(errors)
#endif
}

void TessarinHttpClient::cancelDownload()
{
    if (m_done)
        return;
    setError(tr("Download canceled."), -2);
    m_aborted = true;
    if (m_reply)
        m_reply->abort();   // finishes the reply synchronously through httpFinished()
    m_content.clear();
    dropReply();
    finish();
}

void TessarinHttpClient::finish()
{
    if (m_done)
        return;
    m_done = true;
    m_idleTimer->stop();
    emit finished();
}

void TessarinHttpClient::dropReply()
{
    if (!m_reply)
        return;
    disconnect(m_reply, nullptr, this, nullptr);
    m_reply->deleteLater();
    m_reply = nullptr;
}
