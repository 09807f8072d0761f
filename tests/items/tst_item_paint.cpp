#include <QtTest>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "itemtestutil.h"
#include "tessarindef.h"
#include "tessarinfielditem.h"
#include "tessarinpdfoutput.h"

namespace {

// 254 dpi: ten pixels per millimetre.
constexpr double dpi = 254;
constexpr int pxPerMM = 10;

std::unique_ptr<TessarinLabelItem> makeLabel(TessarinDef *def, const QString &text, const QRectF &mm,
                                             Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto label = std::make_unique<TessarinLabelItem>(def);
    label->setText(text);
    label->setMetricPos(mm.topLeft());
    label->setMetricSize(mm.size());
    label->setFont(QFont(QStringLiteral("Liberation Sans"), 12));
    label->setAlignment(alignment);
    label->saveTextStyle();
    return label;
}

QImage paintAlone(TessarinItem *item, TessarinOutput::OutputType type = TessarinOutput::ImageOutput,
                  QList<QPair<TessarinItem *, QRectF>> *rendered = nullptr)
{
    ImagePaintOutput out(dpi, QSize(100 * pxPerMM, 60 * pxPerMM), type);
    item->paint(&out, QPointF(0, 0));
    if (rendered)
        *rendered = out.rendered;
    out.painter()->end();
    return out.image;
}

struct PdfWord
{
    QString text;
    QRectF mm;
};

// Words of the first page with their boxes in millimetres, as pdftotext sees them.
QList<PdfWord> pdfWords(const QString &pdf, const QString &htmlOut)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, htmlOut});
    tool.waitForFinished(60000);
    QFile file(htmlOut);
    file.open(QIODevice::ReadOnly);
    const QString html = QString::fromUtf8(file.readAll());
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    const double mmPerPt = 25.4 / 72.0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * mmPerPt,
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()) * mmPerPt)});
    }
    return words;
}

} // namespace

class TestItemPaint : public QObject
{
    Q_OBJECT

private slots:
    void alignmentPlacesText_data();
    void alignmentPlacesText();
    void background();
    void rotationAndWordWrap();
    void onlyPaintingOutputsDraw();
    void automaticSize();
    void pdfTextRotationAndAlignment();

private:
    QTemporaryDir m_dir;
};

void TestItemPaint::alignmentPlacesText_data()
{
    QTest::addColumn<int>("alignment");
    QTest::newRow("left top") << int(Qt::AlignLeft | Qt::AlignTop);
    QTest::newRow("right bottom") << int(Qt::AlignRight | Qt::AlignBottom);
    QTest::newRow("centre") << int(Qt::AlignCenter);
}

