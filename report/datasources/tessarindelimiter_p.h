#ifndef TESSARINDELIMITER_P_H
#define TESSARINDELIMITER_P_H

#include <QString>
#include <QVector>

// Delimiter keywords and characters shared by the text and string list
// sources; both enumerate them in this order.
namespace TessarinDelimiter {

inline const char *keyword(int delimiter)
{
    static const char *const names[] = {"tab", "comma", "semicolon", "space", "vbar", "custom"};
    return delimiter >= 0 && delimiter < 6 ? names[delimiter] : names[0];
}

// -1 for an unknown keyword.
inline int fromKeyword(const QString &name)
{
    for (int i = 0; i < 6; ++i) {
        if (name == QLatin1String(keyword(i)))
            return i;
    }
    return -1;
}

// The character of the fixed delimiters 0 to 4.
inline char character(int delimiter)
{
    static const char chars[] = {'\t', ',', ';', ' ', '|'};
    return delimiter >= 0 && delimiter < 5 ? chars[delimiter] : '\t';
}

// Start offsets of the fields of line; field i runs from bounds[i] to
// bounds[i + 1] - 1 (the last bound is one past the line's end).
inline void fieldBounds(const QString &line, QChar delimiter, QVector<int> &bounds)
{
    bounds.clear();
    bounds.append(0);
    const QChar *data = line.constData();
    const int n = line.size();
    for (int i = 0; i < n; ++i) {
        if (data[i] == delimiter)
            bounds.append(i + 1);
    }
    bounds.append(n + 1);
}

// Field column of line as found by fieldBounds(); empty beyond the last field.
inline QString field(const QString &line, const QVector<int> &bounds, int column)
{
    if (column < 0 || column + 1 >= bounds.size())
        return QString(QLatin1String(""));
    const int start = bounds.at(column);
    return line.mid(start, bounds.at(column + 1) - 1 - start);
}

} // namespace TessarinDelimiter

#endif // TESSARINDELIMITER_P_H
