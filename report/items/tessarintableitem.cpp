#include "tessarintableitem.h"

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinevaluatorcontext.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinscale.h"
#include "tessarinutils.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QTextLayout>

namespace {

const bool tableRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("table"), [](TessarinDef *def) -> TessarinItem * { return new TessarinTableItem(def); });

// Previews, printer, PDF, SVG, images, and the null output that only
// measures: the table's height is known only by laying it out.
bool laysOutOn(const TessarinOutput *output)
{
    switch (output->outputType()) {
    case TessarinOutput::PreviewOutput:
    case TessarinOutput::QtPreviewOutput:
    case TessarinOutput::PrinterOutput:
    case TessarinOutput::PdfOutput:
    case TessarinOutput::SvgOutput:
    case TessarinOutput::ImageOutput:
    case TessarinOutput::NullOutput:
        return true;
    default:
        return false;
    }
}

// A view that was never shown has not laid its headers out yet; their size
// hints are what they would take.
double headerHeight(const QTableView *view)
{
    const QHeaderView *header = view->horizontalHeader();
    return view->isVisible() ? header->height() : header->sizeHint().height();
}

double headerWidth(const QTableView *view)
{
    const QHeaderView *header = view->verticalHeader();
    return view->isVisible() ? header->width() : header->sizeHint().width();
}

bool isTextType(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return true;
    default:
        return false;
    }
}

} // namespace

TessarinTableItem::TessarinTableItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinTableItemData, reportDef, parent)
{
    Q_UNUSED(tableRegistered)
}

TessarinTableItem::~TessarinTableItem() = default;

int TessarinTableItem::rowCount() const
{
    return model() ? model()->rowCount() : 0;
}

int TessarinTableItem::columnCount() const
{
    return model() ? model()->columnCount() : 0;
}

double TessarinTableItem::columnWidthPixel(int column) const
{
    if (!view())
        return 0;
    return (column < 0 ? headerWidth(view()) : view()->columnWidth(column)) * m_factor;
}

double TessarinTableItem::rowHeightPixel(int row) const
{
    if (!view())
        return 0;
    return (row < 0 ? headerHeight(view()) : view()->rowHeight(row)) * m_factor;
}

void TessarinTableItem::setDataSourceByID(const QString &id)
{
    tableData()->dataSource = d->reportDef ? d->reportDef->dataSource(id) : nullptr;
}

bool TessarinTableItem::isColumnShown(int column) const
{
    return !view()->isColumnHidden(column) && !tableData()->hiddenColumns.contains(column);
}

bool TessarinTableItem::isRowShown(int row) const
{
    return !view()->isRowHidden(row) && !tableData()->hiddenRows.contains(row);
}

double TessarinTableItem::sourceWidth() const
{
    double width = 0;
    const int columns = columnCount();
    for (int c = 0; c < columns; ++c)
        if (isColumnShown(c)) // columns left out of the print take no width
            width += view()->columnWidth(c);
    if (showHeaderV() && !view()->verticalHeader()->isHidden())
        width += headerWidth(view());
    return width > 0 ? width : 1;
}

void TessarinTableItem::dummyPaint(TessarinOutput *output, const QPointF &origin)
{
    // The height is only known by laying the rows out; the cells check the
    // page range themselves.
    paint(output, origin);
}

void TessarinTableItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output || !model() || !view())
        return;
    if (!laysOutOn(output) || rowCount() <= 0 || columnCount() <= 0)
        return;

    m_output = output;
    m_director = director();
    m_freshPage = false;
    m_tableRect = itemRect(output, origin);
    const TessarinScale &scale = output->scale();
    const double width = m_tableRect.width();
    const double source = sourceWidth();
    const double ratio = scale.screenDpi() > 0 ? scale.dpi() / scale.screenDpi() : 1.0;
    // On-screen proportions at the output's resolution, shrunk to the item's
    // width when the table would not fit.
    m_factor = width / ratio > source ? ratio : width / source;
    m_cellSpacingPx = scale.mmToRealPixel(cellSpacing());
    m_iconSize = 16 * m_factor;

    m_pos = m_tableRect.topLeft();
    if (showHeaderH())
        paintRow(-1);
    const int rows = rowCount();
    for (int r = 0; r < rows; ++r) {
        paintRow(r);
        if (m_director && m_director->isLayoutStopped())
            return;
    }
    if (m_director)
        m_director->setLayoutPosY(scale.pixelToMM(m_pos.y()));
    output->renderItem(this, m_tableRect);
}

