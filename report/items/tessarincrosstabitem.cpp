#include "tessarincrosstabitem.h"

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinevaluatorcontext.h"
#include "tessarinitemmodeldatasource.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinpivottablemodel.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QPainter>
#include <QSet>

#include <algorithm>

namespace {

const bool crossTabRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("crosstab"), [](TessarinDef *def) -> TessarinItem * { return new TessarinCrossTabItem(def); });

constexpr double lengthEpsilon = 1e-6;

// Outputs the table lays itself out on: page outputs and the null output
// that only counts pages.
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

// Adds the number in value to sum; text that is no number adds nothing.
void addNumber(double &sum, const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok)
        sum += number;
}

} // namespace

// The data source read into memory: one entry per record.
struct TessarinCrossTabItem::Table
{
    QVector<int> rowColumns; // data source columns shown as rows
    QStringList rowNames;
    QStringList titles;              // per record
    QVector<QVector<QVariant>> values; // per record, per shown row
    QVector<double> columnTotals;    // per record
    QVector<double> rowTotals;       // per shown row
    double grandTotal = 0;
    int records() const { return values.size(); }
};

// The records one block holds, and whether the total column closes it.
struct TessarinCrossTabItem::Block
{
    int first = 0;
    int count = 0;
    bool withTotal = false;
};

TessarinCrossTabItem::TessarinCrossTabItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinCrossTabItemData, reportDef, parent)
{
    Q_UNUSED(crossTabRegistered)
    d->objectType = CrossTabObject;
    d->tagname = QStringLiteral("crosstab");
    for (int type = 0; type < CellTypeCount; ++type)
        m_cells[type].setCellType(TessarinCrossTabItemCell::CellType(type));
    using Cell = TessarinCrossTabItemCell;
    for (Cell::CellType numeric : {Cell::DataCell, Cell::RowTotal, Cell::ColumnTotal, Cell::GrandTotal})
        m_cells[numeric].alignment = Qt::AlignRight | Qt::AlignVCenter;
    for (Cell::CellType title : {Cell::RowTitle, Cell::TotalTitle})
        m_cells[title].alignment = Qt::AlignLeft | Qt::AlignVCenter;
}

TessarinCrossTabItem::~TessarinCrossTabItem()
{
    deletePivotTable();
}

QSizeF TessarinCrossTabItem::cellSize(TessarinCrossTabItemCell::CellType type) const
{
    static const TableRegion rowRegion[CellTypeCount] = {HeaderRow, HeaderRow, HeaderRow, DataRow, DataRow,
                                                         DataRow,   TotalRow,  TotalRow,  TotalRow};
    static const TableRegion columnRegion[CellTypeCount] = {HeaderColumn, DataColumn, TotalColumn,
                                                            HeaderColumn, DataColumn, TotalColumn,
                                                            HeaderColumn, DataColumn, TotalColumn};
    const TessarinCrossTabItemData *c = crossTabData();
    const double height = m_regionSizes[rowRegion[type]] > 0 ? m_regionSizes[rowRegion[type]] : c->rowHeight;
    const double width = m_regionSizes[columnRegion[type]] > 0 ? m_regionSizes[columnRegion[type]] : c->columnWidth;
    return QSizeF(width, height);
}

TessarinDataSource *TessarinCrossTabItem::dataSource() const
{
    TessarinCrossTabItemData *c = crossTabData();
    if (!c->dataSource && d->reportDef && !c->dataSourceId.isEmpty())
        c->dataSource = d->reportDef->dataSource(c->dataSourceId);
    return c->dataSource;
}

void TessarinCrossTabItem::setDataSource(TessarinDataSource *dataSource)
{
    crossTabData()->dataSource = dataSource;
    if (dataSource)
        crossTabData()->dataSourceId = dataSource->id();
}

// ---- pivot table ------------------------------------------------------------------

