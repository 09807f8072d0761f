#ifndef TESSARINITEM_H
#define TESSARINITEM_H

#include "tessaringlobal.h"

#include <QGraphicsItem>

class TessarinSection;

// Base of every printable element of a section. This is the part that the
// definition model relies on (ownership by a section and the link back to
// it); geometry, content, reading, writing and painting are added by the
// item layer. Painting stays abstract.
class TESSARIN2_EXPORT TessarinItem : public QGraphicsItem
{
public:
    explicit TessarinItem(QGraphicsItem *parent = nullptr);
    ~TessarinItem() override;

    TessarinSection *section() const { return m_section; }
    void setSection(TessarinSection *section) { m_section = section; }

private:
    TessarinSection *m_section = nullptr;
};

#endif // TESSARINITEM_H
