#ifndef TESSARINXMLREADER_H
#define TESSARINXMLREADER_H

#include "tessaringlobal.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPen>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QXmlStreamReader>

class QIODevice;
class TessarinDef;
class TessarinFieldItem;
class TessarinItem;
class TessarinPageOption;
class TessarinSection;

// Walks a report definition document with a QXmlStreamReader and hands every
// element to a virtual hook. The base class reads the root element, the
// options and the attribute groups shared by sections and items; hooks whose
// element it does not understand skip that element with all its content, so a
// derived reader can take over any of them without breaking the walk.
class TESSARIN2_EXPORT TessarinXMLReader
{
public:
    TessarinXMLReader();
    virtual ~TessarinXMLReader();

    // Reads from device when it is not null, otherwise from text.
    virtual bool read(QIODevice *device, const QString &text);
    virtual void readParameters();
    virtual void init() = 0;
    virtual void readReport();
    virtual void readOptions();
    virtual void readHtmlText();
    virtual void readPage();
    virtual void readItems(TessarinSection *section);
    virtual void readSection(TessarinSection *section);
    virtual void readDataSources();
    virtual void readDataSource();
    virtual void readVariables();
    virtual void readVariable();
    virtual void readScripts();
    virtual void readScript();
    virtual void readPageHeader();
    virtual void readPageFooter();
    virtual void readReportHeader();
    virtual void readReportFooter();
    virtual void readDetails();
    virtual void readField(TessarinFieldItem *item);
    virtual void readParameter(QHash<QString, QVariant> &parameters);
    virtual void beforeReadItem(TessarinItem *item);
    virtual void afterReadItem(TessarinItem *item);
    virtual void addItem(TessarinItem *item, TessarinSection *section);
    virtual void afterAddItem(TessarinItem *item);
    virtual void setDefaultFont(QFont &font);
    virtual void setDefaultPen(QPen &pen);
    virtual void setDefaultBrush(QBrush &brush);

    // Attributes of the current element.
    QString attrib(const QString &name) const;
    bool isAttrib(const QString &name) const;
    QString attribToString(const QString &name) const { return attrib(name); }
    int attribToInt(const QString &name) const;
    double attribToReal(const QString &name) const;
    bool attribToBool(const QString &name) const;

    QPointF readPos() const;
    QPointF readPosFrom() const;
    QPointF readPosTo() const;
    QSizeF readSize() const;
    double readLineWidth() const;
    void readFont(QFont &font);
    void readPen(QPen &pen) const;
    void readBrush(QBrush &brush) const;
    void readColor(const QString &name, QColor &color) const;
    Qt::Alignment readAlignment() const;

    // Reads "par"/"parameter" children of the current element into the table.
    void readParameters(QHash<QString, QVariant> &parameters);
    // Skips the current element with everything inside it; iterative, so a
    // hostile nesting depth cannot exhaust the stack.
    void readUnknownElement();
    // Moves to the next child element of the current element; false at its end
    // (or at the end of the stream). Every element loop of the readers uses it.
    bool readNextChild();
    // Text of the current element; nested elements are skipped.
    QString elementText();

    QXmlStreamReader &xml() { return m_xml; }
    TessarinDef *reportDef() const { return m_reportDef; }
    void setReportDef(TessarinDef *def) { m_reportDef = def; }
    TessarinPageOption *pageOption() const { return m_pageOption; }
    void setPageOption(TessarinPageOption *option) { m_pageOption = option; }
    QString rootElementName() const { return m_rootElementName; }
    void setRootElementName(const QString &name) { m_rootElementName = name; }
    QString language() const { return m_language; }
    void setLanguage(const QString &language) { m_language = language; }

protected:
    QXmlStreamReader m_xml;
    QString m_rootElementName{QStringLiteral("Tessarin")};
    TessarinPageOption *m_pageOption = nullptr;
    TessarinDef *m_reportDef = nullptr;
    QString m_language{QStringLiteral("en")};

private:
    Q_DISABLE_COPY(TessarinXMLReader)
};

#endif // TESSARINXMLREADER_H
