#ifndef TESSARINERROR_H
#define TESSARINERROR_H

#include "tessaringlobal.h"
#include <QString>

// The error record of a report definition. The first error set stays until
// clear() (or setError with an empty text): it is the one that stopped the
// run, later ones are consequences.
class TESSARIN2_EXPORT TessarinError
{
public:
    TessarinError() = default;

    void setError(const QString &text, int code = -1);
    void clear();

    bool error() const { return m_error; }
    bool isOK() const { return !m_error; }
    int code() const { return m_code; }
    QString text() const { return m_text; }
    // First line of the message, for status bars and one-line logs.
    QString briefDescription() const;

private:
    QString m_text;
    int m_code = 0;
    bool m_error = false;
};

#endif // TESSARINERROR_H
