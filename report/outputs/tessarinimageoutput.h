#ifndef TESSARINIMAGEOUTPUT_H
#define TESSARINIMAGEOUTPUT_H

#include "tessarinoutput.h"

#include <QImage>

// Writes a report as images at the output's resolution.
//
// Paged: page n of "dir/report.png" goes to "dir/report_pn.png", saved as
// soon as the page is finished, so only one page image is held at a time.
// Successive: the report is one continuous image of the page width, at most
// maximumHeight() pixels high, cut below the final position plus the bottom
// margin and saved under the file name itself.
class TESSARIN2_EXPORT TessarinImageOutput : public TessarinOutput
{
    Q_OBJECT
public:
    static constexpr int DefaultMaximumHeight = 10000;

    explicit TessarinImageOutput(QObject *parent = nullptr);
    ~TessarinImageOutput() override;

    // Image file format as Qt's image writers name it ("png", "jpg", ...).
    // Empty: taken from the file name's suffix, "png" without one.
    QString format() const;
    void setFormat(const QString &format) { m_format = format; }
    void setImageFormat(const QString &format) { setFormat(format); }
    // Extension of the page files: the file name's own suffix when the format
    // comes from it, else the format's usual one.
    QString fileExtension() const;

    // Height of the successive image in pixels.
    int maximumHeight() const { return m_maximumHeight; }
    void setMaximumHeight(int pixels) { m_maximumHeight = pixels; }

    // File of page n (1-based) of this job in paged mode.
    QString pageFileName(int page) const;
    int pageCount() const { return m_pageCount; }

public Q_SLOTS:
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    QPaintDevice *device() const override;
    // A continuous image has no page to turn.
    void rotatePainter(QPainter *painter) override;

private:
    void startPage(bool carryState);
    void finishPage();
    void saveImage(const QImage &image, const QString &fileName);

    QString m_format;
    int m_maximumHeight = DefaultMaximumHeight;
    QImage m_image;
    int m_pageCount = 0;
};

#endif // TESSARINIMAGEOUTPUT_H
