#include "tessarinrelationnode_p.h"

#include "tessarindatasource.h"

#include <QCoreApplication>

#include <algorithm>

TessarinRelationHost::~TessarinRelationHost() = default;

TessarinRelationNode::TessarinRelationNode(TessarinRelationHost *host)
    : m_host(host)
{
}

TessarinRelationNode::TessarinRelationNode(TessarinRelationHost *host, TessarinDataSource *dataSource,
                                           TessarinRelationNode *parent)
    : m_parent(parent)
    , m_dataSource(dataSource)
    , m_host(host)
{
}

TessarinRelationNode::~TessarinRelationNode()
{
    qDeleteAll(m_children);
}

bool TessarinRelationNode::build(const QHash<QString, TessarinDataSource *> &dataSources)
{
    qDeleteAll(m_children);
    m_children.clear();
    m_cachedNode = nullptr;
    m_childIndex = 0;
    m_errorText.clear();

    // Sorted by id, so that the children of a master are walked in the same
    // order on every run, whatever the hash order is.
    QList<TessarinDataSource *> pending;
    for (auto it = dataSources.cbegin(); it != dataSources.cend(); ++it) {
        TessarinDataSource *ds = it.value();
        if (!ds || !ds->isEnabled())
            continue;
        if (ds->openRole() == TessarinDataSource::Child && !dataSources.contains(ds->parentId())) {
            m_errorText = QCoreApplication::translate("TessarinRelationNode",
                                                      "Invalid child data source, \"%1\" parent id not found")
                              .arg(ds->parentId());
            return false;
        }
        pending.append(ds);
    }
    std::sort(pending.begin(), pending.end(),
              [](const TessarinDataSource *a, const TessarinDataSource *b) { return a->id() < b->id(); });

    // Sweep until a sweep attaches nothing: whatever is left then has no
    // master in the tree (a cycle, or a master that is disabled or not a row
    // source) and must not silently drop out of the run.
    bool attached = true;
    while (!pending.isEmpty() && attached) {
        attached = false;
        for (auto it = pending.begin(); it != pending.end();) {
            TessarinDataSource *ds = *it;
            TessarinRelationNode *master = nullptr;
            switch (ds->openRole()) {
            case TessarinDataSource::Group:
            case TessarinDataSource::Sub:
                it = pending.erase(it);
                continue;
            case TessarinDataSource::Begin:
                master = this;
                break;
            case TessarinDataSource::Child:
                master = findNodeById(ds->parentId());
                break;
            }
            if (!master) {
                ++it;
                continue;
            }
            master->m_children.append(new TessarinRelationNode(m_host, ds, master));
            it = pending.erase(it);
            attached = true;
        }
    }
    if (!pending.isEmpty()) {
        m_errorText = QCoreApplication::translate("TessarinRelationNode",
                                                  "Could not open data source relation at data source %1")
                          .arg(pending.first()->id());
        return false;
    }
    return true;
}

bool TessarinRelationNode::openAll()
{
    for (TessarinRelationNode *node : qAsConst(m_children)) {
        if (!node->reopen(First))
            return false;
    }
    return true;
}

TessarinRelationNode *TessarinRelationNode::findNode(const TessarinDataSource *dataSource)
{
    if (m_dataSource == dataSource && dataSource)
        return this;
    for (TessarinRelationNode *child : qAsConst(m_children)) {
        if (TessarinRelationNode *found = child->findNode(dataSource))
            return found;
    }
    return nullptr;
}

TessarinRelationNode *TessarinRelationNode::findNodeById(const QString &id)
{
    if (m_dataSource && m_dataSource->id() == id)
        return this;
    for (TessarinRelationNode *child : qAsConst(m_children)) {
        if (TessarinRelationNode *found = child->findNodeById(id))
            return found;
    }
    return nullptr;
}

TessarinRelationNode *TessarinRelationNode::topLevelNode(TessarinDataSource *dataSource)
{
    if (!dataSource)
        return nullptr;
    if (m_cachedNode && m_cachedNode->m_dataSource == dataSource)
        return m_cachedNode;
    for (TessarinRelationNode *child : qAsConst(m_children)) {
        if (child->m_dataSource == dataSource) {
            m_cachedNode = child;
            return child;
        }
    }
    return nullptr;
}

bool TessarinRelationNode::navigateTop(TessarinDataSource *dataSource, NavigationCode code)
{
    TessarinRelationNode *node = topLevelNode(dataSource);
    return node && node->navigate(code);
}

bool TessarinRelationNode::moveOwn(NavigationCode code)
{
    switch (code) {
    case Next:
        return m_dataSource->next();
    case Previous:
        return m_dataSource->previous();
    case First:
        return m_dataSource->first();
    case Last:
        return m_dataSource->last();
    }
    return false;
}

bool TessarinRelationNode::navigate(NavigationCode code)
{
    if (!m_dataSource)
        return false;

    // First and last position the whole subtree: the master itself moves, so
    // that a detail that starts over a master walked before begins at its
    // first row and not merely at its child's first row.
    if (!m_children.isEmpty() && (code == Next || code == Previous)) {
        const int step = code == Next ? 1 : -1;
        while (m_childIndex >= 0 && m_childIndex < m_children.size()) {
            if (m_children.at(m_childIndex)->navigate(code))
                return true;
            m_childIndex += step;
        }
        m_childIndex = qBound(0, m_childIndex, m_children.size() - 1);
    }

    if (!moveOwn(code))
        return false;
    if (!m_children.isEmpty())
        reopenChildren(code);
    return true;
}

bool TessarinRelationNode::reopenChildren(NavigationCode code)
{
    // Every child is re-queried for the master's new row, and the walk
    // restarts at the first child (or, moving backwards, at the last).
    m_childIndex = (code == Next || code == First) ? 0 : m_children.size() - 1;
    for (TessarinRelationNode *child : qAsConst(m_children)) {
        if (!child->reopen(code))
            return false;
    }
    return true;
}

bool TessarinRelationNode::reopen(NavigationCode code)
{
    if (!m_dataSource)
        return false;
    const bool forward = code == Next || code == First;
    if (m_parent && m_parent->m_dataSource)
        m_dataSource->setForeignKeyValue(m_parent->m_dataSource->primaryKeyValue());

    bool ok = false;
    if (m_dataSource->isOpened()) {
        m_dataSource->evaluate(m_host ? m_host->relationEvaluator() : nullptr);
        if (!m_dataSource->update())
            return false;
        bool moved = forward ? m_dataSource->first() : m_dataSource->last();
        // Some sources answer first() even without a row; the row itself decides.
        const int rows = m_dataSource->rowCount();
        moved = moved && (rows > 0 || (rows < 0 && m_dataSource->isValid()));
        m_dataSource->setAvailable(moved);
        ok = moved || m_dataSource->allowEmpty();
    } else {
        ok = m_host && m_host->openDataSource(m_dataSource);
        if (ok && !forward)
            m_dataSource->last();
    }
    if (!ok)
        return false;
    return m_children.isEmpty() || reopenChildren(code);
}