bool TessarinCrossTabItem::createPivotTable(TessarinDataSource *ds)
{
    TessarinCrossTabItemData *c = crossTabData();
    deletePivotTable();
    if (!ds || !c->isPivotTable || c->pivotTableRowSource.isEmpty() || c->pivotTableColumnSource.isEmpty()
        || c->pivotTableValueSource.isEmpty())
        return false;
    if (!ds->isOpened() && !ds->open())
        return false;

    c->pivotModel = new TessarinPivotTableModel;
    c->pivotModel->setAggregation(c->pivotAggregation);
    const int rowColumn = ds->columnIndexByName(c->pivotTableRowSource);
    const int keyColumn = ds->columnIndexByName(c->pivotTableColumnSource);
    const int valueColumn = ds->columnIndexByName(c->pivotTableValueSource);

    // Sorting orders the keys only: records sharing a key pair are still
    // aggregated, as without sorting.
    struct Entry
    {
        QString row;
        QString column;
        double value;
    };
    QVector<Entry> entries;
    QSet<QString> rowKeys;
    QSet<QString> columnKeys;
    int walked = 0;
    if (ds->first()) {
        do {
            Entry entry{ds->value(rowColumn).toString(), ds->value(keyColumn).toString(),
                        ds->value(valueColumn).toDouble()};
            if (c->pivotSort) {
                rowKeys.insert(entry.row);
                columnKeys.insert(entry.column);
                entries.append(entry);
            } else {
                c->pivotModel->add(entry.row, entry.column, entry.value);
            }
        } while (++walked < MaxRecords && ds->next());
    }
    if (c->pivotSort) {
        QStringList rows = rowKeys.values();
        QStringList columns = columnKeys.values();
        rows.sort();
        columns.sort();
        c->pivotModel->addKeys(rows, columns);
        for (const Entry &entry : qAsConst(entries))
            c->pivotModel->add(entry.row, entry.column, entry.value);
    }

    c->pivotDataSource = new TessarinItemModelDataSource;
    c->pivotDataSource->setID(ds->id());
    c->pivotDataSource->setErrorHandler(ds->errorHandler());
    c->pivotDataSource->setItemModel(c->pivotModel);
    if (!c->pivotDataSource->open()) {
        deletePivotTable();
        return false;
    }
    return true;
}

void TessarinCrossTabItem::deletePivotTable()
{
    TessarinCrossTabItemData *c = crossTabData();
    delete c->pivotDataSource;
    c->pivotDataSource = nullptr;
    delete c->pivotModel;
    c->pivotModel = nullptr;
}

// ---- painting -----------------------------------------------------------------------

bool TessarinCrossTabItem::loadTable(TessarinDataSource *ds, Table &table) const
{
    const TessarinCrossTabItemData *c = crossTabData();
    const int titleColumn = c->columnTitleSource.isEmpty() ? -1 : ds->columnIndexByName(c->columnTitleSource);
    const int columns = ds->columnCount();
    for (int column = 0; column < columns; ++column) {
        if (c->isHiddenDataColumn(column) || column == titleColumn)
            continue;
        table.rowColumns.append(column);
        table.rowNames.append(ds->columnName(column));
    }
    table.rowTotals.fill(0.0, table.rowColumns.size());

    const int saved = ds->recno();
    if (!ds->first())
        return false;
    do {
        if (!ds->isValid())
            break;
        const int record = table.values.size();
        table.titles.append(titleColumn >= 0 ? ds->value(titleColumn).toString() : ds->rowTitle(record));
        QVector<QVariant> values;
        values.reserve(table.rowColumns.size());
        double columnTotal = 0;
        for (int row = 0; row < table.rowColumns.size(); ++row) {
            const QVariant value = ds->value(table.rowColumns.at(row));
            values.append(value);
            addNumber(columnTotal, value);
            addNumber(table.rowTotals[row], value);
        }
        table.values.append(values);
        table.columnTotals.append(columnTotal);
    } while (table.values.size() < MaxRecords && ds->next());
    for (double total : qAsConst(table.rowTotals))
        table.grandTotal += total;
    // The table is read ahead; the cursor goes back to where the run left it.
    if (saved >= 0)
        ds->seek(saved);
    return table.records() > 0;
}

