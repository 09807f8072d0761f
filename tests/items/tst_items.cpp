#include <QtTest>

#include "itemtestutil.h"
#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinfielditem.h"
#include "tessarinsection.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmlregistry.h"

class TestItems : public QObject
{
    Q_OBJECT

private slots:
    void commonAttributesRoundTrip();
    void resourceForms_data();
    void resourceForms();
    void itemRectGeometry_data();
    void itemRectGeometry();
    void dynamicGeometryEvaluated();
    void labelElement();
    void translations();
    void contentWithSubElements();
    void fieldAttributes_data();
    void fieldAttributes();
    void fieldEmptiness();
    void registeredWithTheReader();
};

void TestItems::commonAttributesRoundTrip()
{
    TessarinLabelItem item;
    item.setID(QStringLiteral("lbl1"));
    item.setTypeId(7);
    item.setZValue(3);
    item.setMetricPos(QPointF(10.5, 20));
    item.setMetricSize(QSizeF(40, 8.25));
    item.setPrintWhen(QStringLiteral("$V{pageno} > 1"));
    item.setDynPosXSource(QStringLiteral("$P{x}"));
    item.setDynHeightSource(QStringLiteral("$P{h}"));
    item.setDynamicOffsetMode(true);
    item.setSourceType(TessarinItem::Parameter);
    item.setTemplateMode(true);
    item.setAutoHeight(true);
    item.setPinToRight(true);
    item.setFunctionId(QStringLiteral("fn"));
    item.setText(QStringLiteral("Hello"));

    const QString xml = writeItem(item);
    const WrittenElement e(xml);
    const QList<QPair<const char *, const char *>> expected{
        {"id", "lbl1"}, {"typeId", "7"}, {"zValue", "3"}, {"posX", "10.500"}, {"height", "8.250"},
        {"printWhen", "$V{pageno} > 1"}, {"dynPosX", "$P{x}"}, {"dynOffset", "true"},
        {"resource", "param"}, {"template", "true"}, {"autoHeight", "true"}, {"pinToRight", "true"}, {"funcID", "fn"}};
    for (const auto &a : expected)
        QVERIFY2(e.attr(a.first) == QLatin1String(a.second), a.first);
    QCOMPARE(e.text, QStringLiteral("Hello"));

    TessarinLabelItem back;
    QVERIFY(readItem(back, xml));
    QVERIFY(back.hasDynamicPosition() && back.hasDynamicSize());
    QCOMPARE(writeItem(back), xml);

    // Defaults are left out; an id of "0" or empty is written as "%", which
    // reads back as a fresh random id.
    TessarinLabelItem plain;
    const WrittenElement p(writeItem(plain));
    for (const char *name : {"typeId", "printWhen", "zoneID", "dynPosX", "dynOffset", "resource", "template",
                             "autoHeight", "canBreak", "pinToLeft", "funcID", "rotation", "wordbreak", "forecolor",
                             "backcolor", "bgMode", "hideRepeated", "tr", "cf", "hasParameters", "alignment", "type"})
        QVERIFY2(!p.has(name), name);
    QCOMPARE(p.attr("id"), QStringLiteral("%"));
    QVERIFY(readItem(plain, QStringLiteral("<label id=\"%\">x</label>")));
    QCOMPARE(plain.id().size(), 5);
}

void TestItems::resourceForms_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("templateMode");
    QTest::addColumn<QString>("written");
    QTest::newRow("static") << "static" << int(TessarinItem::Static) << false << QString();
    QTest::newRow("filefromds") << "filefromds" << int(TessarinItem::FileFromDataSource) << false << "filefromds";
    QTest::newRow("custom") << "custom" << int(TessarinItem::Internal) << false << "internal";
    QTest::newRow("tpl") << "tpl" << int(TessarinItem::Template) << true << "tpl";
    QTest::newRow("tfile") << "tfile" << int(TessarinItem::File) << true << "file";
    QTest::newRow("unknown keeps") << "bogus" << int(TessarinItem::Static) << false << QString();
    QTest::newRow("case matters") << "FILE" << int(TessarinItem::Static) << false << QString();
}

void TestItems::resourceForms()
{
    QFETCH(QString, resource);
    QFETCH(int, type);
    QFETCH(bool, templateMode);
    QFETCH(QString, written);
    TessarinLabelItem item;
    QVERIFY(readItem(item, QStringLiteral("<label resource=\"%1\">t</label>").arg(resource)));
    QCOMPARE(int(item.sourceType()), type);
    QCOMPARE(item.isTemplateMode(), templateMode);
    QCOMPARE(item.isDynamic(), templateMode || type == TessarinItem::FileFromDataSource);
    const WrittenElement e(writeItem(item));
    QCOMPARE(e.attr("resource"), written);
    QCOMPARE(e.has("template"), templateMode);
}

