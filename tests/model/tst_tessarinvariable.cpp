#include <QtTest>

#include <cmath>
#include <limits>

#include "tessarinvariable.h"

namespace {

TessarinVariable make(TessarinVariable::FunctionType f, double init = 0)
{
    TessarinVariable v;
    v.setFunction(f);
    v.setInitValue(init);
    v.reset();
    return v;
}

double feed(TessarinVariable &v, const QList<double> &values)
{
    for (double x : values)
        v.update(x);
    return v.value().toDouble();
}

} // namespace

class TestTessarinVariable : public QObject
{
    Q_OBJECT
private slots:
    void keywords();
    void countAndSum();
    void average();
    void standardDeviation();
    void minAndMax();
    void initialValues();
    void systemAndModify();
};

void TestTessarinVariable::keywords()
{
    TessarinVariable v;
    QCOMPARE(v.dataType(), TessarinData::Numeric);
    const QList<QPair<QString, TessarinVariable::FunctionType>> functions{
        {"average", TessarinVariable::Average}, {"AVERAGE", TessarinVariable::Average},
        {"Max", TessarinVariable::Max},         {"median", TessarinVariable::Count},
        {"SYSTEM", TessarinVariable::Count}};
    for (const auto &f : functions) {
        v.setFunction(TessarinVariable::Std);
        v.setFunction(f.first);
        QCOMPARE(v.function(), f.second);
    }
    v.setScope(QStringLiteral("page"));
    QCOMPARE(v.scopeToName(), QStringLiteral("Page"));
    v.setScope(QStringLiteral("GROUP"));
    QCOMPARE(v.scope(), TessarinVariable::Group);
    v.setScope(QStringLiteral("week"));
    QCOMPARE(v.scope(), TessarinVariable::Report);
}

void TestTessarinVariable::countAndSum()
{
    TessarinVariable count = make(TessarinVariable::Count);
    count.update(QStringLiteral("anything"));
    count.update(QVariant()); // a null input still counts, and can be taken out
    QCOMPARE(count.value(), QVariant(2));
    count.correction(TessarinVariable::Decrease);
    QCOMPARE(count.value().toInt(), 1);
    count.correction(TessarinVariable::Increase);
    QCOMPARE(count.value().toInt(), 2);

    TessarinVariable sum = make(TessarinVariable::Sum);
    QCOMPARE(feed(sum, {1.5, 2.5, 3}), 7.0);
    sum.update(QStringLiteral("not a number"));
    QCOMPARE(sum.value().toDouble(), 7.0);
    sum.update(4);
    sum.correction(TessarinVariable::Increase);
    QCOMPARE(sum.value().toDouble(), 15.0);
    QCOMPARE(sum.lastValue(), QVariant(4)); // corrections do not replace it
    sum.correction(TessarinVariable::Decrease);
    sum.correction(TessarinVariable::Decrease);
    QCOMPARE(sum.value().toDouble(), 7.0);

    // Before any ordinary update there is nothing to correct.
    TessarinVariable fresh = make(TessarinVariable::Count);
    fresh.correction(TessarinVariable::Decrease);
    QCOMPARE(fresh.value().toInt(), 0);
}

void TestTessarinVariable::average()
{
    TessarinVariable v = make(TessarinVariable::Average);
    QCOMPARE(feed(v, {2, 4}), 3.0);
    v.correction(TessarinVariable::Decrease);
    QCOMPARE(v.value().toDouble(), 2.0);
    v.correction(TessarinVariable::Increase);
    QCOMPARE(v.value().toDouble(), 3.0);

    // Taking every value out gives no division by zero, and nothing more
    // can be taken out.
    TessarinVariable single = make(TessarinVariable::Average);
    single.update(5);
    single.correction(TessarinVariable::Decrease);
    QCOMPARE(single.value().toDouble(), 0.0);
    single.correction(TessarinVariable::Decrease);
    QCOMPARE(single.counter(), 0);
    QVERIFY(std::isfinite(single.value().toDouble()));
    QCOMPARE(feed(single, {8}), 8.0);
}

