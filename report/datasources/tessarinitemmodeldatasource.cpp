#include "tessarinitemmodeldatasource.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QAbstractItemModel>

// The definition reader creates "model" sources through this entry.
namespace {
[[maybe_unused]] const bool registeredWithReader = TessarinXMLRegistry::registerDataSource(
    QStringLiteral("model"),
    [](TessarinDef *definition) -> TessarinDataSource * { return new TessarinItemModelDataSource(definition); });
}

TessarinItemModelDataSource::TessarinItemModelDataSource(QObject *parent)
    : TessarinDataSource(parent)
{
    setLocationType(Static);
    setDataSourceType(ItemModel);
    addAppearanceRole(Qt::FontRole);
    addAppearanceRole(Qt::TextAlignmentRole);
    addAppearanceRole(Qt::BackgroundRole);
    addAppearanceRole(Qt::ForegroundRole);
}

TessarinItemModelDataSource::~TessarinItemModelDataSource() = default;

void TessarinItemModelDataSource::setItemModel(QAbstractItemModel *model)
{
    m_model = model;
}

QAbstractItemModel *TessarinItemModelDataSource::itemModel() const
{
    return m_model;
}

bool TessarinItemModelDataSource::read(TessarinXMLReader *reader)
{
    if (reader->isAttrib(QStringLiteral("modelID")))
        m_modelID = reader->attrib(QStringLiteral("modelID"));
    if (reader->isAttrib(QStringLiteral("parentID")))
        setParentId(reader->attrib(QStringLiteral("parentID")));
    if (reader->isAttrib(QStringLiteral("useFormatRoles")))
        setUseAppearanceRoles(reader->attribToBool(QStringLiteral("useFormatRoles")));
    TessarinDef *def = reader->reportDef();
    if (!def)
        def = qobject_cast<TessarinDef *>(parent());
    if (!def)
        return false;
    const QHash<QString, QAbstractItemModel *> models = def->itemModels();
    const auto it = models.constFind(m_modelID);
    if (it == models.constEnd())
        return false;
    m_model = it.value();
    return true;
}

bool TessarinItemModelDataSource::write(TessarinXMLWriter *writer)
{
    writer->xml().writeAttribute(QStringLiteral("modelID"), m_modelID);
    if (useAppearanceRoles())
        writer->xml().writeAttribute(QStringLiteral("useFormatRoles"), QStringLiteral("true"));
    return true;
}

bool TessarinItemModelDataSource::checkModel()
{
    if (m_model)
        return true;
    setError(tr("Item model not found. Data source ID: %1 Model ID: %2").arg(id(), m_modelID), -1);
    return false;
}

bool TessarinItemModelDataSource::open()
{
    // The requests go out before the model is checked, so that an
    // application can also hand the model over in its slot.
    emit updateRequestFKey(id(), foreignKeyValue());
    emit updateRequest(id(), m_evaluatedSpecification);
    if (!checkModel())
        return false;
    recnoRef() = 0;
    flagBegin() = true;
    flagEnd() = false;
    setOpened(true);
    return true;
}

bool TessarinItemModelDataSource::update()
{
    const bool result = TessarinDataSource::update();
    emit updateRequest(id(), m_evaluatedSpecification);
    first();
    return result;
}

bool TessarinItemModelDataSource::close()
{
    if (!checkModel())
        return false;
    setOpened(false);
    flagEnd() = false;
    return true;
}

bool TessarinItemModelDataSource::first()
{
    if (!checkModel())
        return false;
    flagEnd() = false;
    recnoRef() = 0;
    return rowCount() > 0;
}

bool TessarinItemModelDataSource::last()
{
    if (!checkModel())
        return false;
    recnoRef() = rowCount() - 1;
    flagBegin() = false;
    return rowCount() > 0;
}

bool TessarinItemModelDataSource::next()
{
    if (!checkModel())
        return false;
    int &row = recnoRef();
    const int count = rowCount();
    if (row + 1 >= count) {
        row = count - 1;
        flagEnd() = true;
        return false;
    }
    ++row;
    flagBegin() = false;
    return true;
}

bool TessarinItemModelDataSource::previous()
{
    if (!checkModel())
        return false;
    int &row = recnoRef();
    if (row - 1 >= 0 && row - 1 < rowCount()) {
        --row;
        return true;
    }
    row = rowCount() > 0 ? 0 : -1;
    flagBegin() = true;
    return false;
}

bool TessarinItemModelDataSource::hasNext()
{
    return m_model && recnoRef() < m_model->rowCount() - 1;
}

bool TessarinItemModelDataSource::seek(int index)
{
    const int count = m_model ? m_model->rowCount() : 0;
    if (index >= count)
        return false;
    if (index >= -1)
        recnoRef() = index;
    return true;
}

bool TessarinItemModelDataSource::isValid() const
{
    return m_model && m_model->index(recno(), 0).isValid();
}

int TessarinItemModelDataSource::rowCount() const
{
    return m_model ? m_model->rowCount() : -1;
}

int TessarinItemModelDataSource::columnCount() const
{
    return m_model ? m_model->columnCount() : -1;
}

QVariant TessarinItemModelDataSource::headerValue(int column, int role) const
{
    return m_model ? m_model->headerData(column, Qt::Horizontal, role) : QVariant();
}

QVariant TessarinItemModelDataSource::value(int column, bool *ok, int role)
{
    if (!m_model) {
        if (ok)
            *ok = false;
        return QVariant();
    }
    const QModelIndex index = m_model->index(recno(), column);
    if (ok)
        *ok = index.isValid();
    switch (role) {
    case -2: {
        const QVariant header = headerValue(column, Qt::EditRole);
        if (header.isValid() && !header.isNull())
            return header;
        return index.data(Qt::UserRole);
    }
    case -3:
        return headerValue(column, Qt::DecorationRole);
    case -4:
        return headerValue(column, Qt::UserRole);
    case -5:
        return headerValue(column, Qt::DisplayRole);
    case -6:
        return headerValue(column, Qt::ToolTipRole);
    default:
        return index.data(role < 0 ? int(Qt::EditRole) : role);
    }
}

QVariant TessarinItemModelDataSource::value(const QString &column, bool *ok, int role)
{
    return value(columnIndexByName(column), ok, role);
}

int TessarinItemModelDataSource::columnIndexByName(const QString &name) const
{
    const QString key = name.section(QLatin1Char(':'), 0, 0);
    if (m_model) {
        const int count = m_model->columnCount();
        for (int i = 0; i < count; ++i) {
            if (headerValue(i, Qt::EditRole).toString() == key)
                return i;
        }
    }
    if (key.startsWith(QLatin1String("col")))
        return key.midRef(3).toInt();
    return key.toInt();
}

QString TessarinItemModelDataSource::columnName(int i) const
{
    return headerValue(i, Qt::EditRole).toString();
}

QString TessarinItemModelDataSource::columnTitle(int i)
{
    if (!m_model)
        return columnName(i);
    return headerValue(i, Qt::DisplayRole).toString();
}

QString TessarinItemModelDataSource::columnToolTip(int i)
{
    if (!m_model)
        return TessarinDataSource::columnTitle(i);
    return headerValue(i, Qt::ToolTipRole).toString();
}

QString TessarinItemModelDataSource::rowTitle(int row)
{
    return m_model ? m_model->headerData(row, Qt::Vertical, Qt::DisplayRole).toString() : QString();
}

void TessarinItemModelDataSource::evaluate(TessarinEvaluator *evaluator)
{
    m_evaluatedSpecification = specification();
    if (evaluator)
        evaluator->evaluate(m_evaluatedSpecification, TessarinItem::DataSource);
}
