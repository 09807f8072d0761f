#include <QtTest>

#include <QTemporaryDir>

#include <functional>

#include "evaltestfixture.h"
#include "tessarinfielditem.h"
#include "tessaringroup.h"
#include "tessarinsection.h"

namespace {

// Records what the evaluator hands to a dynamic item.
class DynamicItem : public TessarinItem
{
public:
    using TessarinItem::TessarinItem;
    using TessarinItem::paint;
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
    QString dynamicSourceText() const override { return source; }
    void applyDynamicText(const QString &text) override { applied.append(text); }
    bool reloadDynamicContent(TessarinEvaluator *) override { return ++reloads, true; }

    QString source;
    QStringList applied;
    int reloads = 0;
};

} // namespace

class TestEvaluator : public QObject
{
    Q_OBJECT

private slots:
    void tokens_data();
    void tokens();
    void valuesHoldingTokens();
    void roleSuffixes_data();
    void roleSuffixes();
    void rowOffsetsAndRoles();
    void fieldKeepsResolvedColumn();
    void systemVariables();
    void groupValues_data();
    void groupValues();
    void variables();
    void scanBlocks();
    void displayFormatting();
    void fieldReferences();
    void parameterFieldResolvedOnce();
    void appearanceRoles();
    void dynamicItems();
};

void TestEvaluator::tokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("column") << "Hi $D{name}!" << "Hi Alice!";
    QTest::newRow("qualified column") << "$D{orders.city}" << "Berlin";
    QTest::newRow("missing column") << "[$D{nope}]" << "[N/A]";
    QTest::newRow("missing source") << "[$D{nosuch.name}]" << "[N/A]";
    QTest::newRow("missing parameter") << "[$P{nope}]" << "[]";
    QTest::newRow("missing variable") << "[$V{nope}]" << "[#VAR#]";
    QTest::newRow("same token twice") << "$P{who}-$P{who}" << "World-World";
    QTest::newRow("all kinds") << "$D{name} $P{who} $V{total}" << "Alice World 0";
    QTest::newRow("rowCount") << "$D{orders.rowCount()}/$D{rowCount()}" << "3/3";
    QTest::newRow("isEmpty") << "$D{empty.isEmpty()} $D{orders.isNotEmpty()}" << "true true";
    QTest::newRow("unknown source function") << "$D{orders.bogus()}" << "N/A";
    QTest::newRow("LEFT, RIGHT") << "$D{name.LEFT(3)} $D{name.right(2)}" << "Ali ce";
    QTest::newRow("MID") << "$D{orders.name.MID(1,3)}[$D{name.MID(1)}]" << "lic[]";
    QTest::newRow("USERFUNC") << "$D{name.USERFUNC(a, b)}" << "Alice|a, b";
    QTest::newRow("row offset") << "$D{name,2}" << "Carol";
    QTest::newRow("row offset past end") << "$D{name,7}" << "N/A";
    QTest::newRow("multi-line") << "$D{MLTXT(notes)}" << "line1\\nline2";
    QTest::newRow("four parts") << "$D{a.b.c.d}" << "N/A";
    QTest::newRow("empty token") << "[$D{}]" << "[N/A]";
    QTest::newRow("const") << "$D{%CONST}" << "0";
    QTest::newRow("nested braces") << "$D{$D{name}}" << "N/A}";
    // Unterminated tokens stay literal text.
    QTest::newRow("no brace") << "$D{name" << "$D{name";
    QTest::newRow("after a good one") << "$P{who} $P{who" << "World $P{who";
    QTest::newRow("brace before token") << "} $V{total" << "} $V{total";
    QTest::newRow("multi-line without paren") << "$D{MLTXT(notes} $P{who}" << "$D{MLTXT(notes} World";
    QTest::newRow("lonely prefixes") << "$D{$P{$V{$F{" << "$D{$P{$V{$F{";
}

void TestEvaluator::tokens()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    EvalFixture f;
    QCOMPARE(f.eval(text), expected);
    QCOMPARE(f.orders->currentRow(), 0);
}