void TessarinTableItem::paintRow(int row)
{
    if (row >= 0 && !isRowShown(row))
        return;
    const double height = rowHeightPixel(row);
    if (m_director) {
        const TessarinScale &scale = m_output->scale();
        const double room = scale.mmToPixel(m_director->layoutRoom(0)) - m_pos.y();
        if (height > room && !m_freshPage && !m_output->isSuccessive()) {
            m_director->layoutPageBreak();
            m_pos = QPointF(m_tableRect.left(), scale.mmToPoint(QPointF(0, m_director->layoutPosY())).y());
            m_freshPage = true;
            if (showHeaderH())
                paintRow(-1);
        }
    }

    double x = m_tableRect.left();
    if (showHeaderV()) {
        const double w = columnWidthPixel(-1);
        paintCell(row, -1, QRectF(x, m_pos.y(), w, height));
        x += w;
    }
    const int columns = columnCount();
    for (int c = 0; c < columns; ++c) {
        if (!isColumnShown(c))
            continue;
        const double w = columnWidthPixel(c);
        paintCell(row, c, QRectF(x, m_pos.y(), w, height));
        x += w;
    }
    m_pos.ry() += height;
    if (row >= 0)
        m_freshPage = false;
}

void TessarinTableItem::paintCell(int row, int column, const QRectF &rect)
{
    QPainter *painter = m_output->painter();
    if (!painter || !painter->isActive() || (m_director && m_director->isLayoutPageSkipped()))
        return;
    QAbstractItemModel *m = model();
    const bool corner = row < 0 && column < 0;
    const bool rowHeader = row >= 0 && column < 0;
    const bool columnHeader = row < 0 && column >= 0;
    const bool header = corner || rowHeader || columnHeader;
    const QModelIndex index = header ? QModelIndex() : m->index(row, column);

    const auto role = [&](int r) -> QVariant {
        if (columnHeader)
            return m->headerData(column, Qt::Horizontal, r);
        if (rowHeader)
            return m->headerData(row, Qt::Vertical, r);
        if (corner)
            return QVariant();
        return m->data(index, r);
    };

    painter->save();
    const QVariant value = role(Qt::DisplayRole);
    if (showBorder()) {
        painter->setPen(QPen(header ? Qt::darkGray : Qt::gray, 1, Qt::SolidLine));
        if (header) {
            painter->setBrush(QColor(224, 224, 224));
        } else {
            const QVariant background = m->data(index, Qt::BackgroundRole);
            painter->setBrush(background.canConvert<QBrush>() ? background.value<QBrush>() : QBrush());
        }
        painter->drawRect(rect);
    }

    QRectF inner = rect.adjusted(m_cellSpacingPx, m_cellSpacingPx, -m_cellSpacingPx, -m_cellSpacingPx);
    if (rowHeader) {
        const int level = m->data(m->index(row, 0), Qt::UserRole + 1).toInt() & 0xFF;
        inner.setLeft(inner.left() + 10 * level);
    }
    if (!header) {
        if (paintDecoration(painter, m->data(index, Qt::DecorationRole), inner) == IconImage)
            inner.setLeft(inner.left() + 1.1 * m_iconSize);
    }

    if (isTextType(value) && inner.width() > 0 && inner.height() > 0) {
        const QVariant fontValue = role(Qt::FontRole);
        QFont font = fontValue.canConvert<QFont>() ? fontValue.value<QFont>() : QFont();
        const QVariant alignValue = role(Qt::TextAlignmentRole);
        const Qt::Alignment alignment = alignValue.isValid() ? Qt::Alignment(alignValue.toInt()) : Qt::Alignment();

        QString text = value.toString();
        if (!header && value.userType() != QMetaType::QDate && value.userType() != QMetaType::QDateTime) {
            // Text that only looks like a number stays text.
            bool isNumber = false;
            const double number = value.toDouble(&isNumber);
            if (isNumber)
                text = QString::number(number, 'f', 2);
        }
        const double pixelSize = qMin(m_factor * QFontMetricsF(font).height() * 0.88, inner.height());
        font.setPixelSize(qMax(1, int(pixelSize)));
        painter->setFont(font);

        const QVariant foreground = role(Qt::ForegroundRole);
        if (foreground.canConvert<QBrush>())
            painter->setPen(QPen(foreground.value<QBrush>(), 1));
        else if (foreground.canConvert<QColor>())
            painter->setPen(foreground.value<QColor>());
        else
            painter->setPen(Qt::black);

        if (elidedMode()) {
            const QFontMetricsF metrics(font, painter->device());
            QTextLayout layout(text, font, painter->device());
            layout.beginLayout();
            double y = 0;
            while (true) {
                QTextLine line = layout.createLine();
                if (!line.isValid())
                    break;
                line.setLineWidth(inner.width());
                const double nextY = y + metrics.lineSpacing();
                if (nextY + metrics.lineSpacing() <= inner.height()) {
                    line.draw(painter, QPointF(inner.left(), inner.top() + y));
                    y = nextY;
                } else {
                    // The last line that fits carries the rest, elided.
                    const QString rest = text.mid(line.textStart());
                    const QString elided = metrics.elidedText(rest, Qt::ElideRight, inner.width());
                    painter->drawText(QPointF(inner.left(), inner.top() + y + metrics.ascent()), elided);
                    break;
                }
            }
            layout.endLayout();
        } else {
            const QRectF needed =
                painter->boundingRect(QRectF(inner.topLeft(), QSizeF(inner.width(), 1e6)), Qt::TextWordWrap, text);
            const int flags = needed.height() > inner.height()
                                  ? int((alignment & ~Qt::AlignVertical_Mask) | Qt::AlignTop) | Qt::TextWordWrap
                                  : int(alignment) | Qt::TextWordWrap;
            painter->drawText(inner, flags, text);
        }
    }
    painter->restore();
}