void TestItems::itemRectGeometry_data()
{
    // At 25.4 dpi one pixel is one millimetre, so rectangles read in mm; the
    // section origin is (5, 5).
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QPointF>("dynamicPos");
    QTest::addColumn<QSizeF>("dynamicSize");
    QTest::addColumn<QRectF>("rect");
    const QString base = QStringLiteral("posX=\"10\" posY=\"20\" width=\"40\" height=\"8\" ");
    QTest::newRow("static") << base << QPointF() << QSizeF() << QRectF(15, 25, 40, 8);
    QTest::newRow("x replaced, y kept") << base + "dynPosX=\"a\"" << QPointF(5, 99) << QSizeF() << QRectF(10, 25, 40, 8);
    QTest::newRow("offset") << base + "dynPosX=\"a\" dynOffset=\"true\"" << QPointF(5, 0) << QSizeF() << QRectF(20, 25, 40, 8);
    QTest::newRow("width replaced") << base + "dynWidth=\"w\"" << QPointF() << QSizeF(30, 0) << QRectF(15, 25, 30, 8);
    QTest::newRow("zero or less ignored") << base + "dynWidth=\"w\" dynHeight=\"h\"" << QPointF() << QSizeF(0, -3)
                                          << QRectF(15, 25, 40, 8);
    QTest::newRow("negative result falls back") << base + "dynHeight=\"h\" dynOffset=\"true\"" << QPointF()
                                                << QSizeF(0, -20) << QRectF(15, 25, 40, 8);
    QTest::newRow("auto height unmeasured") << base + "autoHeight=\"true\"" << QPointF() << QSizeF() << QRectF(15, 25, 40, 8);
    QTest::newRow("pinned both") << base + "pinToLeft=\"true\" pinToRight=\"true\"" << QPointF() << QSizeF()
                                 << QRectF(5, 25, 185, 8);
}

void TestItems::itemRectGeometry()
{
    QFETCH(QString, attributes);
    QFETCH(QPointF, dynamicPos);
    QFETCH(QSizeF, dynamicSize);
    QFETCH(QRectF, rect);
    TessarinDef def;
    TessarinLabelItem item(&def);
    QVERIFY(readItem(item, QStringLiteral("<label %1>x</label>").arg(attributes), &def));
    item.setDynamicPosition(dynamicPos);
    item.setDynamicSize(dynamicSize);
    ImagePaintOutput out(25.4, QSize(1, 1));
    QCOMPARE(item.itemRect(&out, QPointF(5, 5)), rect);
}

void TestItems::dynamicGeometryEvaluated()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("x"), 12);
    def.addParameter(QStringLiteral("w"), QStringLiteral("not a number"));
    TessarinEvaluator ev(&def);
    TessarinLabelItem item(&def);
    item.setMetricPos(QPointF(1, 2));
    item.setMetricSize(QSizeF(30, 5));
    item.setDynPosXSource(QStringLiteral("$P{x}"));
    item.setDynWidthSource(QStringLiteral("<% $P{x} * 2 %>"));
    item.setDynHeightSource(QStringLiteral("$P{w}"));
    item.updateValue(nullptr, &ev);
    QCOMPARE(item.dynamicPosition(), QPointF(12, 0));
    QCOMPARE(item.dynamicSize(), QSizeF(24, 0)); // not a number: 0, which leaves the height
    ImagePaintOutput out(25.4, QSize(1, 1));
    QCOMPARE(item.itemRect(&out, QPointF()), QRectF(12, 2, 24, 5));
}