// A value is printed as it is: a token or half a token in data neither
// hangs the substitution nor swallows the text's own tokens after it.
void TestEvaluator::valuesHoldingTokens()
{
    EvalFixture f;
    auto *evil = new MemoryDataSource(QStringLiteral("evil"), {QStringLiteral("v"), QStringLiteral("w")},
                                      {{QStringLiteral("$D{evil.v}"), QStringLiteral("$D{evil.w")}}, &f.def);
    f.def.addDataSource(evil);
    evil->first();
    QCOMPARE(f.eval(QStringLiteral("<$D{evil.v}> $D{name}")), QStringLiteral("<$D{evil.v}> Alice"));
    QCOMPARE(f.eval(QStringLiteral("$D{evil.w} $D{name}")), QStringLiteral("$D{evil.w Alice"));
    // A later token kind still substitutes what an earlier kind inserted.
    f.def.addParameter(QStringLiteral("p"), QStringLiteral("$V{total}"));
    QCOMPARE(f.eval(QStringLiteral("$P{p}")), QStringLiteral("0"));
}

void TestEvaluator::roleSuffixes_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("role");
    QTest::newRow("none") << "name" << -1;
    QTest::newRow("edit") << "name:e" << 2;
    QTest::newRow("user, upper case") << "name:U" << 256;
    QTest::newRow("user N") << "name:u{42}" << 42;
    QTest::newRow("header tooltip") << "name:HT" << -6;
    QTest::newRow("wrapped") << "$D{name:c}" << 1;
}

void TestEvaluator::roleSuffixes()
{
    QFETCH(QString, column);
    QFETCH(int, role);
    TessarinEvaluator ev;
    QCOMPARE(ev.getItemRoleInfo(column), role);
    QCOMPARE(column, QStringLiteral("name"));
}

void TestEvaluator::rowOffsetsAndRoles()
{
    EvalFixture f;
    f.orders->next(); // on Bob
    QCOMPARE(f.eval(QStringLiteral("$D{name,0}/$D{name}/$D{name,-1}")), QStringLiteral("Alice/Bob/N/A"));
    QCOMPARE(f.orders->currentRow(), 1);
    f.orders->seek(-1);
    QCOMPARE(f.eval(QStringLiteral("$D{name,2}")), QStringLiteral("Carol"));
    QCOMPARE(f.orders->currentRow(), -1);

    f.orders->roleValues.insert(qMakePair(0, 2), QStringLiteral("edit"));
    QCOMPARE(f.eval(QStringLiteral("$D{name,1:e}")), QStringLiteral("edit"));
    QCOMPARE(f.orders->lastRole, 2);

    // A source that cannot move back fails instead of leaving the cursor elsewhere.
    f.orders->seek(1);
    f.orders->forwardOnly = true;
    QCOMPARE(f.eval(QStringLiteral("$D{name,0}")), QStringLiteral("N/A"));
    QCOMPARE(f.orders->currentRow(), 1);
    QCOMPARE(f.eval(QStringLiteral("$D{name,2}")), QStringLiteral("N/A"));

    QVariant value;
    QVERIFY(f.ev.getDataSourceValue(QStringLiteral("$P{ds}.city"), value));
    QCOMPARE(value.toString(), QStringLiteral("Berlin"));
}

void TestEvaluator::fieldKeepsResolvedColumn()
{
    EvalFixture f;
    TessarinFieldItem field(&f.def);
    field.setText(QStringLiteral("orders.city"));
    QVERIFY(f.ev.evaluateField(&field));
    QCOMPARE(field.displayValue(), QStringLiteral("Berlin"));
    QCOMPARE(field.dataColumn(), 2);
    // Later rows read by index: not even a changed expression is parsed again.
    field.setText(QStringLiteral("nonsense"));
    f.orders->next();
    QVERIFY(f.ev.evaluateField(&field));
    QCOMPARE(field.displayValue(), QStringLiteral("Paris"));

    // Row offsets, value functions and by-name reads are looked up every time.
    TessarinFieldItem offset(&f.def), left(&f.def), byName(&f.def);
    offset.setText(QStringLiteral("name,0"));
    left.setText(QStringLiteral("name.LEFT(2)"));
    byName.setText(QStringLiteral("city"));
    for (int row = 1; row <= 2; ++row, f.orders->next()) {
        QVERIFY(f.ev.evaluateField(&offset));
        QVERIFY(f.ev.evaluateField(&left));
        QCOMPARE(offset.displayValue(), QStringLiteral("Alice"));
        QCOMPARE(left.displayValue(), row == 1 ? QStringLiteral("Bo") : QStringLiteral("Ca"));
    }
    QCOMPARE(offset.dataColumn(), -1);
    QVERIFY(!left.dataSource());
    f.orders->readsByName = true;
    QVERIFY(f.ev.evaluateField(&byName));
    QCOMPARE(byName.dataColumn(), -1);

    // A source not yet opened answers without a value.
    f.orders->close();
    QVariant value(QStringLiteral("untouched"));
    QVERIFY(f.ev.getDataSourceValue(QStringLiteral("name"), value));
    QCOMPARE(value.toString(), QStringLiteral("untouched"));
}

