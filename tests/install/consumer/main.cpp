// A tiny application that uses the installed library.
#include <QApplication>
#include <QTextStream>

#include <tessarindef.h>
#include <tessaringroup.h>
#include <tessarinsection.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TessarinDef def;
    def.addPageHeader();
    TessarinSection *detail = def.addDetail();
    def.addGroupHeader(def.addGroup(detail));
    def.option().setPaperSize(QPagedPaintDevice::A5);

    const bool ok = def.pageHeader()->layoutIndex() == 1 && detail->id() == QLatin1String("Detail1")
                    && def.groupSections().value(0)->layoutIndex() == 101
                    && def.option().pageSizeMM() == QSizeF(148, 210);
    QTextStream(stdout) << (ok ? "consumer ok " : "consumer FAILED ") << TESSARIN_VERSION_STR << "\n";
    return ok ? 0 : 1;
}
