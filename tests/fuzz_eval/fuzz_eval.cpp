// libFuzzer target: arbitrary text through the evaluator's substitution
// (embedded blocks, scan blocks, the four token kinds), group and print
// condition evaluation and assignment actions, against a fixed small world.
// The input is used as the text and also arrives as a data value and a
// parameter, so broken tokens inside data are exercised too. Scripts are
// answered by a stub: the script engine is Qt's, and an input such as
// "<% for(;;); %>" would only measure how long it can loop.

#include "../eval/memorydatasource.h"
#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinfielditem.h"
#include "tessaringroup.h"
#include "tessarinsection.h"
#include "tessarinvariable.h"

#include <QApplication>
#include <QDate>

#include <cstddef>
#include <cstdint>

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Script.so\nleak:libqoffscreen.so\nleak:libfontconfig.so\n";
}

namespace {

class StubScriptEvaluator : public TessarinEvaluator
{
public:
    using TessarinEvaluator::TessarinEvaluator;
    using TessarinEvaluator::evaluateScript;
    bool evaluateScript(const QString &code, QVariant &result) override
    {
        // Deterministic: a short code "succeeds" with its length.
        if (code.size() % 3 == 0)
            return false;
        result = code.size();
        return true;
    }
};

struct World
{
    TessarinDef def;
    MemoryDataSource *orders;
    MemoryDataSource *raw;
    TessarinSection *section;
    TessarinVariable *total;
    FakeRun run;

    World()
    {
        orders = new MemoryDataSource(QStringLiteral("orders"), {QStringLiteral("name"), QStringLiteral("price"),
                                                                 QStringLiteral("day")},
                                      {{QStringLiteral("Alice"), 12.5, QDate(2024, 3, 15)},
                                       {QStringLiteral("$D{name}"), 0.0, QDate(2023, 1, 1)},
                                       {QStringLiteral("$SCAN{orders}x"), -1, QVariant()}},
                                      &def);
        raw = new MemoryDataSource(QStringLiteral("raw"), {QStringLiteral("v")}, {{QString()}}, &def);
        def.addDataSource(orders);
        def.addDataSource(raw);
        def.setDefaultDataSourceName(QStringLiteral("orders"));
        def.addParameter(QStringLiteral("who"), QStringLiteral("World"));
        def.addScript(QStringLiteral("s"), QStringLiteral("'$P{who}' + $D{price}"));
        total = new TessarinVariable;
        total->setID(QStringLiteral("total"));
        total->setFunction(TessarinVariable::Sum);
        total->setExpression(QStringLiteral("price"));
        total->reset();
        def.addVariable(total);

        section = new TessarinSection(&def);
        const char *fields[][2] = {{"a", "A:$P{who}"}, {"b", "$F{a}/$F{b}"}, {"c", "$F{d}"}, {"d", "$F{c}$D{name}"}};
        for (const auto &f : fields) {
            auto *field = new TessarinFieldItem(&def);
            field->setID(QLatin1String(f[0]));
            field->setSourceType(TessarinItem::Template);
            field->setText(QLatin1String(f[1]));
            section->addItemForEngine(field);
        }
        run.dataSource = orders;
        run.detail = section;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_eval";
    static char *argv[] = {name, nullptr};
    // Sections are graphics scenes, which need the widget application.
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static World *world = new World;
    Q_UNUSED(app)

    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    World &w = *world;
    w.raw->setRows({{input}});
    w.raw->first();
    w.orders->first();
    w.def.addParameter(QStringLiteral("in"), input);
    w.run.finished = false;
    w.run.row = int(size % 4);

    StubScriptEvaluator ev(&w.def);
    ev.setDirector(size % 2 ? &w.run : nullptr);
    ev.setSection(size % 5 ? w.section : nullptr);

    QString text = input;
    ev.evaluate(text);
    text = input + QStringLiteral(" $D{raw.v} $P{in} $D{MLTXT(raw.v)}");
    ev.evaluate(text);
    for (int kind : {1, 4, 8, 12}) {
        text = input;
        ev.evaluate(text, TessarinItem::SourceType(kind));
    }
    text = input;
    ev.evaluateScan(text);
    text = input;
    ev.evaluateEmbeddedScripts(text);

    QVariant value;
    ev.getDataSourceValue(input, value);
    TessarinGroup group;
    group.setGroupExp(input);
    ev.evaluateGroup(&group);
    ev.evaluatePrintWhen(input);
    ev.evaluatePrintWhenTrueAction(input);
    QString role = input;
    ev.getItemRoleInfo(role);

    TessarinFieldData format;
    format.setDataType(TessarinData::DataType(size % 8));
    format.dateFormat = input.left(64);
    format.arg = input.left(64);
    format.numFormat = size % 3 == 0;
    format.numCharacters = int(size % 50);
    TessarinFieldItem::formatValue(input, format);

    // Every run starts from the same world: fields that refer to themselves
    // keep what they showed, which would otherwise pile up across inputs.
    w.total->reset();
    for (TessarinItem *item : w.section->reportItems()) {
        auto *field = static_cast<TessarinFieldItem *>(item);
        field->setValue(QVariant());
        field->setDisplayValue(QString());
    }
    return 0;
}
