#ifndef TESSARINEVALUATORCONTEXT_H
#define TESSARINEVALUATORCONTEXT_H

#include "tessaringlobal.h"

class TessarinDataSource;
class TessarinOutput;
class TessarinSection;

// What the evaluator needs from a running report: the counters behind the
// system variables, the current detail with its data source, the finished
// flag, and a way to move the detail to its next row. The director of a
// run implements it; an evaluator used outside a run has none, and every
// lookup then answers as if nothing had been printed yet.
class TESSARIN2_EXPORT TessarinEvaluatorContext
{
public:
    TessarinEvaluatorContext() = default;
    virtual ~TessarinEvaluatorContext();

    virtual int pageNo() const = 0;       // within the current report, 0 before the first page
    virtual int globalPageNo() const = 0; // across a batch
    virtual int pageCount() const = 0;    // known in the second pass of a double-pass run, else 0
    virtual int reportNo() const = 0;
    virtual int reportCount() const = 0;
    virtual int forceCopies() const = 0;
    virtual int currentCopy() const = 0;  // 0 for the first copy
    virtual int currentRow() const = 0;   // 0 while the first row of the detail is printed

    // Data source of the current detail; null when the detail has none.
    virtual TessarinDataSource *currentDataSource() const = 0;
    virtual TessarinSection *currentDetail() const = 0;
    // Output being painted, for items refreshed by the evaluator itself; may be null.
    virtual TessarinOutput *currentOutput() const = 0;

    virtual bool isFinished() const = 0;
    virtual void setFinished(bool finished) = 0;
    // Moves the current detail's data source to its next row, honouring the
    // run's row limit. False when there is no next row (or the limit stopped
    // the run); the caller then marks the run finished.
    virtual bool nextDetailRow() = 0;

    // Page layout for items that place their rows themselves and continue
    // on further pages (tables, cross tables). Positions are millimetres from the
    // page top. Outside a run there is no page to break and no bottom.
    virtual double layoutPosY() const { return 0; }
    virtual void setLayoutPosY(double y) { (void)y; }
    // Room below y down to the page body bottom.
    virtual double layoutRoom(double y) const { return 1e9 - y; }
    // Ends the page and starts the next one; false when no break happened.
    virtual bool layoutPageBreak() { return false; }
    // True while the current page lies outside the printed page range.
    virtual bool isLayoutPageSkipped() const { return false; }
    // True once the run was cancelled or failed, so long items stop drawing.
    virtual bool isLayoutStopped() const { return false; }
};

#endif // TESSARINEVALUATORCONTEXT_H
