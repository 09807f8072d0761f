#ifndef MARKUPTESTUTIL_H
#define MARKUPTESTUTIL_H

// Shared by the markup output tests: small report definitions over string
// lists, and reading back what an output wrote.

#include "tessarin.h"

#include <QFile>
#include <QString>
#include <QStringList>

// A definition on an A4 page (margins 10/10/20/20 mm) with one string list
// source "people" (list "people", columns separated by ";"). body holds the
// sections; options adds to the options element.
inline QString definition(const QString &body, const QString &options = QString(),
                          const QString &name = QStringLiteral("People"))
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Tessarin version=\"2.0\" name=\"%1\" type=\"report\">\n"
                          " <options>\n"
                          "  <pagesize>A4</pagesize>\n"
                          "  <topmargin>10</topmargin><bottommargin>10</bottommargin>"
                          "<leftmargin>20</leftmargin><rightmargin>20</rightmargin>\n"
                          "  %2\n"
                          " </options>\n"
                          " <datasources>\n"
                          "  <datasource id=\"people\" type=\"list\" listID=\"people\" columnDelimiter=\"semicolon\"/>\n"
                          " </datasources>\n"
                          "%3\n"
                          "</Tessarin>\n")
        .arg(name, options, body);
}

// A detail over "people" holding the given items.
inline QString detail(const QString &items, const QString &attributes = QString())
{
    return QStringLiteral(" <details>\n  <detail id=\"Detail1\" height=\"6\" datasource=\"people\" %2>\n"
                          "   <items>\n%1\n   </items>\n  </detail>\n </details>\n")
        .arg(items, attributes);
}

inline QString readText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline QByteArray readBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeText(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// The lines of a document between two marker lines, both excluded.
inline QStringList linesBetween(const QString &text, const QString &from, const QString &to)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int start = lines.indexOf(from);
    const int end = lines.indexOf(to, start + 1);
    if (start < 0 || end < 0)
        return {};
    return lines.mid(start + 1, end - start - 1);
}

#endif // MARKUPTESTUTIL_H