void TestItemPaint::alignmentPlacesText()
{
    QFETCH(int, alignment);
    TessarinDef def;
    const QRectF box(10, 10, 60, 20);
    auto label = makeLabel(&def, QStringLiteral("HELLO"), box, Qt::Alignment(alignment));
    QList<QPair<TessarinItem *, QRectF>> rendered;
    const QImage image = paintAlone(label.get(), TessarinOutput::ImageOutput, &rendered);
    const QRect px(box.x() * pxPerMM, box.y() * pxPerMM, box.width() * pxPerMM, box.height() * pxPerMM);
    QCOMPARE(rendered.size(), 1);
    QCOMPARE(rendered.first().second, QRectF(px));

    const QRect ink = inkBox(image);
    QVERIFY2(px.contains(ink), qPrintable(QStringLiteral("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    const int slack = 3 * pxPerMM / 2; // side bearings and line spacing
    if (alignment & Qt::AlignLeft) {
        QVERIFY(ink.left() - px.left() < slack);
        QVERIFY(ink.top() - px.top() < slack);
    } else if (alignment & Qt::AlignRight) {
        QVERIFY(px.right() - ink.right() < slack);
        QVERIFY(px.bottom() - ink.bottom() < slack);
    } else {
        QVERIFY(qAbs(ink.center().x() - px.center().x()) < slack);
        QVERIFY(qAbs(ink.center().y() - px.center().y()) < slack);
    }
}

void TestItemPaint::background()
{
    TessarinDef def;
    auto label = makeLabel(&def, QStringLiteral("MMMM"), QRectF(10, 10, 40, 10));
    QCOMPARE(paintAlone(label.get()).pixelColor(11 * pxPerMM, 19 * pxPerMM), QColor(Qt::white));
    label->setBackgroundMode(TessarinLabelItem::Opaque);
    label->setBackColor(QColor(0, 0, 255));
    const QImage image = paintAlone(label.get());
    QCOMPARE(image.pixelColor(10 * pxPerMM, 10 * pxPerMM), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(50 * pxPerMM - 1, 20 * pxPerMM - 1), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(50 * pxPerMM + 1, 20 * pxPerMM + 1), QColor(Qt::white));
}

void TestItemPaint::rotationAndWordWrap()
{
    TessarinDef def;
    auto label = makeLabel(&def, QStringLiteral("ROTATED"), QRectF(40, 20, 30, 8));
    for (int angle : {0, 90, 180, 270}) {
        label->setRotation(angle);
        const QRect ink = inkBox(paintAlone(label.get()));
        QVERIFY(!ink.isEmpty());
        QCOMPARE(ink.height() > ink.width(), angle % 180 != 0); // upright text runs vertically
    }
    auto wrapped = makeLabel(&def, QStringLiteral("one two three four five six"), QRectF(5, 5, 25, 40));
    const int oneLine = inkBox(paintAlone(wrapped.get())).height();
    wrapped->setWordbreak(true);
    const QRect ink = inkBox(paintAlone(wrapped.get()));
    QVERIFY(ink.height() > 2 * oneLine && ink.right() < 30 * pxPerMM);
}

void TestItemPaint::onlyPaintingOutputsDraw()
{
    TessarinDef def;
    auto label = makeLabel(&def, QStringLiteral("HELLO"), QRectF(10, 10, 60, 20));
    label->setBackgroundMode(TessarinLabelItem::Opaque);
    for (auto type : {TessarinOutput::TextOutput, TessarinOutput::HtmlOutput, TessarinOutput::NullOutput}) {
        QList<QPair<TessarinItem *, QRectF>> rendered;
        QVERIFY(inkBox(paintAlone(label.get(), type, &rendered), 250).isEmpty());
        QCOMPARE(rendered.size(), 1); // the output still gets the item
        QCOMPARE(label->paintRect(), QRectF(100, 100, 600, 200));
    }
    for (auto type : {TessarinOutput::PreviewOutput, TessarinOutput::PdfOutput, TessarinOutput::SvgOutput})
        QVERIFY(!inkBox(paintAlone(label.get(), type)).isEmpty());
}

void TestItemPaint::automaticSize()
{
    TessarinDef def;
    auto label = makeLabel(&def, QStringLiteral("one two three four five six seven"), QRectF(5, 5, 20, 6));
    label->setWordbreak(true);
    ImagePaintOutput image(dpi, QSize(10, 10));
    label->setAutoHeight(true);
    ImagePaintOutput null(dpi, QSize(10, 10), TessarinOutput::NullOutput);
    label->adjustSize(&null);
    QVERIFY(!label->isAdjusted()); // a measuring pass does not freeze the size
    const QSizeF measured = label->realMetricSize();
    QCOMPARE(measured.width(), 20.0);
    QVERIFY(measured.height() > 12);

    label->setText(QStringLiteral("short"));
    label->adjustSize(&image);
    QVERIFY(label->isAdjusted() && label->realMetricSize().height() < 8);

    // Pinned to both margins, the measured width spans the page body.
    auto pinned = makeLabel(&def, QStringLiteral("x"), QRectF(30, 0, 10, 5));
    pinned->setPinToLeft(true);
    pinned->setPinToRight(true);
    pinned->adjustSize(&image);
    QCOMPARE(qRound(pinned->realMetricSize().width()), 210 - 20 - 20 - 30);
}

void TestItemPaint::pdfTextRotationAndAlignment()
{
    TessarinDef def;
    std::vector<std::unique_ptr<TessarinLabelItem>> items;
    items.push_back(makeLabel(&def, QStringLiteral("LeftWord"), QRectF(20, 20, 100, 10), Qt::AlignLeft | Qt::AlignVCenter));
    items.push_back(makeLabel(&def, QStringLiteral("RightWord"), QRectF(20, 40, 100, 10), Qt::AlignRight | Qt::AlignVCenter));
    items.push_back(makeLabel(&def, QStringLiteral("CenterWord"), QRectF(20, 60, 100, 10), Qt::AlignCenter));
    items.push_back(makeLabel(&def, QStringLiteral("Rotated"), QRectF(150, 100, 40, 10)));
    items.back()->setRotation(90);
    TessarinFieldItem field(&def);
    field.setMetricPos(QPointF(20, 120));
    field.setMetricSize(QSizeF(80, 10));
    field.setFont(QFont(QStringLiteral("Liberation Sans"), 12));
    field.setDataType(TessarinData::Numeric);
    field.setNumFormat(true);
    field.setPrecision(2);
    field.setArg(QStringLiteral("Sum=%1 EUR"));
    field.setValue(12.5);
    field.formatDisplayValue();

    const QString pdf = m_dir.filePath(QStringLiteral("items.pdf"));
    TessarinPdfOutput out;
    out.setFileName(pdf);
    QVERIFY(out.setup());
    out.begin();
    for (auto &item : items)
        item->paint(&out, QPointF(0, 0));
    field.paint(&out, QPointF(0, 0));
    out.end();
    out.cleanup();
    QVERIFY2(!out.hasError(), qPrintable(out.errorText()));

    const QList<PdfWord> words = pdfWords(pdf, m_dir.filePath(QStringLiteral("items.html")));
    const auto find = [&words](const QString &text) {
        for (const PdfWord &w : words)
            if (w.text == text)
                return w.mm;
        return QRectF();
    };
    const QRectF left = find(QStringLiteral("LeftWord"));
    const QRectF right = find(QStringLiteral("RightWord"));
    const QRectF centre = find(QStringLiteral("CenterWord"));
    const QRectF rotated = find(QStringLiteral("Rotated"));
    const QRectF sum = find(QStringLiteral("Sum=12.50"));
    for (const QRectF &r : {left, right, centre, rotated, sum})
        QVERIFY2(r.isValid(), qPrintable(QString::number(words.size()) + " words"));

    QVERIFY(qAbs(left.left() - 20) < 1.5);
    QVERIFY(qAbs(right.right() - 120) < 1.5);
    QVERIFY(qAbs(centre.center().x() - 70) < 1.5);
    QVERIFY(qAbs(left.center().y() - 25) < 2 && left.width() > left.height());
    QVERIFY(rotated.height() > 2 * rotated.width());
    QVERIFY(rotated.top() >= 99 && rotated.left() >= 149);
    QVERIFY(qAbs(sum.left() - 20) < 1.5);
}

QTEST_MAIN(TestItemPaint)
#include "tst_item_paint.moc"
