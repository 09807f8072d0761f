#ifndef MEMORYDATASOURCE_H
#define MEMORYDATASOURCE_H

// Test doubles shared by the evaluator tests and the fuzz target: a data
// source over rows held in memory, and a run context whose counters the
// tests set.

#include "tessarindatasource.h"
#include "tessarinevaluatorcontext.h"

#include <QHash>
#include <QPair>
#include <QStringList>
#include <QVariantList>

class MemoryDataSource : public TessarinDataSource
{
public:
    MemoryDataSource(const QString &id, const QStringList &columns, const QList<QVariantList> &rows,
                     QObject *parent = nullptr)
        : TessarinDataSource(parent), m_columns(columns), m_rows(rows)
    {
        setID(id);
        open();
    }

    bool open() override { setOpened(true); m_row = -1; return true; }
    bool close() override { setOpened(false); return true; }
    bool first() override { return moveTo(0); }
    bool last() override { return moveTo(m_rows.size() - 1); }
    bool next() override { return m_row + 1 < m_rows.size() && moveTo(m_row + 1); }
    bool previous() override { return m_row > 0 && moveTo(m_row - 1); }
    bool hasNext() override { return m_row + 1 < m_rows.size(); }
    bool seek(int index) override
    {
        if (index != -1)
            return moveTo(index);
        if (seekMinusOneOnFirst)
            return moveTo(0);
        if (forwardOnly && m_row >= 0)
            return false;
        m_row = -1;
        return true;
    }
    int size() const override { return m_rows.size(); }
    int rowCount() const override { return m_rows.size(); }
    int columnCount() const override { return m_columns.size(); }
    QString columnName(int i) const override { return m_columns.value(i); }
    int currentRow() const override { return m_row; }
    bool isValid() const override { return m_row >= 0 && m_row < m_rows.size(); }
    QVariant value(int column, bool *ok = nullptr, int role = -1) override
    {
        lastRole = role;
        const bool valid = isValid() && column >= 0 && column < m_columns.size();
        if (ok)
            *ok = valid;
        if (!valid)
            return QVariant();
        return role > 0 || role < -1 ? roleValues.value(qMakePair(column, role)) : m_rows.at(m_row).value(column);
    }
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override
    {
        return value(m_columns.indexOf(column), ok, role);
    }
    int columnIndexByName(const QString &name) const override
    {
        return readsByName ? (m_columns.contains(name) ? -2 : -1) : m_columns.indexOf(name);
    }
    QVariant getUserFunctionValue(const QVariant &value, const QString &arguments) override
    {
        return QStringLiteral("%1|%2").arg(value.toString(), arguments);
    }
    bool update() override { ++updateCalls; return true; }
    void setRows(const QList<QVariantList> &rows) { m_rows = rows; }

    bool seekMinusOneOnFirst = false; // some sources treat seek(-1) as "go to the start"
    bool forwardOnly = false;         // cannot move back to an earlier row
    bool readsByName = false;         // answers -2 for known columns
    QHash<QPair<int, int>, QVariant> roleValues; // (column, role) -> value for roles other than display
    int updateCalls = 0;
    int lastRole = -100;

private:
    bool moveTo(int row)
    {
        if (row < 0 || row >= m_rows.size() || (forwardOnly && row < m_row))
            return false;
        m_row = row;
        return true;
    }

    QStringList m_columns;
    QList<QVariantList> m_rows;
    int m_row = -1;
};

class FakeRun : public TessarinEvaluatorContext
{
public:
    int pageNo() const override { return page; }
    int globalPageNo() const override { return globalPage; }
    int pageCount() const override { return pages; }
    int reportNo() const override { return report; }
    int reportCount() const override { return reports; }
    int forceCopies() const override { return copies; }
    int currentCopy() const override { return copy; }
    int currentRow() const override { return row; }
    TessarinDataSource *currentDataSource() const override { return dataSource; }
    TessarinSection *currentDetail() const override { return detail; }
    TessarinOutput *currentOutput() const override { return nullptr; }
    bool isFinished() const override { return finished; }
    void setFinished(bool on) override { finished = on; }
    bool nextDetailRow() override
    {
        if (!dataSource || !dataSource->next())
            return false;
        ++row;
        return true;
    }

    int page = 0, globalPage = 0, pages = 0, report = 0, reports = 0, copies = 0, copy = 0, row = 0;
    TessarinDataSource *dataSource = nullptr;
    TessarinSection *detail = nullptr;
    bool finished = false;
};

#endif // MEMORYDATASOURCE_H
