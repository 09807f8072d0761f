#ifndef FAKEDATASOURCE_H
#define FAKEDATASOURCE_H

#include "tessarindatasource.h"

// A data source without rows whose identity and current row the tests set directly.
class FakeDataSource : public TessarinDataSource
{
public:
    explicit FakeDataSource(const QString &id, DataSourceType type = SQL, OpenRoles role = Begin)
    {
        setID(id);
        setDataSourceType(type);
        setOpenRole(role);
    }
    int currentRow() const override { return row; }
    bool open() override { return true; }
    bool close() override { return true; }
    bool first() override { return false; }
    bool last() override { return false; }
    bool next() override { return false; }
    bool previous() override { return false; }
    bool hasNext() override { return false; }
    bool seek(int) override { return false; }
    int size() const override { return 0; }
    QVariant value(int, bool *ok = nullptr, int = -1) override { if (ok) *ok = false; return {}; }
    QVariant value(const QString &, bool *ok = nullptr, int = -1) override { if (ok) *ok = false; return {}; }
    bool isValid() const override { return false; }

    int row = 0;
};

#endif // FAKEDATASOURCE_H
