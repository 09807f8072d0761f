#ifndef TESSARINRELATIONNODE_P_H
#define TESSARINRELATIONNODE_P_H

#include <QHash>
#include <QList>
#include <QString>

class TessarinDataSource;
class TessarinEvaluator;

// What the relation tree needs from the run that owns it: a way to open a
// data source the first time it is reached, and the evaluator that lets a
// source substitute its parameters before it is re-queried.
class TessarinRelationHost
{
public:
    virtual ~TessarinRelationHost();
    virtual bool openDataSource(TessarinDataSource *dataSource) = 0;
    virtual TessarinEvaluator *relationEvaluator() const = 0;
};

// One node of the master/child tree of a run's data sources. The root holds
// no data source; its children are the "begin" sources, and below every
// source hang the "child" sources that name it as their parent. Moving a
// master first walks the rows of its children; when they are exhausted the
// master moves and its children are re-queried for the master's new key.
class TessarinRelationNode
{
public:
    enum NavigationCode { Next = 0, Previous = 1, First = 2, Last = 3 };

    // A root node: no data source, no parent.
    explicit TessarinRelationNode(TessarinRelationHost *host);
    ~TessarinRelationNode();

    TessarinRelationNode *parent() const { return m_parent; }
    TessarinDataSource *dataSource() const { return m_dataSource; }
    const QList<TessarinRelationNode *> &children() const { return m_children; }
    int childIndex() const { return m_childIndex; }
    QString errorText() const { return m_errorText; }

    // Builds the tree under this root from the definition's data sources;
    // false with errorText() set when a child cannot be attached.
    bool build(const QHash<QString, TessarinDataSource *> &dataSources);
    // Number of top-level nodes.
    int size() const { return m_children.size(); }
    // Opens every top-level subtree and puts it on its first row.
    bool openAll();

    // Navigate the subtree whose top-level source is dataSource; false when
    // it cannot move or dataSource is not a top-level source of this tree.
    bool first(TessarinDataSource *dataSource) { return navigateTop(dataSource, First); }
    bool next(TessarinDataSource *dataSource) { return navigateTop(dataSource, Next); }
    bool previous(TessarinDataSource *dataSource) { return navigateTop(dataSource, Previous); }
    bool last(TessarinDataSource *dataSource) { return navigateTop(dataSource, Last); }

    bool isTopLevel(TessarinDataSource *dataSource) { return topLevelNode(dataSource) != nullptr; }
    // Depth-first search for the node holding dataSource (null when absent).
    TessarinRelationNode *findNode(const TessarinDataSource *dataSource);

private:
    TessarinRelationNode(TessarinRelationHost *host, TessarinDataSource *dataSource, TessarinRelationNode *parent);

    TessarinRelationNode *topLevelNode(TessarinDataSource *dataSource);
    bool navigateTop(TessarinDataSource *dataSource, NavigationCode code);
    bool navigate(NavigationCode code);
    bool moveOwn(NavigationCode code);
    bool reopen(NavigationCode code);
    bool reopenChildren(NavigationCode code);
    TessarinRelationNode *findNodeById(const QString &id);

    TessarinRelationNode *m_parent = nullptr;
    TessarinDataSource *m_dataSource = nullptr;
    TessarinRelationHost *m_host = nullptr;
    int m_childIndex = 0;
    TessarinRelationNode *m_cachedNode = nullptr;
    QList<TessarinRelationNode *> m_children;
    QString m_errorText;
};

#endif // TESSARINRELATIONNODE_P_H