TessarinTableItem::ImageType TessarinTableItem::paintDecoration(QPainter *painter, const QVariant &decoration,
                                                                const QRectF &inner)
{
    if (!decoration.isValid())
        return NoImage;
    if (decoration.userType() == QMetaType::QPixmap || decoration.userType() == QMetaType::QImage) {
        const QPixmap pixmap = decoration.userType() == QMetaType::QPixmap
                                   ? decoration.value<QPixmap>()
                                   : QPixmap::fromImage(decoration.value<QImage>());
        const QRectF box = inner.adjusted(1, 1, -1, -1);
        if (pixmap.isNull() || box.width() <= 0 || box.height() <= 0)
            return NoImage;
        const QSizeF size = QSizeF(pixmap.size()).scaled(box.size(), Qt::KeepAspectRatio);
        painter->drawPixmap(QRectF(box.topLeft(), size), pixmap, QRectF(pixmap.rect()));
        return PixmapImage;
    }
    if (decoration.userType() == QMetaType::QIcon) {
        const QIcon icon = decoration.value<QIcon>();
        const int side = qMax(1, int(m_iconSize));
        painter->drawPixmap(inner.topLeft(), icon.pixmap(side, side));
        return IconImage;
    }
    return NoImage;
}

bool TessarinTableItem::read(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinTableItemData *t = tableData();
    TessarinDef *def = d->reportDef;
    if (reader->isAttrib(QStringLiteral("datasource")))
        setDataSourceByID(reader->attrib(QStringLiteral("datasource")));
    t->modelName = reader->attrib(QStringLiteral("model"));
    t->model = def ? def->itemModels().value(t->modelName) : nullptr;
    t->viewName = reader->attrib(QStringLiteral("tableView"));
    t->view = def ? def->tableViews().value(t->viewName) : nullptr;
    t->tableSpacing = reader->attribToReal(QStringLiteral("tableSpacing"));
    t->cellSpacing = reader->attribToReal(QStringLiteral("cellSpacing"));
    if (reader->isAttrib(QStringLiteral("elidedMode")))
        t->elidedMode = reader->attribToBool(QStringLiteral("elidedMode"));
    if (reader->isAttrib(QStringLiteral("showBorder")))
        t->showBorder = reader->attribToBool(QStringLiteral("showBorder"));
    if (reader->isAttrib(QStringLiteral("showHeaderH")))
        t->showHeaderH = reader->attribToBool(QStringLiteral("showHeaderH"));
    if (reader->isAttrib(QStringLiteral("showHeaderV")))
        t->showHeaderV = reader->attribToBool(QStringLiteral("showHeaderV"));
    t->hiddenRows.clear();
    t->hiddenColumns.clear();
    TessarinUtils::stringToIntList(reader->attrib(QStringLiteral("hiddenRows")), t->hiddenRows);
    TessarinUtils::stringToIntList(reader->attrib(QStringLiteral("hiddenCols")), t->hiddenColumns);
    // Sub-elements carry nothing for the table; the reader skips them.
    return true;
}

bool TessarinTableItem::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    const TessarinTableItemData *t = tableData();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(writer);
    if (t->dataSource)
        xml.writeAttribute(QStringLiteral("datasource"), t->dataSource->id());
    xml.writeAttribute(QStringLiteral("model"), t->modelName);
    xml.writeAttribute(QStringLiteral("tableView"), t->viewName);
    writer->writeReal(QStringLiteral("tableSpacing"), t->tableSpacing);
    writer->writeReal(QStringLiteral("cellSpacing"), t->cellSpacing);
    writer->writeBool(QStringLiteral("elidedMode"), t->elidedMode);
    writer->writeBool(QStringLiteral("showBorder"), t->showBorder);
    writer->writeBool(QStringLiteral("showHeaderH"), t->showHeaderH);
    writer->writeBool(QStringLiteral("showHeaderV"), t->showHeaderV);
    if (!t->hiddenRows.isEmpty())
        xml.writeAttribute(QStringLiteral("hiddenRows"), TessarinUtils::intListToString(t->hiddenRows));
    if (!t->hiddenColumns.isEmpty())
        xml.writeAttribute(QStringLiteral("hiddenCols"), TessarinUtils::intListToString(t->hiddenColumns));
    xml.writeEndElement();
    return true;
}

void TessarinTableItem::setDefaultForEditor()
{
    resize(QSizeF(220, 100));
}

QRectF TessarinTableItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), d->currentSize);
}

void TessarinTableItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF rect = boundingRect();
    painter->save();
    painter->setPen(QPen(Qt::gray, 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect);
    painter->drawText(rect, Qt::AlignCenter, modelName().isEmpty() ? QStringLiteral("table") : modelName());
    painter->restore();
}
