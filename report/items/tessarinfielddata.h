#ifndef TESSARINFIELDDATA_H
#define TESSARINFIELDDATA_H

#include "tessarinlabeldata.h"

#include <QChar>
#include <QString>

class TessarinDataSource;

// Properties of a field: how its value is turned into display text
// (number, date and text formatting) and the data source column the
// evaluator resolved for it, kept so that later rows skip the parsing.
class TESSARIN2_EXPORT TessarinFieldData : public TessarinLabelData
{
public:
    TessarinFieldData();
    TessarinFieldData(const TessarinFieldData &) = default;
    TessarinFieldData &operator=(const TessarinFieldData &) = default;
    ~TessarinFieldData() override;

    int precision = -1;
    int fieldWidth = 0;
    char format = 'f'; // a QString::number format letter
    QChar fillChar{QLatin1Char(' ')};
    bool localized = false;
    bool numBlankIfZero = false;
    bool numFormat = false;
    int numCharacters = 0;
    TessarinDataSource *dataSource = nullptr; // not owned
    int dataColumn = -1;
    int dataRole = -1;
    QString dateFormat;
    QString arg;
};

#endif // TESSARINFIELDDATA_H
