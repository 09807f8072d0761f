#ifndef TESSARINPREVIEWPAGE_H
#define TESSARINPREVIEWPAGE_H

#include "tessaringlobal.h"

#include <QByteArray>
#include <QPicture>
#include <QPixmap>
#include <QSizeF>
#include <QWidget>

// One page of a preview: a white sheet with a gray border and the page's
// recorded picture drawn at the current scale. The widget is 5 pixels
// larger than the sheet in each direction, room for its drop shadow.
class TESSARIN2_EXPORT TessarinPreviewPage : public QWidget
{
    Q_OBJECT
public:
    explicit TessarinPreviewPage(QWidget *parent = nullptr);
    ~TessarinPreviewPage() override;

    // The page as the preview output keeps it: a serialised QPicture and
    // the page size in millimetres.
    void setContent(const QByteArray &picture, const QSizeF &sizeMM);
    QByteArray content() const { return m_content; }
    QSizeF pageSizeMM() const { return m_sizeMM; }
    bool hasContent() const { return !m_sizeMM.isEmpty(); }
    // Forgets the page and hides the widget.
    void clear();

    void setScaleRate(double rate);
    double scaleRate() const { return m_scaleRate; }
    // Size of the sheet in pixels at the current scale (without the shadow room).
    QSize sheetSize() const;

    // Draws through a cached pixmap: slower to scale, faster to repaint.
    void setBuffered(bool on);
    bool isBuffered() const { return m_buffered; }
    void setShadow(bool on);
    bool hasShadow() const { return m_shadow; }

    static constexpr int ShadowRoom = 5;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateSize();
    void paintSheet(QPainter *painter) const;

    QByteArray m_content;
    QPicture m_picture;
    QSizeF m_sizeMM;
    double m_scaleRate = 1.0;
    bool m_buffered = false;
    bool m_shadow = true;
    QPixmap m_buffer;
};

#endif // TESSARINPREVIEWPAGE_H