QVector<TessarinCrossTabItem::Block> TessarinCrossTabItem::planBlocks(const Table &table, double left, double right)
{
    using Cell = TessarinCrossTabItemCell;
    const TessarinCrossTabItemData *c = crossTabData();
    const double spacing = c->cellSpacing;
    const double headerWidth = c->showRowHeader ? cellSize(Cell::HeaderCorner).width() + spacing : 0;
    const double dataWidth = cellSize(Cell::DataCell).width();
    const double totalWidth = cellSize(Cell::RowTotal).width();

    QVector<Block> blocks;
    int first = 0;
    bool totalPlaced = !c->showSideSummary;
    while (first < table.records() || !totalPlaced) {
        Block block;
        block.first = first;
        double x = left + headerWidth;
        while (first + block.count < table.records() && x + dataWidth <= right + lengthEpsilon) {
            x += dataWidth + spacing;
            ++block.count;
        }
        if (first + block.count == table.records() && !totalPlaced && x + totalWidth <= right + lengthEpsilon) {
            block.withTotal = true;
            totalPlaced = true;
        }
        if (block.count == 0 && !block.withTotal) {
            // Not even one column fits beside the row titles: a new block
            // would not fare better, so the rest is left out.
            m_noRoomToRight = true;
            m_stopped = true;
            break;
        }
        if (first + block.count < table.records())
            m_noRoomToRight = true;
        first += block.count;
        blocks.append(block);
    }
    return blocks;
}

void TessarinCrossTabItem::dummyPaint(TessarinOutput *output, const QPointF &origin)
{
    layout(output, origin, false);
}

void TessarinCrossTabItem::paint(TessarinOutput *output, const QPointF &origin)
{
    layout(output, origin, true);
}

void TessarinCrossTabItem::layout(TessarinOutput *output, const QPointF &origin, bool draw)
{
    using Cell = TessarinCrossTabItemCell;
    m_stopped = false;
    m_noRoomToRight = false;
    m_blockCount = 0;
    m_lastIndex.reset();
    if (!output || !laysOutOn(output))
        return;
    TessarinCrossTabItemData *c = crossTabData();
    TessarinDataSource *ds = dataSource();
    if (!ds)
        return;
    if (c->isPivotTable && createPivotTable(ds))
        ds = c->pivotDataSource;
    else if (!ds->isOpened() && !ds->open())
        return;

    Table table;
    const bool hasRows = loadTable(ds, table);
    deletePivotTable();
    if (!hasRows)
        return;

    const TessarinPageOption &page = d->reportDef ? d->reportDef->option() : output->option();
    const TessarinScale &scale = output->scale();
    TessarinEvaluatorContext *run = director();
    const QPointF topLeft = origin + metricPos();
    const double right = page.pageWidthMM() - page.rightMarginMM();
    const double spacing = c->cellSpacing;
    const double padding = scale.mmToRealPixel(c->cellPadding);

    const QVector<Block> blocks = planBlocks(table, topLeft.x(), right);
    // Rows of every block: -1 header row, 0.. data rows, rowCount total row.
    const int dataRows = table.rowColumns.size();
    QVector<int> rows;
    if (c->showColumnHeader)
        rows.append(-1);
    for (int row = 0; row < dataRows; ++row)
        rows.append(row);
    if (c->showBottomSummary)
        rows.append(dataRows);
    auto rowHeight = [&](int row) {
        return cellSize(row < 0 ? Cell::HeaderCorner : row < dataRows ? Cell::RowTitle : Cell::TotalTitle).height();
    };
    double tableHeight = 0;
    for (int row : qAsConst(rows))
        tableHeight += rowHeight(row) + spacing;

    auto room = [&](double y) { return run ? run->layoutRoom(y) : 1e9; };
    auto breakPage = [&](double &y) {
        if (!run || !run->layoutPageBreak())
            return false;
        y = run->layoutPosY();
        return true;
    };

    double y = topLeft.y();
    double bottom = y;
    QRectF painted;
    for (int b = 0; b < blocks.size() && !m_stopped; ++b) {
        const Block &block = blocks.at(b);
        if (b > 0)
            y += c->tableSpacing;
        // Without breaking, a block that does not fit moves to the next page whole.
        if (!c->breakTable && tableHeight > room(y) + lengthEpsilon)
            breakPage(y);
        for (int r = 0; r < rows.size() && !m_stopped; ++r) {
            const int row = rows.at(r);
            const double height = rowHeight(row);
            if (height > room(y) + lengthEpsilon) {
                // A row that does not fit even on a page of its own would
                // break pages without end.
                double fresh = y;
                if (!c->breakTable || !breakPage(fresh) || height > room(fresh) + lengthEpsilon) {
                    m_stopped = true;
                    break;
                }
                y = fresh;
                painted = QRectF();
            }
            const bool drawRow = draw && !(run && run->isLayoutPageSkipped());
            double x = topLeft.x();
            auto place = [&](Cell::CellType type, const QVariant &value, int column) {
                Cell &style = m_cells[type];
                const QSizeF size = cellSize(type);
                style.value = value;
                const QRectF mm(QPointF(x, y), size);
                if (drawRow)
                    style.paint(output, QRectF(scale.mmToPoint(mm.topLeft()), scale.mmToSize(mm.size())), padding);
                painted |= mm;
                m_lastIndex = TessarinCrossTabIndex(r, column);
                x += size.width() + spacing;
            };
            if (c->showRowHeader) {
                if (row < 0)
                    place(Cell::HeaderCorner, QVariant(), -1);
                else if (row < dataRows)
                    place(Cell::RowTitle, table.rowNames.at(row), -1);
                else
                    place(Cell::TotalTitle, QVariant(), -1);
            }
            for (int i = 0; i < block.count; ++i) {
                const int record = block.first + i;
                if (row < 0)
                    place(Cell::ColumnTitle, table.titles.at(record), record);
                else if (row < dataRows)
                    place(Cell::DataCell, table.values.at(record).at(row), record);
                else
                    place(Cell::ColumnTotal, table.columnTotals.at(record), record);
            }
            if (block.withTotal) {
                if (row < 0)
                    place(Cell::SummaryTitle, QVariant(), table.records());
                else if (row < dataRows)
                    place(Cell::RowTotal, table.rowTotals.at(row), table.records());
                else
                    place(Cell::GrandTotal, table.grandTotal, table.records());
            }
            bottom = y + height;
            y = bottom + spacing;
        }
        ++m_blockCount;
    }

    if (run)
        run->setLayoutPosY(bottom);
    if (!painted.isNull())
        output->renderItem(this, QRectF(scale.mmToPoint(painted.topLeft()), scale.mmToSize(painted.size())));
}

