#include "tessarinerror.h"

void TessarinError::setError(const QString &text, int code)
{
    // An empty text is how a run starts afresh.
    if (text.isEmpty()) {
        clear();
        return;
    }
    if (m_error)
        return;
    m_error = true;
    m_text = text;
    m_code = code;
}

void TessarinError::clear()
{
    m_error = false;
    m_text.clear();
    m_code = 0;
}

QString TessarinError::briefDescription() const
{
    return m_text.section(QLatin1Char('\n'), 0, 0).trimmed();
}
