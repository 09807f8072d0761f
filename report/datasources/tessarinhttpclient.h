#ifndef TESSARINHTTPCLIENT_H
#define TESSARINHTTPCLIENT_H

#include "tessaringlobal.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
class QSslError;
class QTimer;

// Blocking-style downloader for data files reached over HTTP(S). It follows
// a bounded number of redirects itself, never answers authentication
// challenges and gives up on a transfer that stays silent too long. Failures
// leave an empty content with a message and a number:
//   -1 "Download failed: %1."   -2 "Download canceled."
//   -3 "Authentication required: %1 at %2"
//   -4 "One or more SSL errors has occurred: %1"
class TESSARIN2_EXPORT TessarinHttpClient : public QObject
{
    Q_OBJECT
public:
    enum { DefaultTimeout = 60000, MaxRedirects = 10 };
    static constexpr qint64 DefaultMaxContentSize = 256 * 1024 * 1024;

    explicit TessarinHttpClient(QObject *parent = nullptr);
    ~TessarinHttpClient() override;

    // Starts a download and returns at once; finished() tells the end.
    void downloadContent(const QString &url);
    // Starts a download and runs a local event loop until it has ended.
    // Returns true when the content arrived without error.
    bool waitForDownloadContent(const QString &url);

    QByteArray content() const { return m_content; }
    void clear();
    QString errorMessage() const { return m_errorMessage; }
    int error() const { return m_error; }
    void setError(const QString &message, int number);
    bool isDone() const { return m_done; }
    QUrl url() const { return m_url; }

    // Milliseconds without any data after which a transfer is canceled.
    int timeout() const { return m_timeout; }
    void setTimeout(int milliseconds);
    // Largest content accepted; a longer download fails with "Download failed: %1."
    // instead of filling memory with whatever a server sends.
    qint64 maxContentSize() const { return m_maxContentSize; }
    void setMaxContentSize(qint64 bytes) { m_maxContentSize = bytes; }

signals:
    void finished();
    void readBytes(qint64 received, qint64 total);

private slots:
    void httpFinished();
    void httpReadyRead();
    void updateDataReadProgress(qint64 received, qint64 total);
    void slotAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);
    void sslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    void cancelDownload();

private:
    void startRequest();
    void finish();
    void dropReply();

    QUrl m_url;
    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    QTimer *m_idleTimer;
    QByteArray m_content;
    bool m_aborted = false;
    bool m_done = true;
    QString m_errorMessage;
    int m_error = 0;
    int m_timeout = DefaultTimeout;
    int m_redirects = 0;
    qint64 m_maxContentSize = DefaultMaxContentSize;
};

#endif // TESSARINHTTPCLIENT_H
