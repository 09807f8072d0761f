#include <QtTest>

#include <QScriptEngine>

#include "evaltestfixture.h"
#include "tessarinfielditem.h"
#include "tessarinsection.h"
#include "tessarinuserfunction.h"

namespace {

std::unique_ptr<TessarinFieldItem> makeField(TessarinDef *def, TessarinItem::SourceType type, const QString &expression)
{
    auto field = std::make_unique<TessarinFieldItem>(def);
    field->setSourceType(type);
    field->setText(expression);
    return field;
}

// Escapes text for a single-quoted script literal, for building expectations.
QString literal(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + text.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"))
                                   .replace(QChar(0x2028), QLatin1String("\\u2028"))
        + QLatin1Char('\'');
}

} // namespace

class TestScripts : public QObject
{
    Q_OBJECT

private slots:
    void scriptResultsAndGlobals();
    void embeddedBlocks();
    void substitutedValuesNeverRunAsCode_data();
    void substitutedValuesNeverRunAsCode();
    void printConditions_data();
    void printConditions();
    void directorKeywords();
    void itemPrintCondition();
    void assignments();
    void conditionalFormats();
    void userFunctionRunsOnRefresh();
};

void TestScripts::scriptResultsAndGlobals()
{
    EvalFixture f;
    QVERIFY(!f.ev.scriptEngine());
    QVariant v(QStringLiteral("kept"));
    QVERIFY(!f.ev.evaluateScript(QStringLiteral("var g = 5;"), v)); // undefined: no result
    QCOMPARE(v.toString(), QStringLiteral("kept"));
    QVERIFY(f.ev.evaluateScript(QStringLiteral("g * 2"), v)); // globals persist
    QCOMPARE(v.toInt(), 10);
    QVERIFY(!f.ev.evaluateScript(QStringLiteral("undefinedFn()"), v));
    QCOMPARE(v.toString(), QStringLiteral("ReferenceError: Can't find variable: undefinedFn"));
    QVERIFY(!f.ev.scriptEngine()->hasUncaughtException());
    bool b = true;
    QVERIFY(!f.ev.evaluateScript(QStringLiteral("nope("), b) && !b);

    // A global set by one field is read by a later one; a copy has its own engine.
    auto first = makeField(&f.def, TessarinItem::Expression, QStringLiteral("seen = '$D{name}'; 1"));
    auto later = makeField(&f.def, TessarinItem::Expression, QStringLiteral("seen + '!'"));
    QVERIFY(f.ev.evaluateField(first.get()) && f.ev.evaluateField(later.get()));
    QCOMPARE(later->displayValue(), QStringLiteral("Alice!"));
    TessarinEvaluator copy(f.ev);
    QVERIFY(!copy.scriptEngine());
    QVERIFY(!copy.evaluateScript(QStringLiteral("g"), v));

    f.def.addScript(QStringLiteral("greet"), QStringLiteral("'Hi ' + '$P{who}' + ' from $D{city}'"));
    QVERIFY(f.ev.evaluateScript(QStringLiteral("$S{greet}"), v));
    QCOMPARE(v.toString(), QStringLiteral("Hi World from Berlin"));
    QVERIFY(!f.ev.evaluateScript(QStringLiteral("$S{greet"), v)); // no closing brace: plain (bad) code
}

