#ifndef TESSARINVARIABLE_H
#define TESSARINVARIABLE_H

#include "tessarindata.h"

#include <QList>

class TessarinDataSource;

// A running aggregate over the rows of a data source (count, sum, average,
// standard deviation, minimum, maximum), reset by the director at the end of
// its scope.
class TESSARIN2_EXPORT TessarinVariable : public TessarinData
{
public:
    enum FunctionType : int { Count = 0, Sum, Average, Std, Min, Max, System };
    enum ResetScope : int { Report = 0, Page, Group };
    // Decrease takes the last ordinary input out again, Increase puts it back.
    enum CorrectionType : int { NoCorrection = 0, Decrease, Increase };

    TessarinVariable();
    TessarinVariable(const TessarinVariable &) = default;
    TessarinVariable &operator=(const TessarinVariable &) = default;
    ~TessarinVariable() override;

    FunctionType function() const { return m_function; }
    void setFunction(FunctionType function) { m_function = function; }
    void setFunction(const QString &name) { m_function = nameToFunction(name); }
    ResetScope scope() const { return m_scope; }
    void setScope(ResetScope scope) { m_scope = scope; }
    void setScope(const QString &name) { m_scope = nameToScope(name); }
    QString functionToName() const;
    QString scopeToName() const;
    static FunctionType nameToFunction(const QString &name);
    static ResetScope nameToScope(const QString &name);

    QString expression() const { return m_expression; }
    void setExpression(const QString &expression) { m_expression = expression; }
    TessarinDataSource *relatedDataSource() const { return m_relatedDataSource; }
    void setRelatedDataSource(TessarinDataSource *dataSource) { m_relatedDataSource = dataSource; }

    // Starting value of the aggregate. For Min and Max an initial value of 0
    // means "none": they then start from the first value after reset().
    double initValue() const;
    void setInitValue(double value);

    void reset();
    void update(const QVariant &value, CorrectionType correction = NoCorrection);
    void correction(CorrectionType correction);
    void modifyValue(double value);

    // Running state, for the director and for inspection.
    double accumulator() const { return m_accumulator; }
    int counter() const { return m_counter; }
    QList<double> values() const { return m_values; }
    QVariant lastValue() const { return m_lastValue; }

private:
    bool startsFromFirstValue() const;

    FunctionType m_function = Count;
    ResetScope m_scope = Report;
    TessarinDataSource *m_relatedDataSource = nullptr;
    QString m_expression;
    double m_accumulator = 0;
    int m_counter = 0;
    QList<double> m_values;
    double m_initReal = 0;
    int m_initCount = 0;
    QVariant m_lastValue;
    bool m_hasLastValue = false; // the last input may itself be a null value
    // Min/Max without an initial value: the next update takes its value as is.
    bool m_awaitingFirst = false;
};

#endif // TESSARINVARIABLE_H