void TestTessarinVariable::standardDeviation()
{
    TessarinVariable v = make(TessarinVariable::Std);
    QCOMPARE(v.value().toDouble(), 0.0);
    QCOMPARE(feed(v, {2, 4, 4, 4, 5, 5, 7, 9}), 2.0);
    v.correction(TessarinVariable::Decrease); // 9 goes
    const double mean = 31.0 / 7;
    double squares = 0;
    for (double x : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0})
        squares += (x - mean) * (x - mean);
    QCOMPARE(v.value().toDouble(), std::sqrt(squares / 7));

    // Decrease on an empty list changes nothing.
    TessarinVariable empty = make(TessarinVariable::Std);
    empty.update(3);
    empty.correction(TessarinVariable::Decrease);
    empty.correction(TessarinVariable::Decrease);
    QVERIFY(empty.values().isEmpty());
    QCOMPARE(empty.counter(), 0);
    QCOMPARE(empty.value().toDouble(), 0.0);
}

void TestTessarinVariable::minAndMax()
{
    TessarinVariable mn = make(TessarinVariable::Min);
    QCOMPARE(feed(mn, {3, 1, 2}), 1.0);
    TessarinVariable mnPos = make(TessarinVariable::Min);
    QCOMPARE(feed(mnPos, {7, 9}), 7.0);

    // Without an initial value Max starts from the first value.
    TessarinVariable mx = make(TessarinVariable::Max);
    QCOMPARE(feed(mx, {-3, -1}), -1.0);
    mx.reset();
    QCOMPARE(feed(mx, {-7}), -7.0);
    mx.correction(TessarinVariable::Decrease); // no effect on an extreme
    QCOMPARE(mx.value().toDouble(), -7.0);

    // A non-zero initial value works as a floor or a ceiling.
    TessarinVariable withFloor = make(TessarinVariable::Max, 10);
    QCOMPARE(feed(withFloor, {3, 4}), 10.0);
    QCOMPARE(feed(withFloor, {12}), 12.0);
    TessarinVariable withCeiling = make(TessarinVariable::Min, -5);
    QCOMPARE(feed(withCeiling, {3, 4}), -5.0);
    QCOMPARE(feed(withCeiling, {-6}), -6.0);
}

void TestTessarinVariable::initialValues()
{
    TessarinVariable count = make(TessarinVariable::Count, 10.9);
    QCOMPARE(count.value().toInt(), 10);
    QCOMPARE(feed(count, {0}), 11.0);

    // Each function keeps only its own kind of starting value.
    TessarinVariable v;
    v.setFunction(TessarinVariable::Sum);
    v.setInitValue(2.5);
    v.setFunction(TessarinVariable::Count);
    QCOMPARE(v.initValue(), 0.0);
    v.setInitValue(3);
    v.setFunction(TessarinVariable::Sum);
    QCOMPARE(v.initValue(), 0.0);

    TessarinVariable sum = make(TessarinVariable::Sum, 100);
    QCOMPARE(feed(sum, {1}), 101.0);

    // Min without an initial value reports the largest double; its counter
    // and a huge Count start stay defined values.
    TessarinVariable mn = make(TessarinVariable::Min);
    QCOMPARE(mn.value().toDouble(), std::numeric_limits<double>::max());
    QCOMPARE(mn.counter(), 0);
    QCOMPARE(make(TessarinVariable::Count, 1e300).counter(), 0);

    // reset() keeps the data type; updates store Numeric.
    TessarinVariable typed;
    typed.setDataType(TessarinData::Text);
    typed.reset();
    QCOMPARE(typed.dataType(), TessarinData::Text);
    typed.update(1);
    QCOMPARE(typed.dataType(), TessarinData::Numeric);
}

void TestTessarinVariable::systemAndModify()
{
    TessarinVariable sys = make(TessarinVariable::System);
    sys.setValue(QStringLiteral("set by the director"));
    sys.update(5);
    QCOMPARE(sys.value(), QVariant(QStringLiteral("set by the director")));

    TessarinVariable count = make(TessarinVariable::Count);
    count.modifyValue(41.7);
    QCOMPARE(count.value(), QVariant(41));
    QCOMPARE(feed(count, {0}), 42.0);

    // A modified Max is the running extreme from then on.
    TessarinVariable mx = make(TessarinVariable::Max);
    mx.modifyValue(-10);
    QCOMPARE(feed(mx, {-20}), -10.0);
}

QTEST_GUILESS_MAIN(TestTessarinVariable)
#include "tst_tessarinvariable.moc"