void TestScripts::embeddedBlocks()
{
    EvalFixture f;
    QCOMPARE(f.eval(QStringLiteral("<% 1+2 %> apples")), QStringLiteral("3 apples"));
    QCOMPARE(f.eval(QStringLiteral("<%2*3%>-<%'x'%>a<%%>b")), QStringLiteral("6-xab"));
    QCOMPARE(f.eval(QStringLiteral("<% $D{qty} * 10 %> for $P{who}")), QStringLiteral("20 for World"));
    // A result that looks like a block is printed, not run.
    QCOMPARE(f.eval(QStringLiteral("<% '<' + '% 6*7 %' + '>' %>|<% 1 %>")), QStringLiteral("<% 6*7 %>|1"));
    for (const QString &open : {QStringLiteral("<% 1+1"), QStringLiteral("%> <% 1+1")})
        QCOMPARE(f.eval(open), open);

    QString text = QStringLiteral("[<% nope() %>]");
    QVERIFY(!f.ev.evaluateEmbeddedScripts(text));
    QCOMPARE(text, QStringLiteral("[ReferenceError: Can't find variable: nope]"));
    QVERIFY(f.def.error()->isOK());
    f.def.option().setVariableErrorAlert(true);
    text = QStringLiteral("<% var quiet = 1; %>");
    f.ev.evaluateEmbeddedScripts(text);
    QVERIFY(f.def.error()->isOK()); // returning nothing is not an error
    text = QStringLiteral("<% throw 'bad' %>");
    QVERIFY(!f.ev.evaluateEmbeddedScripts(text));
    QCOMPARE(text, QStringLiteral("bad"));
    QCOMPARE(f.def.error()->text(), QStringLiteral("bad"));
}

void TestScripts::substitutedValuesNeverRunAsCode_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("apostrophe") << "O'Brien";
    QTest::newRow("break out") << "');hacked=1;('";
    QTest::newRow("break out of double quotes") << "\");hacked=1;(\"";
    QTest::newRow("backslash before quote") << "a\\';hacked=1;//";
    QTest::newRow("new lines") << "one\ntwo\r\nthree";
    QTest::newRow("line separator") << QStringLiteral("x\u2028hacked=1;");
}

void TestScripts::substitutedValuesNeverRunAsCode()
{
    QFETCH(QString, value);
    EvalFixture f;
    f.def.addParameter(QStringLiteral("v"), value);
    for (const char *expression : {"'$P{v}'", "\"$P{v}\""}) {
        auto field = makeField(&f.def, TessarinItem::Expression, QLatin1String(expression));
        QVERIFY(f.ev.evaluateField(field.get()));
        QCOMPARE(field->value().toString(), value);
    }
    QCOMPARE(f.eval(QStringLiteral("<% '$P{v}'.length %>")), QString::number(value.size()));
    QVERIFY(f.ev.evaluatePrintWhen(QStringLiteral("'$P{v}' == ") + literal(value)));
    QVERIFY(f.ev.evaluateAssignment(QStringLiteral("$V{total} = '$P{v}'.length")));
    QCOMPARE(f.total->value().toInt(), value.size());
    QVariant hacked;
    QVERIFY(!f.ev.evaluateScript(QStringLiteral("typeof hacked == 'undefined' ? undefined : hacked"), hacked));

    // Templates print values as they are, quotes and backslashes included.
    auto tpl = makeField(&f.def, TessarinItem::Template, QStringLiteral("\"$P{v}\""));
    QVERIFY(f.ev.evaluateField(tpl.get()));
    QCOMPARE(tpl->displayValue(), QLatin1Char('"') + value + QLatin1Char('"'));
}

void TestScripts::printConditions_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("engineUsed");
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("one") << "1" << true << false;
    QTest::newRow("zero") << " 0 " << false << false;
    QTest::newRow("false parameter") << "$P{flag}" << false << false;
    QTest::newRow("comparison") << "$P{limit} > 5" << true << true;
    QTest::newRow("comparison false") << "$D{qty} > 5" << false << true;
    QTest::newRow("string compare") << "'$D{city}' == 'Berlin'" << true << true;
    QTest::newRow("variable") << "$V{total} == 0" << true << true;
    QTest::newRow("failing script") << "nope(" << false << true;
    QTest::newRow("failing lookup") << "$D{nope} == 'N/A'" << false << false;
    QTest::newRow("undefined result") << "var x = 1;" << false << true;
    QTest::newRow("keyword without a run") << "@EVEN" << false << true;
}

void TestScripts::printConditions()
{
    QFETCH(QString, condition);
    QFETCH(bool, result);
    QFETCH(bool, engineUsed);
    EvalFixture f;
    f.ev.setDirector(nullptr);
    f.def.setDefaultDataSourceName(QStringLiteral("orders"));
    QCOMPARE(f.ev.evaluatePrintWhen(condition), result);
    QCOMPARE(f.ev.scriptEngine() != nullptr, engineUsed);
}

