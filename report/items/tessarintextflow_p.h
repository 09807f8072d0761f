#ifndef TESSARINTEXTFLOW_P_H
#define TESSARINTEXTFLOW_P_H

#include "tessaringlobal.h"

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;
class QPaintDevice;
class QTextBlock;
class QTextDocument;
class TessarinScale;

// Where a text item stands while it is printed in parts across pages, and the
// walk over the laid-out document that finds and paints those parts.
//
// Positions are (block number, line number in the block). The walk goes over
// the blocks in document order, so the blocks of table cells come one after
// the other although they sit side by side. A part is therefore measured and
// painted as a horizontal band of the laid-out document: from the top of its
// first line to the lowest bottom of its lines. That keeps list markers,
// table grids, block backgrounds and paragraph spacing as the unbroken
// document shows them; for a run of lines of one paragraph the band is
// exactly the sum of their heights.
//
// Lengths handed in and out in millimetres use the scale of the output whose
// paint device the document is laid out on; everything else is in that
// device's pixels.
class TessarinTextFlow
{
public:
    // What the last breakTo() found.
    enum Outcome {
        NotTried = 0,
        PartFits,       // some lines fit, more remain for the next page
        RestFits,       // everything that remains fits
        NoRoom,         // not one line fits in the height offered; a fresh page may do
        CannotBePlaced  // not one line fits although the page was fresh
    };

    int startBlock() const { return m_startBlock; }
    int startLine() const { return m_startLine; }
    int lastBlock() const { return m_lastBlock; }
    int lastLine() const { return m_lastLine; }
    Outcome outcome() const { return m_outcome; }

    // True while a part is pending or printed and text remains.
    bool isBroken() const { return m_startBlock >= 0; }
    // True when at least one part has been printed and text remains.
    bool hasPrintedPart() const { return m_startBlock > 0 || m_startLine > 0; }

    void reset();

    // The height in mm that the part starting at the current position takes
    // in heightMM, or -1 when not even its first line fits. A failure leaves
    // the position where it was, so a remainder is never lost; freshPage
    // tells whether the height offered is all a page can give.
    double breakTo(const QTextDocument *document, double heightMM, const TessarinScale &scale,
                   bool freshPage);

    // Paints (or with measureOnly only steps over) the part that breakTo()
    // found, with its top-left at position, and moves the position behind it.
    // Returns the rectangle the part occupies: document width, part height.
    // Without a preceding breakTo() the whole remainder is the part.
    QRectF paintPart(const QTextDocument *document, QPainter *painter, const QPointF &position,
                     const QColor &textColor, bool measureOnly);

    // The document margin as the layout really applies it on its paint
    // device (the layout scales it with the device resolution).
    static double layoutMargin(const QTextDocument *document);

    // Draws the part of the document inside clip (document coordinates)
    // with the document's origin at origin. Lines that only touch the clip's
    // top or bottom edge are left out: they belong to the neighbouring part.
    static void drawRegion(const QTextDocument *document, QPainter *painter, const QPointF &origin,
                           const QRectF &clip, const QColor &textColor);

private:
    struct LineBox {
        double top = 0;
        double bottom = 0;
    };
    static double blockTop(const QTextDocument *document, const QTextBlock &block);
    static LineBox lineBox(double blockTop, const QTextBlock &block, int line);

    int m_startBlock = -1;
    int m_startLine = -1;
    int m_lastBlock = -1;
    int m_lastLine = -1;
    Outcome m_outcome = NotTried;
};

#endif // TESSARINTEXTFLOW_P_H