void TestEvaluator::systemVariables()
{
    EvalFixture f;
    QCOMPARE(f.eval(QStringLiteral("$V{pageno}")), QStringLiteral("1")); // before the first page of a run
    f.run.page = 4, f.run.globalPage = 9, f.run.pages = 12, f.run.report = 2, f.run.reports = 3;
    f.run.copies = 2, f.run.copy = 1, f.run.row = 7;
    QCOMPARE(f.eval(QStringLiteral("$V{pageno} $V{pagenum} $V{gpageno} $V{pagecount} $V{reportno} $V{reportnum} "
                                   "$V{reportcount} $V{forcecopies} $V{currentcopy} $V{currentrow} $V{PAGENO}")),
             QStringLiteral("4 4 9 12 2 2 3 2 1 7 #VAR#"));
    f.def.option().setCurrentLanguage(QStringLiteral("de"));
    QCOMPARE(f.eval(QStringLiteral("$V{lang}/$V{language} $V{appversion}")), QStringLiteral("de/de 2.17.0"));

    TessarinEvaluator bare;
    QVariant v;
    for (const char *name : {"pageno", "gpageno", "pagecount", "currentrow"}) {
        QVERIFY(bare.getSysVarValue(QLatin1String(name), v));
        QCOMPARE(v.toInt(), 0);
    }
    QVERIFY(bare.getSysVarValue(QStringLiteral("lang"), v));
    QCOMPARE(v.toString(), QStringLiteral("#VAR#"));
}

void TestEvaluator::groupValues_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("value");
    QTest::newRow("column") << "city" << "Berlin";
    QTest::newRow("year") << "$YEAR{day}" << "2024";
    QTest::newRow("month") << "$MONTH{day}" << "3";
    QTest::newRow("week") << "$WEEK{day}" << "11";
    QTest::newRow("day of week") << "$DAY{day}" << "5";
    QTest::newRow("prefix is case-sensitive") << "$year{day}" << "NULL";
    QTest::newRow("missing column") << "nope" << "NULL";
    QTest::newRow("unterminated prefix") << "$YEAR{day" << "NULL";
    QTest::newRow("script") << "<% 20+4 %>" << "24";
}

void TestEvaluator::groupValues()
{
    QFETCH(QString, expression);
    QFETCH(QString, value);
    EvalFixture f;
    TessarinGroup group;
    group.setGroupExp(expression);
    QVERIFY(f.ev.evaluateGroup(&group));
    QCOMPARE(group.value(), value);
}

void TestEvaluator::variables()
{
    EvalFixture f;
    do {
        QVERIFY(f.ev.evaluateVariable(f.total));
    } while (f.orders->next());
    QCOMPARE(f.total->value().toDouble(), 19.75);
    QCOMPARE(f.total->relatedDataSource(), f.orders);

    const auto add = [&f](const char *id, const char *expression) {
        auto *v = new TessarinVariable;
        v->setID(QLatin1String(id));
        v->setFunction(TessarinVariable::Sum);
        v->setExpression(QLatin1String(expression));
        v->reset();
        return f.def.addVariable(v);
    };
    QVERIFY(!f.ev.evaluateVariable(add("bad", "nope")));
    // Only the current detail's variables are updated when the option says so.
    f.def.option().setupdateOnlyCurrentDataSourceVariables(true);
    TessarinVariable *qty = add("qty", "orders.qty");
    TessarinVariable *other = add("other", "empty.rowCount()");
    QVERIFY(f.ev.evaluateVariable(qty) && f.ev.evaluateVariable(other));
    QCOMPARE(qty->value().toInt(), 1);
    QCOMPARE(other->value().toInt(), 0);
}