void TestScripts::directorKeywords()
{
    EvalFixture f;
    const auto when = [&f](const char *condition) { return f.ev.evaluatePrintWhen(QLatin1String(condition)); };
    QVERIFY(when("@ODD") && when("!%2") && !when("@EVEN") && when("@ISNOTFINISHED") && !when("@ISFINISHED"));
    f.run.row = 1;
    QVERIFY(when("@EVEN") && when("%2") && !when("@ODD"));

    // @NEXT moves on and hides; at the last row the run is over.
    QVERIFY(!when("@NEXT"));
    QCOMPARE(f.orders->currentRow(), 1);
    QVERIFY(!when("@SKIP_NEXT") && !f.run.finished);
    QVERIFY(!when("@NEXT_FALSE") && f.run.finished && when("@ISFINISHED"));

    // @NEXT_TRUE also refreshes the detail's items and the variables.
    f.orders->first();
    f.run.finished = false;
    TessarinSection detail;
    auto *name = makeField(&f.def, TessarinItem::DataSource, QStringLiteral("name")).release();
    detail.addItemForEngine(name);
    f.run.detail = &detail;
    QVERIFY(when("@NEXT_TRUE") && when("@NEXT_TRUE"));
    QCOMPARE(name->displayValue(), QStringLiteral("Carol"));
    QCOMPARE(f.total->value().toDouble(), 7.25); // Bob's 0 and Carol's 7.25
    QVERIFY(!when("@NEXT_TRUE") && f.run.finished);

    QVERIFY(!when("@DS2"));
    detail.setSecondaryDatasourceID(QStringLiteral("empty"));
    QVERIFY(when("@DS2"));
    f.empty->setAvailable(false);
    QVERIFY(!when("@DS2"));
}

void TestScripts::itemPrintCondition()
{
    EvalFixture f;
    auto field = makeField(&f.def, TessarinItem::DataSource, QStringLiteral("notes"));
    field->setConditionalFormatCode(QStringLiteral("$V{total} += 1"));
    field->setPrintWhen(QStringLiteral("$D{qty} > 5"));
    QVERIFY(!f.ev.evaluatePrintWhen(field.get()) && !field->printWhenResult());
    field->setPrintWhen(QString());
    f.ev.evaluateField(field.get());
    QVERIFY(f.ev.evaluatePrintWhen(field.get()) && field->printWhenResult());
    QCOMPARE(f.total->value().toInt(), 1); // the visible item ran its action
    f.orders->last();                      // Carol has no notes: the empty field is hidden
    f.ev.evaluateField(field.get());
    QVERIFY(!f.ev.evaluatePrintWhen(field.get()) && !field->printWhenResult());
    QCOMPARE(f.total->value().toInt(), 1);
}

void TestScripts::assignments()
{
    EvalFixture f;
    const auto total = [&f] { return f.total->value().toDouble(); };
    do {
        QVERIFY(f.ev.evaluatePrintWhenTrueAction(QStringLiteral("$V{total} += $D{price}")));
    } while (f.orders->next());
    QCOMPARE(total(), 19.75);
    QVERIFY(f.ev.evaluateAssignment(QStringLiteral("$V{total} = 0")));
    QCOMPARE(total(), 0.0);
    for (const char *line : {"$V{total}=10", "$V{total} -= 4", "$V{total} *= 3", "$V{total} /= 4"})
        QVERIFY(f.ev.evaluateAssignment(QLatin1String(line)));
    QCOMPARE(total(), 4.5);
    QVERIFY(f.ev.evaluateAssignment(QStringLiteral("$V{total} = $V{total} == 4.5 ? 1 : 2")));
    QCOMPARE(total(), 1.0);

    QVERIFY(!f.ev.evaluateAssignment(QStringLiteral("$V{total} /= 0"))); // fails, value kept
    QVERIFY(f.ev.evaluateAssignment(QStringLiteral("$V{total} += nope()"))); // done, value kept
    QCOMPARE(total(), 1.0);
    for (const char *bad : {"$V{nosuch} = 1", "$V{total} =", "$V{total} 5", "$V{} = 5"})
        QVERIFY2(!f.ev.evaluateAssignment(QLatin1String(bad)), bad);
    // Other lines are skipped; the first failing assignment stops the rest.
    QVERIFY(!f.ev.evaluatePrintWhenTrueAction(QStringLiteral("color: red\n\n  $V{total} += 1\n$V{total} /= 0\n$V{total} = 100")));
    QCOMPARE(total(), 2.0);
}

