#include "tessarinvariable.h"

#include "tessarinutils.h"

#include <limits>

namespace {

const char *const functionNames[] = {"COUNT", "SUM", "AVERAGE", "STD", "MIN", "MAX", "SYSTEM"};

// Truncation to int that stays defined for values outside the int range.
int toIntOrZero(double v)
{
    if (!(v > double(std::numeric_limits<int>::min()) - 1.0 && v < double(std::numeric_limits<int>::max()) + 1.0))
        return 0;
    return int(v);
}

} // namespace

TessarinVariable::TessarinVariable()
{
    m_dataType = Numeric;
}

TessarinVariable::~TessarinVariable() = default;

TessarinVariable::FunctionType TessarinVariable::nameToFunction(const QString &name)
{
    const QString upper = name.toUpper();
    // SYSTEM is not a name a definition may choose.
    for (int i = Count; i <= Max; ++i) {
        if (upper == QLatin1String(functionNames[i]))
            return FunctionType(i);
    }
    return Count;
}

TessarinVariable::ResetScope TessarinVariable::nameToScope(const QString &name)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("PAGE"))
        return Page;
    if (upper == QLatin1String("GROUP"))
        return Group;
    return Report;
}

QString TessarinVariable::functionToName() const
{
    const int f = int(m_function);
    return f >= Count && f <= System ? QString::fromLatin1(functionNames[f]) : QString();
}

QString TessarinVariable::scopeToName() const
{
    switch (m_scope) {
    case Report:
        return QStringLiteral("Report");
    case Page:
        return QStringLiteral("Page");
    case Group:
        return QStringLiteral("Group");
    }
    return QString();
}

bool TessarinVariable::startsFromFirstValue() const
{
    return (m_function == Min || m_function == Max) && m_initReal == 0.0;
}

double TessarinVariable::initValue() const
{
    if (m_function == Count)
        return m_initCount;
    if (m_function == Min && m_initReal == 0.0)
        return std::numeric_limits<double>::max();
    return m_initReal;
}

void TessarinVariable::setInitValue(double value)
{
    if (m_function == Count) {
        m_initCount = toIntOrZero(value);
        m_initReal = 0;
    } else {
        m_initReal = value;
        m_initCount = 0;
    }
}

void TessarinVariable::reset()
{
    const double init = initValue();
    m_accumulator = init;
    m_counter = m_function == Count ? m_initCount : toIntOrZero(init);
    m_values.clear();
    m_awaitingFirst = startsFromFirstValue();
    setValue(init, m_dataType);
}

void TessarinVariable::update(const QVariant &value, CorrectionType correction)
{
    const double x = value.toDouble();
    const bool decrease = correction == Decrease;
    const double sign = decrease ? -1.0 : 1.0;
    const int step = decrease ? -1 : 1;

    switch (m_function) {
    case Count:
        m_counter += step;
        setValue(m_counter, Numeric);
        break;
    case Sum:
        m_accumulator += sign * x;
        setValue(m_accumulator, Numeric);
        break;
    case Average:
        // Nothing was counted that could be taken out again.
        if (decrease && m_counter <= 0)
            break;
        m_counter += step;
        m_accumulator += sign * x;
        setValue(m_counter != 0 ? m_accumulator / m_counter : initValue(), Numeric);
        break;
    case Std:
        if (decrease && m_values.isEmpty())
            break;
        m_counter += step;
        m_accumulator += sign * x;
        if (decrease)
            m_values.removeLast();
        else
            m_values.append(x);
        setValue(TessarinUtils::standardDeviation(m_values), Numeric);
        break;
    case Min:
        if (m_awaitingFirst || x < m_accumulator)
            m_accumulator = x;
        m_awaitingFirst = false;
        setValue(m_accumulator, Numeric);
        break;
    case Max:
        if (m_awaitingFirst || x > m_accumulator)
            m_accumulator = x;
        m_awaitingFirst = false;
        setValue(m_accumulator, Numeric);
        break;
    case System:
        break;
    }

    if (correction == NoCorrection) {
        m_lastValue = value;
        m_hasLastValue = true;
    }
}

void TessarinVariable::correction(CorrectionType correction)
{
    // Before the first ordinary update there is nothing to take out or put back.
    if (!m_hasLastValue)
        return;
    update(m_lastValue, correction);
}

void TessarinVariable::modifyValue(double value)
{
    if (m_function == Count) {
        m_counter = toIntOrZero(value);
        setValue(m_counter, Numeric);
    } else {
        m_accumulator = value;
        m_awaitingFirst = false;
        setValue(value, Numeric);
    }
}
