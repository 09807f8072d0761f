#ifndef EVALTESTFIXTURE_H
#define EVALTESTFIXTURE_H

// A small report world for evaluator tests: a definition with an "orders"
// source of three rows, an empty source, parameters, a sum variable, a run
// context standing on the orders, and an evaluator bound to all of it.

#include "memorydatasource.h"
#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinvariable.h"

#include <QDate>

struct EvalFixture
{
    TessarinDef def;
    MemoryDataSource *orders;
    MemoryDataSource *empty;
    TessarinVariable *total;
    FakeRun run;
    TessarinEvaluator ev{&def};

    EvalFixture()
    {
        orders = new MemoryDataSource(QStringLiteral("orders"),
                                      {QStringLiteral("name"), QStringLiteral("price"), QStringLiteral("city"),
                                       QStringLiteral("notes"), QStringLiteral("day"), QStringLiteral("qty")},
                                      {{QStringLiteral("Alice"), 12.5, QStringLiteral("Berlin"),
                                        QStringLiteral("line1\nline2"), QDate(2024, 3, 15), 2},
                                       {QStringLiteral("Bob"), 0.0, QStringLiteral("Paris"), QStringLiteral("x"),
                                        QDate(2023, 12, 31), 5},
                                       {QStringLiteral("Carol"), 7.25, QStringLiteral("Berlin"), QString(),
                                        QDate(2024, 1, 1), 1}},
                                      &def);
        empty = new MemoryDataSource(QStringLiteral("empty"), {QStringLiteral("a")}, {}, &def);
        def.addDataSource(orders);
        def.addDataSource(empty);
        orders->first();

        def.addParameter(QStringLiteral("who"), QStringLiteral("World"));
        def.addParameter(QStringLiteral("ds"), QStringLiteral("orders"));
        def.addParameter(QStringLiteral("flag"), QStringLiteral("false"));
        def.addParameter(QStringLiteral("limit"), 10);

        total = new TessarinVariable;
        total->setID(QStringLiteral("total"));
        total->setFunction(TessarinVariable::Sum);
        total->setExpression(QStringLiteral("price"));
        total->reset();
        def.addVariable(total);

        run.dataSource = orders;
        ev.setDirector(&run);
    }

    // The full pipeline on a copy of text.
    QString eval(const QString &text)
    {
        QString t = text;
        ev.evaluate(t);
        return t;
    }
};

#endif // EVALTESTFIXTURE_H