void TestScripts::conditionalFormats()
{
    EvalFixture f;
    TessarinLabelItem label(&f.def);
    const QFont base(QStringLiteral("Liberation Sans"), 10);
    label.setFont(base);
    label.saveTextStyle();
    f.def.addParameter(QStringLiteral("c"), QStringLiteral("#ff0000"));
    label.setConditionalFormatCode(QStringLiteral("color: $P{c}\nbackground-color: #00ff00\nfont-bold: true\n"
                                                  "font-size: {$D{qty} > 1 ? 14 : 8}\nfont-italic: 1\n$V{total} += 1"));
    label.updateValue(nullptr, &f.ev);
    QCOMPARE(label.conditionalFormatError(), QString());
    QCOMPARE(label.foreColor(), QColor(255, 0, 0));
    QCOMPARE(label.backColor(), QColor(0, 255, 0));
    QCOMPARE(label.font().weight(), int(QFont::Bold));
    QCOMPARE(label.font().pointSize(), 14);
    QVERIFY(label.font().italic());
    QCOMPARE(f.total->value().toInt(), 0); // "$V{" lines are actions, not formats

    // Size 0 and an unknown colour change nothing and are no error; the rest stays.
    label.setConditionalFormatCode(QStringLiteral("font-size: 0\ncolor: notacolour\nfont-weight: 30"));
    label.updateValue(nullptr, &f.ev);
    QCOMPARE(label.conditionalFormatError(), QString());
    QCOMPARE(label.font().pointSize(), 14);
    QCOMPARE(label.font().weight(), 30);
    QCOMPARE(label.foreColor(), QColor(255, 0, 0));

    const QList<QPair<QString, QString>> failing{
        {QStringLiteral("size: 12\ncolor: red"), QStringLiteral("Invalid tag: size")},
        {QStringLiteral("color: blue\nno colon here"), QStringLiteral("Invalid tag or missing colon at line 2")},
        {QStringLiteral("font-size: 12\ncolor: {nope()}"),
         QStringLiteral("Error in script expression at line 2: ReferenceError: Can't find variable: nope")}};
    for (const auto &c : failing) {
        label.setConditionalFormatCode(c.first);
        label.updateValue(nullptr, &f.ev);
        QCOMPARE(label.conditionalFormatError(), c.second);
        QCOMPARE(label.font(), base); // the saved style is back
        QCOMPARE(label.foreColor(), QColor(Qt::black));
    }

    label.setConditionalFormatCode(QStringLiteral("color: red\n$V{total} += $D{qty}"));
    label.printWhenTrueAction(&f.ev);
    QCOMPARE(f.total->value().toInt(), 2);
}

void TestScripts::userFunctionRunsOnRefresh()
{
    struct Upper : TessarinUserFunction
    {
        void updateItem(TessarinItem *item, TessarinOutput *, TessarinEvaluator *) override
        {
            auto *field = static_cast<TessarinFieldItem *>(item);
            field->setDisplayValue(field->displayValue().toUpper()); // runs after the value is formatted
        }
    } fn;
    EvalFixture f;
    f.def.addUserFunction(QStringLiteral("upper"), &fn);
    auto field = makeField(&f.def, TessarinItem::DataSource, QStringLiteral("name"));
    field->setFunctionId(QStringLiteral("upper"));
    field->updateValue(nullptr, &f.ev);
    QCOMPARE(field->displayValue(), QStringLiteral("ALICE"));
}

QTEST_MAIN(TestScripts)
#include "tst_scripts.moc"
