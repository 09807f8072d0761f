#ifndef TESSARINBARCODEITEM_H
#define TESSARINBARCODEITEM_H

#include "tessarinbarcodedata.h"
#include "tessarinitem.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

// A one- or two-dimensional barcode of the item's value. The symbol is made
// by the external zint program, started without a shell with its options as
// an argument list; the SVG it writes to standard output is drawn by a small
// interpreter of its rectangles and texts, scaled into the item's box.
//
// The generator is waited for at most processTimeout() milliseconds to
// start and as long again to finish (then it is killed). A generator that
// cannot be started raises the definition's zintNotFound() signal. Every
// failure leaves the item without symbol and with errorText() set, so that a
// record never prints the barcode of an earlier one; report outputs then
// show nothing, the designer and toImage() show the error text.
class TESSARIN2_EXPORT TessarinBarcodeItem : public TessarinItem
{
public:
    static constexpr int DefaultProcessTimeout = 30000;
    // Symbologies the drawing treats specially.
    enum { Code93 = 25, Maxicode = 57, QRCode = 58 };

    explicit TessarinBarcodeItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinBarcodeItem() override;

    TessarinBarcodeData *barcodeData() const { return static_cast<TessarinBarcodeData *>(d); }

    // Runs the generator for the current value. True when it produced a
    // symbol; false for an empty value (no run) and for every failure.
    bool update_barcode();
    // The generator's arguments for the current value and options. A QR
    // code reads its data from inputFile (UTF-8 text); every other
    // symbology gets it with "--data=".
    QStringList zintArguments(const QString &inputFile = QString()) const;
    // The definition's zint directory followed by "/zint", or "zint" to be
    // found on the search path.
    QString zintProgram() const;
    int processTimeout() const { return m_processTimeout; }
    void setProcessTimeout(int milliseconds)
    {
        m_processTimeout = milliseconds > 0 ? milliseconds : DefaultProcessTimeout;
    }
    // Why there is no symbol; empty after a successful run.
    QString errorText() const { return m_errorText; }

    // Draws the symbol into rect (nothing for an empty item). With
    // drawErrors an error is written into the rectangle. False when there
    // was no symbol to draw or the SVG was malformed.
    bool render(QPainter *painter, const QRectF &rect, bool drawErrors);
    // Draws the SVG through Qt's renderer (symbols with shapes other than
    // rectangles), keeping its aspect ratio.
    void renderSvg(QPainter *painter, const QRectF &rect);
    QImage toImage(const QSize &size);
    QPixmap toPixmap(const QSize &size);

    static QString barcodeName(int type);

    int barcodeType() const { return barcodeData()->barcodeType; }
    void setBarcodeType(int type) { barcodeData()->barcodeType = type; }
    bool showText() const { return barcodeData()->showText; }
    void setShowText(bool on) { barcodeData()->showText = on; }
    int borderType() const { return barcodeData()->borderType; }
    void setBorderType(int type) { barcodeData()->borderType = type; }
    int borderWidth() const { return barcodeData()->borderWidth; }
    void setBorderWidth(int width) { barcodeData()->borderWidth = width; }
    int whiteSpace() const { return barcodeData()->whiteSpace; }
    void setWhiteSpace(int space) { barcodeData()->whiteSpace = space; }
    double scale() const { return barcodeData()->scale; }
    void setScale(double scale) { barcodeData()->scale = scale; }
    int heightFactor() const { return barcodeData()->heightFactor; }
    void setHeightFactor(int factor) { barcodeData()->heightFactor = factor; }
    int cols() const { return barcodeData()->cols; }
    void setCols(int cols) { barcodeData()->cols = cols; }
    int vers() const { return barcodeData()->vers; }
    void setVers(int vers) { barcodeData()->vers = vers; }
    int secure() const { return barcodeData()->secure; }
    void setSecure(int secure) { barcodeData()->secure = secure; }
    int mode() const { return barcodeData()->mode; }
    void setMode(int mode) { barcodeData()->mode = mode; }
    QColor foreColor() const { return barcodeData()->foreColor; }
    void setForeColor(const QColor &color) { barcodeData()->foreColor = color; }
    QColor backColor() const { return barcodeData()->backColor; }
    void setBackColor(const QColor &color) { barcodeData()->backColor = color; }
    int rotation() const { return barcodeData()->rotation; }
    void setRotation(int degrees) { barcodeData()->rotation = degrees; }
    QString primary() const { return barcodeData()->primary; }
    void setPrimary(const QString &primary) { barcodeData()->primary = primary; }
    QByteArray svgData() const { return barcodeData()->svgData; }
    void setSvgData(const QByteArray &svg) { barcodeData()->svgData = svg; }

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    bool isEmpty() override;
    void setDefaultForEditor() override;
    QList<SourceType> availableSourceTypes() const override;
    bool reloadDynamicContent(TessarinEvaluator *evaluator) override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    void fail(const QString &message);
    bool drawSvg(QPainter *painter, const QRectF &rect);

    int m_processTimeout = DefaultProcessTimeout;
    QString m_errorText;
};

#endif // TESSARINBARCODEITEM_H