void TestEvaluator::scanBlocks()
{
    EvalFixture f;
    f.orders->next(); // the cursor stands on Bob and stays there
    QCOMPARE(f.eval(QStringLiteral("[$SCAN{orders}$D{name};$ENDSCAN{}] $P{who}")), QStringLiteral("[Alice;Bob;Carol;] World"));
    QCOMPARE(f.orders->currentRow(), 1);
    f.orders->seekMinusOneOnFirst = true; // must not skip the first row
    QCOMPARE(f.eval(QStringLiteral("$SCAN{orders}$D{qty}$ENDSCAN{}|$SCAN{empty}x$ENDSCAN{}")), QStringLiteral("251|"));
    QCOMPARE(f.orders->currentRow(), 1);
    f.def.setDefaultDataSourceName(QStringLiteral("orders"));
    QCOMPARE(f.eval(QStringLiteral("$SCAN{}.$ENDSCAN{}$SCAN{orders,U}:$ENDSCAN{")), QStringLiteral("...:::"));
    QCOMPARE(f.orders->updateCalls, 1);

    const QString unknown = QStringLiteral("$SCAN{nosuch}x$ENDSCAN{} $SCAN{orders}$D{qty}$ENDSCAN{}");
    QCOMPARE(f.eval(unknown), QStringLiteral("$SCAN{nosuch}x$ENDSCAN{} 251"));
    for (const QString &broken : {QStringLiteral("$ENDSCAN{}$SCAN{orders}x"), QStringLiteral("$SCAN{orders x$ENDSCAN{")})
        QCOMPARE(f.eval(broken), broken);
    // Rows holding scan blocks are printed, not expanded again.
    auto *evil = new MemoryDataSource(QStringLiteral("evil"), {QStringLiteral("v")},
                                      {{QStringLiteral("$SCAN{evil}Z$ENDSCAN{}")}, {QStringLiteral("b")}}, &f.def);
    f.def.addDataSource(evil);
    QCOMPARE(f.eval(QStringLiteral("$SCAN{evil}<$D{evil.v}>$ENDSCAN{}")), QStringLiteral("<$SCAN{evil}Z$ENDSCAN{}><b>"));
    QString many;
    for (int i = 0; i < 101; ++i)
        many += QStringLiteral("$SCAN{empty}$ENDSCAN{}");
    QCOMPARE(f.eval(many), QStringLiteral("$SCAN{empty}$ENDSCAN{}")); // at most 100 blocks
}

void TestEvaluator::displayFormatting()
{
    using T = TessarinData;
    const auto fmt = [](T::DataType type, const QVariant &value, const std::function<void(TessarinFieldData &)> &setup) {
        TessarinFieldData d;
        d.setDataType(type);
        setup(d);
        return TessarinFieldItem::formatValue(value, d);
    };
    const auto none = [](TessarinFieldData &) {};
    const auto number = [&fmt](const QVariant &v, int width, char format, int precision, bool localized) {
        return fmt(T::Numeric, v, [=](TessarinFieldData &d) {
            d.numFormat = true, d.fieldWidth = width, d.format = format, d.precision = precision;
            d.localized = localized, d.fillChar = QLatin1Char('*');
        });
    };
    QCOMPARE(fmt(T::Numeric, 12.5, none), QStringLiteral("12.5"));
    QCOMPARE(number(12.5, 8, 'f', 2, false), QStringLiteral("***12.50"));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(number(1234.5, 0, 'f', 2, true), QStringLiteral("1.234,50"));
    QCOMPARE(number(1234.5, 0, 'f', 2, false), QStringLiteral("1234.50"));
    QLocale::setDefault(saved);
    const auto blank = [](TessarinFieldData &d) { d.numBlankIfZero = true; };
    QCOMPARE(fmt(T::Numeric, QStringLiteral("0.00"), blank) + fmt(T::Numeric, 3, blank), QStringLiteral("3"));

    const auto withFormat = [&fmt](T::DataType type, const QVariant &v, const char *format) {
        return fmt(type, v, [format](TessarinFieldData &d) { d.dateFormat = QLatin1String(format); });
    };
    QCOMPARE(withFormat(T::Date, QDate(2024, 3, 15), "dd.MM.yyyy"), QStringLiteral("15.03.2024"));
    QCOMPARE(fmt(T::Date, QDate(2024, 3, 15), none), QLocale().toString(QDate(2024, 3, 15), QLocale::ShortFormat));
    QCOMPARE(withFormat(T::Time, QTime(7, 5), "hh:mm"), QStringLiteral("07:05"));
    QCOMPARE(withFormat(T::Time, 3725, "hh:mm:ss | s"), QStringLiteral("01:02:05"));
    QCOMPARE(withFormat(T::Time, 61500, "mm:ss.zzz|z"), QStringLiteral("01:01.500"));
    QCOMPARE(withFormat(T::Time, 5, "hh:mm|h"), QStringLiteral("05:00"));
    QCOMPARE(fmt(T::Boolean, true, none) + fmt(T::Boolean, 0, none), QStringLiteral("truefalse"));

    const auto withArg = [&fmt](const QVariant &v, const char *pattern) {
        return fmt(T::Text, v, [pattern](TessarinFieldData &d) { d.arg = QLatin1String(pattern); });
    };
    QCOMPARE(withArg(5, "Total: %1 EUR"), QStringLiteral("Total: 5 EUR"));
    QCOMPARE(withArg(QStringLiteral("%2"), "[%1]"), QStringLiteral("[%2]"));

    const auto pad = [&fmt](Qt::Alignment alignment, const char *text, int count) {
        return fmt(T::Text, QLatin1String(text), [=](TessarinFieldData &d) {
            d.alignment = alignment, d.numCharacters = count, d.fillChar = QLatin1Char('.');
        });
    };
    QCOMPARE(pad(Qt::AlignLeft | Qt::AlignTop, "ab", 5), QStringLiteral("ab..."));
    QCOMPARE(pad(Qt::AlignRight | Qt::AlignVCenter, "ab", 5), QStringLiteral("...ab"));
    QCOMPARE(pad(Qt::AlignLeft, "abcdef", 3), QStringLiteral("abcdef"));
}

