#ifndef ENGINETESTUTIL_H
#define ENGINETESTUTIL_H

// Shared helpers of the engine tests: an in-memory data source the tests can
// shape, running a report into a PDF and reading it back with pdftotext.

#include "tessarin.h"
#include "tessarindatasource.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Rows of text held in memory. With a key column set, the rows offered are
// those whose key equals the foreign key value, selected again by update():
// a child in a master/child relation. Endless: row n holds n, without end.
class TableSource : public TessarinDataSource
{
    Q_OBJECT
public:
    TableSource(const QString &id, const QStringList &columns, const QList<QStringList> &rows = {},
                QObject *parent = nullptr)
        : TessarinDataSource(parent), m_columns(columns), m_all(rows)
    {
        setID(id);
        setDataSourceType(Custom);
    }

    void setKeyColumn(int column) { m_keyColumn = column; }
    void setRowCountUnknown(bool unknown) { m_unknownCount = unknown; } // like a forward-only query
    void setStepBack(bool on) { m_stepBack = on; }
    void setEndless(bool on) { m_endless = m_unknownCount = on; }

    bool open() override { select(); setOpened(true); return true; }
    bool close() override { setOpened(false); m_row = -1; return true; }
    bool update() override { select(); return true; }
    bool first() override { return moveTo(0); }
    bool last() override { return moveTo(m_endless ? m_row : m_rows.size() - 1); }
    bool next() override { return moveTo(m_row + 1); }
    bool previous() override { return m_stepBack && moveTo(m_row - 1); }
    bool hasNext() override { return m_endless || m_row + 1 < m_rows.size(); }
    bool seek(int index) override { return index < 0 ? (m_row = -1, true) : moveTo(index); }
    int size() const override { return m_unknownCount ? -1 : m_rows.size(); }
    int rowCount() const override { return size(); }
    int columnCount() const override { return m_columns.size(); }
    QString columnName(int i) const override { return m_columns.value(i); }
    int columnIndexByName(const QString &name) const override { return m_columns.indexOf(name); }
    bool isValid() const override { return m_row >= 0 && (m_endless || m_row < m_rows.size()); }
    QVariant value(int column, bool *ok = nullptr, int = -1) override
    {
        if (ok)
            *ok = isValid() && column >= 0;
        if (!isValid())
            return QVariant();
        return m_endless ? QVariant(m_row) : QVariant(m_rows.at(m_row).value(column));
    }
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override
    {
        return value(columnIndexByName(column), ok, role);
    }
    QString cell(const QString &column) { return value(column).toString(); }

private:
    void select()
    {
        m_rows.clear();
        for (const QStringList &row : qAsConst(m_all))
            if (m_keyColumn < 0 || row.value(m_keyColumn) == foreignKeyValue())
                m_rows.append(row);
        m_row = -1;
    }
    bool moveTo(int row)
    {
        if (row < 0 || (!m_endless && row >= m_rows.size()))
            return false;
        m_row = row;
        return true;
    }

    QStringList m_columns;
    QList<QStringList> m_all;
    QList<QStringList> m_rows;
    int m_keyColumn = -1;
    bool m_unknownCount = false;
    bool m_stepBack = true;
    bool m_endless = false;
    int m_row = -1;
};

inline QString engineData(const QString &name)
{
    return QStringLiteral(TESTS_SOURCE_DIR "/engine/data/") + name;
}

inline QString readDataFile(const QString &name)
{
    QFile file(engineData(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What a PDF holds: its text per page as pdftotext lays it out.
struct PdfPages
{
    bool readable = false;
    int pageCount = 0;
    QStringList pages;

    QString all() const { return pages.join(QLatin1Char('\f')); }
    // Lines of a page with runs of blanks collapsed, empty lines dropped.
    QStringList lines(int page) const
    {
        QStringList out;
        for (const QString &line : pages.value(page).split(QLatin1Char('\n')))
            if (!line.simplified().isEmpty())
                out.append(line.simplified());
        return out;
    }
};

inline PdfPages readPdf(const QString &fileName)
{
    PdfPages result;
    const auto match = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                           .match(runTool(QStringLiteral("pdfinfo"), {fileName}));
    QString text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    if (!match.hasMatch() || text.isEmpty())
        return result;
    if (text.endsWith(QLatin1Char('\f')))
        text.chop(1);
    result.pageCount = match.captured(1).toInt();
    result.pages = text.split(QLatin1Char('\f'));
    result.readable = true;
    return result;
}

inline PdfPages runToPdf(Tessarin &report, const QTemporaryDir &dir, const QString &name = QStringLiteral("out.pdf"))
{
    const QString fileName = dir.filePath(name);
    QFile::remove(fileName);
    return report.runReportToPdf(fileName) ? readPdf(fileName) : PdfPages();
}

// Top of the first occurrence of a word in a PDF, in mm; -1 when absent.
inline double wordTop(const QString &fileName, const QString &word)
{
    const QString html = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), fileName, QStringLiteral("-")});
    const auto match = QRegularExpression(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\"[^>]*>%1</word>")
                                              .arg(QRegularExpression::escape(word)))
                           .match(html);
    return match.hasMatch() ? match.captured(1).toDouble() * 25.4 / 72.0 : -1;
}

// A report whose loaded definition a test may adjust before the run.
class CustomizedReport : public Tessarin
{
public:
    std::function<void(TessarinDef *)> customize;

protected:
    void customizeReportDef(TessarinDef *definition) override
    {
        if (customize)
            customize(definition);
    }
};

#endif // ENGINETESTUTIL_H
