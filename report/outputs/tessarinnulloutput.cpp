#include "tessarinnulloutput.h"

TessarinNullOutput::TessarinNullOutput(TessarinOutput *wrapped, QObject *parent)
    : TessarinOutput(parent)
    , m_wrapped(wrapped)
{
    setOutput(NullOutput);
    // 0..0: page 0 counts as page 1, so no page is ever in range.
    setPageFromTo(0, 0);
    if (wrapped) {
        setResolution(wrapped->resolution());
        setPageOption(wrapped->option());
        setRotationAngle(wrapped->rotationAngle());
    }
}

TessarinNullOutput::~TessarinNullOutput()
{
    deletePainter();
}

bool TessarinNullOutput::setup()
{
    return true;
}

void TessarinNullOutput::cleanup()
{
}

void TessarinNullOutput::begin()
{
    // Items that paint even on skipped pages (tables) find a painter that
    // keeps nothing.
    installDiscardPainter();
}

void TessarinNullOutput::end()
{
    deletePainter();
}

void TessarinNullOutput::newPage()
{
}

QPaintDevice *TessarinNullOutput::device() const
{
    return m_wrapped ? m_wrapped->device() : nullptr;
}