// ---- document ---------------------------------------------------------------------

bool TessarinCrossTabItem::read(TessarinXMLReader *r)
{
    TessarinItem::read(r);
    TessarinCrossTabItemData *c = crossTabData();
    c->dataSourceId = r->attrib(QStringLiteral("datasource"));
    c->dataSource = d->reportDef && !c->dataSourceId.isEmpty() ? d->reportDef->dataSource(c->dataSourceId) : nullptr;
    c->tableSpacing = r->attribToReal(QStringLiteral("tableSpacing"));
    c->cellSpacing = r->attribToReal(QStringLiteral("cellSpacing"));
    c->cellPadding = r->attribToReal(QStringLiteral("cellPadding"));
    c->leftMargin = r->attribToReal(QStringLiteral("leftMargin"));
    c->rightMargin = r->attribToReal(QStringLiteral("rightMargin"));
    c->topMargin = r->attribToReal(QStringLiteral("topMargin"));
    c->bottomMargin = r->attribToReal(QStringLiteral("bottomMargin"));
    c->columnWidth = r->attribToReal(QStringLiteral("colWidth"));
    if (!(c->columnWidth > 0))
        c->columnWidth = TessarinCrossTabItemData::DefaultColumnWidth;
    c->rowHeight = r->attribToReal(QStringLiteral("rowHeight"));
    if (!(c->rowHeight > 0))
        c->rowHeight = TessarinCrossTabItemData::DefaultRowHeight;
    auto readBool = [r](const QString &name, bool &target) {
        if (r->isAttrib(name))
            target = r->attribToBool(name);
    };
    readBool(QStringLiteral("showColHeader"), c->showColumnHeader);
    readBool(QStringLiteral("showRowHeader"), c->showRowHeader);
    readBool(QStringLiteral("showBottomSummary"), c->showBottomSummary);
    readBool(QStringLiteral("showSideSummary"), c->showSideSummary);
    readBool(QStringLiteral("breakTable"), c->breakTable);
    readBool(QStringLiteral("isPivot"), c->isPivotTable);
    readBool(QStringLiteral("ptSort"), c->pivotSort);
    c->columnTitleSource = r->attrib(QStringLiteral("columnTitleSource"));
    c->setHiddenDataSourceColumns(r->attrib(QStringLiteral("hiddenColumns")));
    if (r->isAttrib(QStringLiteral("ptAgg")))
        c->pivotAggregation = quint16(r->attribToInt(QStringLiteral("ptAgg")));
    c->pivotTableRowSource = r->attrib(QStringLiteral("ptRow"));
    c->pivotTableColumnSource = r->attrib(QStringLiteral("ptColumn"));
    c->pivotTableValueSource = r->attrib(QStringLiteral("ptValue"));
    static const char *const regionNames[RegionCount] = {"headerColumnWidth", "dataColumnWidth", "totalColumnWidth",
                                                         "headerRowHeight",   "dataRowHeight",   "totalRowHeight"};
    for (int region = 0; region < RegionCount; ++region) {
        const QString name = QLatin1String(regionNames[region]);
        m_regionSizes[region] = r->isAttrib(name) ? r->attribToReal(name) : -1;
    }

    QXmlStreamReader &xml = r->xml();
    while (r->readNextChild()) {
        if (xml.name() == QLatin1String("cell")) {
            const int type = r->attribToInt(QStringLiteral("ct"));
            if (type >= 0 && type < CellTypeCount) {
                m_cells[type].read(r);
                continue;
            }
        }
        r->readUnknownElement();
    }
    return true;
}