void TestEvaluator::fieldReferences()
{
    EvalFixture f;
    auto *section = new TessarinSection(&f.def);
    const auto addField = [&](const char *id, const char *expression) {
        auto *field = new TessarinFieldItem(&f.def);
        field->setID(QLatin1String(id));
        field->setSourceType(TessarinItem::Template);
        field->setText(QLatin1String(expression));
        section->addItemForEngine(field);
        return field;
    };
    addField("a", "A=$P{who}");
    TessarinFieldItem *b = addField("b", "[$F{a}]");
    TessarinFieldItem *self = addField("self", "me:$F{self}");
    TessarinFieldItem *m1 = addField("m1", "1($F{m2})");
    addField("m2", "2($F{m1})");
    f.ev.setSection(section);

    QVERIFY(f.ev.evaluateField(b));
    QCOMPARE(b->displayValue(), QStringLiteral("[A=World]"));
    // A field reading itself, or two reading each other, get the current text.
    QVERIFY(f.ev.evaluateField(self) && f.ev.evaluateField(self));
    QCOMPARE(self->displayValue(), QStringLiteral("me:me:"));
    QVERIFY(f.ev.evaluateField(m1));
    QCOMPARE(m1->displayValue(), QStringLiteral("1(2())"));
    QCOMPARE(f.eval(QStringLiteral("<$F{nosuch}>")), QStringLiteral("<N/A>"));
    // Without a section the definition's field list is searched.
    f.def.addFieldItem(b);
    f.ev.setSection(nullptr);
    QCOMPARE(f.eval(QStringLiteral("$F{b}")), QStringLiteral("[N/A]")); // "a" is not registered
}

void TestEvaluator::parameterFieldResolvedOnce()
{
    EvalFixture f;
    TessarinFieldItem plain(&f.def), withTokens(&f.def);
    plain.setSourceType(TessarinItem::Parameter);
    plain.setText(QStringLiteral("who"));
    QVERIFY(f.ev.evaluateField(&plain));
    f.def.addParameter(QStringLiteral("who"), QStringLiteral("Moon"));
    QVERIFY(f.ev.evaluateField(&plain));
    QCOMPARE(plain.displayValue(), QStringLiteral("World"));

    f.def.addParameter(QStringLiteral("tpl"), QStringLiteral("$D{name} in $D{city}"));
    withTokens.setSourceType(TessarinItem::Parameter);
    withTokens.setText(QStringLiteral("tpl"));
    QVERIFY(f.ev.evaluateField(&withTokens));
    f.orders->next();
    QVERIFY(f.ev.evaluateField(&withTokens));
    QCOMPARE(withTokens.displayValue(), QStringLiteral("Bob in Paris"));
    QVERIFY(!withTokens.isUpToDate());
}

