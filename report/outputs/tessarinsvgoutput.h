#ifndef TESSARINSVGOUTPUT_H
#define TESSARINSVGOUTPUT_H

#include "tessarinoutput.h"

class QFile;
class QSvgGenerator;

// Writes every page to its own SVG file at 96 dots per inch: page n of
// "dir/report.svg" goes to "dir/report_pn.svg". Each file is written when
// its page is finished.
class TESSARIN2_EXPORT TessarinSvgOutput : public TessarinOutput
{
    Q_OBJECT
public:
    explicit TessarinSvgOutput(QObject *parent = nullptr);
    ~TessarinSvgOutput() override;

    // File of page n (1-based) of this job.
    QString pageFileName(int page) const;
    // Pages started in this job.
    int pageCount() const { return m_pageCount; }

public Q_SLOTS:
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    QPaintDevice *device() const override;

private:
    void startPage(bool carryState);
    void finishPage();

    QSvgGenerator *m_generator = nullptr;
    QFile *m_file = nullptr;
    int m_pageCount = 0;
};

#endif // TESSARINSVGOUTPUT_H