void TestItems::labelElement()
{
    TessarinDef def;
    def.option().setDefaultFont(QFont(QStringLiteral("Liberation Serif"), 9));
    TessarinXMLDefReader reader(&def); // gives a label without font name the options' font
    reader.xml().addData(QStringLiteral(
        "<label fontSize=\"14\" fontWeight=\"bold\" alignmentH=\"right\" alignmentV=\"center\" rotation=\"90\" "
        "wordbreak=\"true\" forecolor=\"#112233\" backcolor=\"#445566\" bgMode=\"fb\" hideRepeated=\"true\">"
        "Total: &lt;sum&gt;</label>"));
    reader.xml().readNext();
    reader.xml().readNext();
    TessarinLabelItem item(&def);
    item.read(&reader);
    QCOMPARE(item.font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(item.font().pointSize(), 14);
    QCOMPARE(item.alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(item.backgroundMode(), TessarinLabelItem::Opaque);
    QCOMPARE(item.text(), QStringLiteral("Total: <sum>"));

    const WrittenElement e(writeItem(item));
    const QList<QPair<const char *, QString>> expected{
        {"fontWeight", "bold"}, {"alignment", QString::number(int(Qt::AlignRight | Qt::AlignVCenter))},
        {"rotation", "90"}, {"wordbreak", "true"}, {"forecolor", "#112233"}, {"backcolor", "#445566"},
        {"bgMode", "fb"}, {"hideRepeated", "true"}};
    for (const auto &a : expected)
        QVERIFY2(e.attr(a.first) == a.second, a.first);
    QCOMPARE(e.text, QStringLiteral("Total: <sum>"));

    for (const char *mode : {"xyz", "tr"}) {
        TessarinLabelItem m;
        QVERIFY(readItem(m, QStringLiteral("<label bgMode=\"%1\"/>").arg(QLatin1String(mode))));
        QCOMPARE(m.backgroundMode(), qstrcmp(mode, "tr") ? TessarinLabelItem::Opaque : TessarinLabelItem::Transparent);
    }
}

void TestItems::translations()
{
    TessarinDef def;
    TessarinLabelItem item(&def);
    QVERIFY(readItem(item, QStringLiteral("<label tr=\"true\"><tr>Default</tr><tr lang=\"de\">Deutsch</tr>"
                                          "<tr lang=\"fr\"></tr></label>"), &def));
    QCOMPARE(item.text(), QStringLiteral("Default"));
    def.option().setCurrentLanguage(QStringLiteral("de"));
    QCOMPARE(item.text(), QStringLiteral("Deutsch"));
    def.option().setCurrentLanguage(QStringLiteral("fr"));
    QCOMPARE(item.text(), QStringLiteral("Default")); // empty: the default language, with language role 0
    def.option().setLanguageRole(1);
    QCOMPARE(item.text(), QString());

    const WrittenElement e(writeItem(item));
    QCOMPARE(e.attr("tr"), QStringLiteral("true"));
    QCOMPARE(e.children, (QList<QPair<QString, QString>>{{QStringLiteral("tr"), QStringLiteral("Default")},
                                                         {QStringLiteral("tr@de"), QStringLiteral("Deutsch")}}));

    TessarinLabelItem single(&def);
    single.setText(QStringLiteral("Only"), QStringLiteral("00"));
    const WrittenElement s(writeItem(single));
    QVERIFY(!s.has("tr") && s.children.isEmpty());
    QCOMPARE(s.text, QStringLiteral("Only"));
}

void TestItems::contentWithSubElements()
{
    TessarinFieldItem item;
    item.setID(QStringLiteral("f"));
    item.setText(QStringLiteral("price"), QStringLiteral("00"));
    item.setConditionalFormatCode(QStringLiteral("color: red\n$V{x} += 1"));
    item.parametersRef().insert(QStringLiteral("n"), 5);
    const QString xml = writeItem(item);
    const WrittenElement e(xml);
    QVERIFY(e.has("cf") && !e.has("tr") && e.has("hasParameters"));
    QCOMPARE(e.children.size(), 3);
    QCOMPARE(e.children.at(0), qMakePair(QStringLiteral("tr"), QStringLiteral("price")));
    QCOMPARE(e.children.at(1), qMakePair(QStringLiteral("cf"), item.conditionalFormatCode()));
    TessarinFieldItem back;
    QVERIFY(readItem(back, xml));
    QCOMPARE(back.text(), QStringLiteral("price"));
    QCOMPARE(back.parameter(QStringLiteral("n")), QVariant(5));
    QCOMPARE(writeItem(back), xml);

    // Parameters after plain text are not part of it; without "hasParameters"
    // they and unknown elements are skipped.
    TessarinLabelItem plain, indented, ignored;
    QVERIFY(readItem(plain, QStringLiteral("<label hasParameters=\"1\">Text<par id=\"a\" type=\"int\">3</par>\n</label>")));
    QCOMPARE(plain.text(), QStringLiteral("Text"));
    QCOMPARE(plain.parameter(QStringLiteral("a")), QVariant(3));
    QVERIFY(readItem(indented, QStringLiteral("<label hasParameters=\"true\">\n  <par id=\"a\">x</par>\n</label>")));
    QCOMPARE(indented.text(), QString());
    QVERIFY(readItem(ignored, QStringLiteral("<label><par id=\"a\">x</par><unknown><deep/></unknown></label>")));
    QVERIFY(!ignored.hasParameter());
}

void TestItems::fieldAttributes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("numeric plain") << "type=\"num\"" << QStringList{"type=num", "ftype=ds"}
                                   << QStringList{"formatting", "numwidth", "format", "precision", "localized",
                                                  "blankifzero", "dateFormat", "fillchar"};
    QTest::newRow("numeric formatted")
        << "type=\"num\" formatting=\"true\" numwidth=\"8\" format=\"e\" precision=\"2\" blankifzero=\"true\""
        << QStringList{"formatting=true", "numwidth=8", "format=e", "precision=2", "localized=false", "blankifzero=true"}
        << QStringList{"dateFormat"};
    QTest::newRow("number settings ignored for text") << "type=\"txt\" formatting=\"true\" blankifzero=\"true\""
                                                      << QStringList{"type=txt"} << QStringList{"formatting", "blankifzero"};
    QTest::newRow("date without format") << "type=\"date\" ftype=\"sql\"" << QStringList{"dateFormat=", "ftype=ds"}
                                         << QStringList{};
    QTest::newRow("space fill not written") << "fillchar=\" \" ftype=\"par\"" << QStringList{"ftype=par"}
                                            << QStringList{"fillchar"};
    QTest::newRow("fill, arg, numChars") << "fillchar=\"*x\" arg=\"[%1]\" numChars=\"6\" ftype=\"tpl\""
                                         << QStringList{"fillchar=*", "arg=[%1]", "numChars=6", "ftype=tpl"} << QStringList{};
    QTest::newRow("unknown type and source") << "type=\"xyz\" ftype=\"xyz\"" << QStringList{"type=txt", "ftype=ds"}
                                             << QStringList{};
}

void TestItems::fieldAttributes()
{
    QFETCH(QString, input);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    TessarinFieldItem item;
    QVERIFY(readItem(item, QStringLiteral("<field id=\"f\" %1>col</field>").arg(input)));
    const QString xml = writeItem(item);
    const WrittenElement e(xml);
    for (const QString &p : present)
        QVERIFY2(e.attributes.hasAttribute(p.section(QLatin1Char('='), 0, 0))
                     && e.attributes.value(p.section(QLatin1Char('='), 0, 0)) == p.section(QLatin1Char('='), 1),
                 qPrintable(p + " in " + xml));
    for (const QString &a : absent)
        QVERIFY2(!e.attributes.hasAttribute(a), qPrintable(a + " in " + xml));
    TessarinFieldItem back;
    QVERIFY(readItem(back, xml));
    QCOMPARE(writeItem(back), xml);
}

void TestItems::fieldEmptiness()
{
    TessarinFieldItem field;
    QVERIFY(field.isEmpty());
    field.setDataType(TessarinData::Boolean);
    QVERIFY(!field.isEmpty());
    field.setDataType(TessarinData::Image);
    QVERIFY(field.isEmpty());

    // Repeated values count as empty while hideRepeated is on.
    field.setDataType(TessarinData::Text);
    field.setHideRepeated(true);
    field.setDisplayValue(QStringLiteral("a"));
    QVERIFY(!field.isEmpty() && field.isEmpty() && field.isEmpty());
    field.resetHideRepeated();
    QVERIFY(!field.isEmpty());
    field.setDisplayValue(QString()); // an empty value does not become the remembered one
    QVERIFY(field.isEmpty());
    field.setDisplayValue(QStringLiteral("a"));
    QVERIFY(field.isEmpty());
}

void TestItems::registeredWithTheReader()
{
    TessarinDef def;
    std::unique_ptr<TessarinItem> label(TessarinXMLRegistry::createItem(QStringLiteral("label"), &def));
    QVERIFY(dynamic_cast<TessarinLabelItem *>(label.get()));
    QCOMPARE(label->reportDef(), &def);

    TessarinXMLDefReader reader(&def);
    QVERIFY(reader.read(nullptr, QStringLiteral(
        "<Tessarin version=\"2.17.0\"><pageheader height=\"20\">"
        "<label id=\"a\" posX=\"1\" posY=\"2\" width=\"30\" height=\"5\">Title</label>"
        "<field id=\"b\" ftype=\"par\" type=\"num\" formatting=\"true\" precision=\"1\">amount</field>"
        "<field id=\"c\" ftype=\"var\">total</field></pageheader></Tessarin>")));
    TessarinSection *header = def.pageHeader();
    QVERIFY(header);
    QCOMPARE(header->reportItems().size(), 3);
    QCOMPARE(static_cast<TessarinLabelItem *>(header->reportItems().at(0))->text(), QStringLiteral("Title"));
    QCOMPARE(def.fieldItems().size(), 2);
    QCOMPARE(def.fieldItems().at(0)->precision(), 1);
    // A parameter field is dynamic, a variable field is not.
    QCOMPARE(def.dynamicItems(), QList<TessarinItem *>{header->reportItems().at(1)});
}

QTEST_MAIN(TestItems)
#include "tst_items.moc"
