#include "tessarinsvgoutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSvgGenerator>

namespace {
const int svgDpi = 96;
}

TessarinSvgOutput::TessarinSvgOutput(QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(SvgOutput);
}

TessarinSvgOutput::~TessarinSvgOutput()
{
    finishPage();
    deletePainter();
}

QString TessarinSvgOutput::pageFileName(int page) const
{
    const QFileInfo info(fileName());
    // The complete base name, so that "a.v1.svg" and "a.v2.svg" do not collide.
    return info.path() + QLatin1Char('/')
        + QStringLiteral("%1_p%2.svg").arg(info.completeBaseName()).arg(page);
}

bool TessarinSvgOutput::setup()
{
    setResolution(svgDpi);
    if (isJobStart()) {
        finishPage();
        clearError();
        m_pageCount = 0;
        if (fileName().isEmpty()) {
            setFileError(QString(), tr("No file name is set"));
            return false;
        }
    }
    return true;
}

void TessarinSvgOutput::cleanup()
{
}

void TessarinSvgOutput::begin()
{
    finishPage();
    // A later report or copy continues the page numbering.
    if (m_pageCount > 0)
        markPageOpenedByBegin();
    startPage(false);
}

void TessarinSvgOutput::newPage()
{
    if (absorbNewPage())
        return;
    endPainterKeepState();
    finishPage();
    startPage(true);
}

void TessarinSvgOutput::end()
{
    finishPage();
}

QPaintDevice *TessarinSvgOutput::device() const
{
    return m_generator;
}

void TessarinSvgOutput::startPage(bool carryState)
{
    ++m_pageCount;
    const QString name = pageFileName(m_pageCount);
    m_file = new QFile(name);
    if (hasError() || !openForWriting(*m_file)) {
        // Nothing more is written after a failure; the run goes on to its end.
        delete m_file;
        m_file = nullptr;
        installDiscardPainter();
        return;
    }
    const QSize px = m_scale.mmToSize(devicePageSizeMM()).toSize();
    m_generator = new QSvgGenerator;
    m_generator->setOutputDevice(m_file);
    m_generator->setResolution(svgDpi);
    m_generator->setSize(px);
    m_generator->setViewBox(QRect(QPoint(0, 0), px));
    m_generator->setTitle(option().reportName());
    m_generator->setDescription(QStringLiteral("page %1").arg(m_pageCount));
    if (!beginPainterOn(m_generator, QPainter::Antialiasing | QPainter::SmoothPixmapTransform,
                        carryState)) {
        setFileError(name, tr("The SVG document could not be started"));
        installDiscardPainter();
    }
}

void TessarinSvgOutput::finishPage()
{
    // Ending the painter is what writes the document.
    if (painter() && painter()->isActive())
        endPainterKeepState();
    if (m_file) {
        m_file->close();
        if (m_file->error() != QFileDevice::NoError)
            setFileError(m_file->fileName(), m_file->errorString());
    }
    delete m_generator;
    m_generator = nullptr;
    delete m_file;
    m_file = nullptr;
}