void TestEvaluator::appearanceRoles()
{
    EvalFixture f;
    f.orders->setUseAppearanceRoles(true);
    for (int role : {Qt::FontRole, Qt::TextAlignmentRole, Qt::BackgroundRole, Qt::ForegroundRole})
        f.orders->addAppearanceRole(role);
    f.orders->roleValues.insert(qMakePair(0, int(Qt::FontRole)), QFont(QStringLiteral("Liberation Mono"), 17));
    f.orders->roleValues.insert(qMakePair(0, int(Qt::TextAlignmentRole)), int(Qt::AlignRight));
    f.orders->roleValues.insert(qMakePair(0, int(Qt::BackgroundRole)), QBrush(Qt::yellow));
    f.orders->roleValues.insert(qMakePair(0, int(Qt::ForegroundRole)), QStringLiteral("#0000ff"));
    TessarinFieldItem field(&f.def);
    field.setText(QStringLiteral("name"));
    QVERIFY(f.ev.evaluateField(&field));
    QCOMPARE(field.font().pointSize(), 17);
    QCOMPARE(field.alignment(), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(field.backColor(), QColor(Qt::yellow));
    QCOMPARE(field.foreColor(), QColor(0, 0, 255));
}

void TestEvaluator::dynamicItems()
{
    EvalFixture f;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("greeting_World.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Hi $P{who}");
    file.close();

    DynamicItem text(&f.def);
    const auto apply = [&](TessarinItem::SourceType type, const QString &source) {
        text.setSourceType(type);
        text.setText(source);
        QVERIFY(f.ev.evaluateDynamicText(&text, nullptr));
    };
    apply(TessarinItem::DataSource, QStringLiteral("notes"));
    apply(TessarinItem::File, dir.filePath(QStringLiteral("greeting_$P{who}.txt")));
    text.setTemplateMode(true);
    apply(TessarinItem::File, dir.filePath(QStringLiteral("greeting_$P{who}.txt")));
    apply(TessarinItem::File, dir.filePath(QStringLiteral("missing_$P{who}.txt")));
    text.source = QStringLiteral("<b>$D{name}</b>"); // the item's own template
    apply(TessarinItem::Static, QString());
    apply(TessarinItem::Parameter, QStringLiteral("nope"));
    apply(TessarinItem::FileFromDataSource, QStringLiteral("city"));
    QCOMPARE(text.applied, (QStringList{QStringLiteral("line1\nline2"), QStringLiteral("Hi $P{who}\n"),
                                        QStringLiteral("Hi World\n"),
                                        QStringLiteral("File not found: <i>%1</i>").arg(dir.filePath(QStringLiteral("missing_World.txt"))),
                                        QStringLiteral("<b>Alice</b>"), QStringLiteral("Parameter not found: nope"),
                                        QStringLiteral("File not found: <i>Berlin</i>")}));
    QString target;
    QVERIFY(f.ev.evaluateDynamicText(&text, &target) && target.isEmpty()); // errors always go to the item

    // Images and barcodes reload only when their value changed.
    DynamicItem image(&f.def), barcode(&f.def);
    image.setText(QStringLiteral("city"));
    QVERIFY(f.ev.evaluateDynamicImage(&image) && f.ev.evaluateDynamicImage(&image));
    QCOMPARE(image.reloads, 1);
    f.def.addParameter(QStringLiteral("code"), QStringLiteral("AB'1"));
    barcode.setSourceType(TessarinItem::Expression);
    barcode.setText(QStringLiteral("'$P{code}-' + $D{qty}"));
    QVERIFY(f.ev.evaluateDynamicBarcode(&barcode) && f.ev.evaluateDynamicBarcode(&barcode));
    QCOMPARE(barcode.value().toString(), QStringLiteral("AB'1-2"));
    QCOMPARE(barcode.reloads, 1);
    f.orders->next();
    QVERIFY(f.ev.evaluateDynamicImage(&image) && f.ev.evaluateDynamicBarcode(&barcode));
    QCOMPARE(image.reloads + barcode.reloads, 4);
}

QTEST_MAIN(TestEvaluator)
#include "tst_evaluator.moc"
