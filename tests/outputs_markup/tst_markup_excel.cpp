#include "markuptestutil.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMarkupExcel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeDocument();

private:
    QTemporaryDir m_dir;
};

void TestMarkupExcel::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMarkupExcel::wholeDocument()
{
    Tessarin report;
    report.addStringList("people", {"Anna;1234.5;n/a", "Bob;2;7"});
    report.setReportDefXml(definition(
        " <reportheader height=\"8\">\n"
        "  <label id=\"title\" posX=\"10\" posY=\"0\" width=\"60\" height=\"6\" fontWeight=\"bold\" fontItalic=\"true\" "
        "fontUnderline=\"true\" fontStrikeOut=\"true\">Sales &lt;2024&gt;</label>\n"
        "  <rectangle posX=\"0\" posY=\"0\" width=\"100\" height=\"8\"/>\n"
        " </reportheader>\n"
            + detail("    <field id=\"name\" posX=\"0\" posY=\"0\" width=\"40\" height=\"5\" wordbreak=\"true\" "
                     "bgMode=\"op\" backcolor=\"#ffff00\" htmlOptions=\"class=&quot;who&quot;\">col0</field>\n"
                     "    <field id=\"amount\" posX=\"50\" posY=\"0\" width=\"30\" height=\"5\" alignmentH=\"right\" "
                     "forecolor=\"#ff0000\" bgMode=\"op\" backcolor=\"#ffffff\" type=\"num\" precision=\"2\" "
                     "formatting=\"true\">col1</field>\n"
                     "    <field id=\"count\" posX=\"90\" posY=\"0\" width=\"20\" height=\"5\" type=\"num\">col2</field>\n"),
        QString(), "Sales"));
    const QString file = m_dir.filePath("sheet.xls");
    QVERIFY2(report.runReportToExcelHtml(file), qPrintable(report.lastErrorMsg()));
    // Numbers go in raw, with the sheet's number format; a value that is no
    // number stays text; white backgrounds are left out; a first item to
    // the right gets a spacer of 10 mm = 38 px.
    const QString expected = QStringLiteral(
        "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
        "xmlns:x=\"urn:schemas-microsoft-com:office:excel\" xmlns=\"http://www.w3.org/TR/REC-html40\">\n"
        "<head>\n"
        "<title>Sales</title>\n"
        "<meta content='application/vnd.ms-excel;charset=UTF-8' http-equiv=Content-type />\n"
        "<meta name=ProgId content=Excel.Sheet />\n"
        "<meta name=Generator content=\"Microsoft Excel 11\">\n"
        "<style>\n"
        "<!--table\n"
        "@page{}\n"
        "-->\n"
        "</style>\n"
        "<!--[if gte mso 9]><xml>\n"
        "  <x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>\n"
        "    <x:Name>Sheet1</x:Name>\n"
        "    <x:WorksheetOptions><x:Panes>\n"
        "    </x:Panes></x:WorksheetOptions>\n"
        "    </x:ExcelWorksheet></x:ExcelWorksheets>\n"
        "  </x:ExcelWorkbook>\n"
        "</xml>\n"
        "<![endif]-->\n"
        "</head>\n"
        "<body>\n"
        "<!-- SECTION: RH -->\n"
        "<table class=\"RH\">\n"
        "<tr>\n"
        "<td width=\"38\">&nbsp;</td>\n"
        "<td nowrap=\"nowrap\" align=\"left\"><b><i><u><s>Sales &lt;2024&gt;</s></u></i></b></td>\n"
        "</tr>\n"
        "</table>\n"
        "<!-- SECTION: Detail1 -->\n"
        "<table class=\"Detail1\">\n"
        "<tr>\n"
        "<td align=\"left\" style=\"background-color:#ffff00\" class=\"who\">Anna</td>\n"
        "<td nowrap=\"nowrap\" align=\"right\" style=\"color:#ff0000;vnd.ms-excel.numberformat:#,##0.00\">1234.5</td>\n"
        "<td nowrap=\"nowrap\" align=\"left\" style=\"vnd.ms-excel.numberformat:#,##0\">n/a</td>\n"
        "</tr>\n"
        "<tr>\n"
        "<td align=\"left\" style=\"background-color:#ffff00\" class=\"who\">Bob</td>\n"
        "<td nowrap=\"nowrap\" align=\"right\" style=\"color:#ff0000;vnd.ms-excel.numberformat:#,##0.00\">2</td>\n"
        "<td nowrap=\"nowrap\" align=\"left\" style=\"vnd.ms-excel.numberformat:#,##0\">7</td>\n"
        "</tr>\n"
        "</table>\n"
        "</body>\n"
        "</html>");
    QCOMPARE(readText(file), expected);
}

QTEST_MAIN(TestMarkupExcel)
#include "tst_markup_excel.moc"
