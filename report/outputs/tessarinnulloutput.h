#ifndef TESSARINNULLOUTPUT_H
#define TESSARINNULLOUTPUT_H

#include "tessarinoutput.h"

// Lays a report out without producing anything: the first pass of a
// double-pass run. It measures exactly as the wrapped output (same
// resolution, same device) and counts no page as in range.
class TESSARIN2_EXPORT TessarinNullOutput : public TessarinOutput
{
    Q_OBJECT
public:
    explicit TessarinNullOutput(TessarinOutput *wrapped, QObject *parent = nullptr);
    ~TessarinNullOutput() override;

    TessarinOutput *wrappedOutput() const { return m_wrapped.data(); }

public Q_SLOTS:
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    QPaintDevice *device() const override;

private:
    QPointer<TessarinOutput> m_wrapped;
};

#endif // TESSARINNULLOUTPUT_H
