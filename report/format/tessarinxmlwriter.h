#ifndef TESSARINXMLWRITER_H
#define TESSARINXMLWRITER_H

#include "tessaringlobal.h"

#include <QBrush>
#include <QFont>
#include <QHash>
#include <QPen>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QXmlStreamWriter>

class QIODevice;
class TessarinDataSource;
class TessarinSection;
class TessarinVariable;

// Writes a report definition document through an auto-formatting
// QXmlStreamWriter. The base class writes the root element, the attribute
// groups and the section attributes; what a definition holds is written by
// overriding the element hooks.
class TESSARIN2_EXPORT TessarinXMLWriter
{
public:
    TessarinXMLWriter();
    explicit TessarinXMLWriter(QIODevice *device);
    explicit TessarinXMLWriter(QString *string);
    virtual ~TessarinXMLWriter();

    // Writes the whole document; device, when given, replaces the target.
    // False when the stream could not write to its device.
    bool write(QIODevice *device = nullptr);

    virtual QString reportName();
    virtual QString reportType();
    virtual void writeReport();
    virtual void writeItems(TessarinSection *section);
    virtual void writeSection(TessarinSection *section);
    virtual void writeOptions();
    virtual void writeDataSources();
    virtual void writeVariables();
    virtual void writeScripts();
    virtual void writePageHeader();
    virtual void writePageFooter();
    virtual void writeReportHeader();
    virtual void writeReportFooter();
    virtual void writeDetails();
    virtual void writeDataSource(TessarinDataSource *dataSource);
    virtual void writeVariable(TessarinVariable *variable);
    virtual void writeParameter(const QString &elementName, const QString &id, const QVariant &value);
    virtual void writeScript(const QString &id, const QString &code);

    // Attribute writers for the current element. Lengths are millimetres
    // with three decimals.
    void writePos(const QPointF &point);
    void writePosFrom(const QPointF &point);
    void writePosTo(const QPointF &point);
    void writeSize(const QSizeF &size);
    void writeWidth(double width);
    void writeHeight(double height);
    void writeLineWidth(double width);
    void writeReal(const QString &name, double value);
    void writeInt(const QString &name, int value);
    void writeBool(const QString &name, bool value);
    void writeFont(const QFont &font);
    void writePen(const QPen &pen);
    void writeBrush(const QBrush &brush);
    void writeAlignment(Qt::Alignment flags);
    void writeParameters(const QHash<QString, QVariant> &parameters);

    static QString qrealToString(double value);
    // Shortest form with at most six significant digits.
    static QString realToString(double value);

    QXmlStreamWriter &xml() { return m_xml; }
    QString rootElementName() const { return m_rootElementName; }

protected:
    QXmlStreamWriter m_xml;
    QString m_rootElementName{QStringLiteral("Tessarin")};

private:
    Q_DISABLE_COPY(TessarinXMLWriter)
};

#endif // TESSARINXMLWRITER_H