bool TessarinCrossTabItem::write(TessarinXMLWriter *w)
{
    const TessarinCrossTabItemData *c = crossTabData();
    QXmlStreamWriter &xml = w->xml();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(w);
    const TessarinDataSource *ds = c->dataSource;
    xml.writeAttribute(QStringLiteral("datasource"), ds ? ds->id() : c->dataSourceId);
    w->writeReal(QStringLiteral("tableSpacing"), c->tableSpacing);
    w->writeReal(QStringLiteral("cellSpacing"), c->cellSpacing);
    w->writeReal(QStringLiteral("cellPadding"), c->cellPadding);
    w->writeReal(QStringLiteral("leftMargin"), c->leftMargin);
    w->writeReal(QStringLiteral("rightMargin"), c->rightMargin);
    w->writeReal(QStringLiteral("topMargin"), c->topMargin);
    w->writeReal(QStringLiteral("bottomMargin"), c->bottomMargin);
    w->writeReal(QStringLiteral("colWidth"), c->columnWidth);
    w->writeReal(QStringLiteral("rowHeight"), c->rowHeight);
    w->writeBool(QStringLiteral("showColHeader"), c->showColumnHeader);
    w->writeBool(QStringLiteral("showRowHeader"), c->showRowHeader);
    w->writeBool(QStringLiteral("showBottomSummary"), c->showBottomSummary);
    w->writeBool(QStringLiteral("showSideSummary"), c->showSideSummary);
    w->writeBool(QStringLiteral("breakTable"), c->breakTable);
    xml.writeAttribute(QStringLiteral("columnTitleSource"), c->columnTitleSource);
    xml.writeAttribute(QStringLiteral("hiddenColumns"), c->hiddenDataSourceColumns());
    w->writeBool(QStringLiteral("isPivot"), c->isPivotTable);
    w->writeBool(QStringLiteral("ptSort"), c->pivotSort);
    w->writeInt(QStringLiteral("ptAgg"), c->pivotAggregation);
    xml.writeAttribute(QStringLiteral("ptRow"), c->pivotTableRowSource);
    xml.writeAttribute(QStringLiteral("ptColumn"), c->pivotTableColumnSource);
    xml.writeAttribute(QStringLiteral("ptValue"), c->pivotTableValueSource);
    static const char *const regionNames[RegionCount] = {"headerColumnWidth", "dataColumnWidth", "totalColumnWidth",
                                                         "headerRowHeight",   "dataRowHeight",   "totalRowHeight"};
    for (int region = 0; region < RegionCount; ++region)
        w->writeReal(QLatin1String(regionNames[region]), m_regionSizes[region]);
    for (const TessarinCrossTabItemCell &style : m_cells)
        style.write(w);
    xml.writeEndElement();
    return true;
}

void TessarinCrossTabItem::setDefaultForEditor()
{
    resize(QSizeF(100, 30));
}

void TessarinCrossTabItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setPen(QPen(Qt::gray, 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(boundingRect());
    painter->restore();
}
