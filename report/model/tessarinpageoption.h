#ifndef TESSARINPAGEOPTION_H
#define TESSARINPAGEOPTION_H

#include "tessaringlobal.h"

#include <QColor>
#include <QFont>
#include <QPagedPaintDevice>
#include <QPrinter>
#include <QSizeF>
#include <QString>
#include <QVector>

class TessarinXMLReader;
class TessarinXMLWriter;

// Everything about a report that is neither a section nor a data source:
// paper, orientation, margins, columns, default font, encoding, languages,
// HTML settings and run switches. All lengths are millimetres.
class TESSARIN2_EXPORT TessarinPageOption
{
public:
    using PageSize = QPagedPaintDevice::PageSize;
    using Orientation = QPrinter::Orientation;

    // One entry of the paper table; sizes are portrait, in millimetres.
    struct PageData
    {
        QString name;
        PageSize pageSizeId = QPagedPaintDevice::Custom;
        double width = -1;
        double height = -1;
    };

    TessarinPageOption();

    // Paper and orientation
    PageSize paperSize() const { return m_paperSize; }
    void setPaperSize(PageSize size);
    void setPaperSize(PageSize size, Orientation orientation);
    void setPaperSize(const QString &name, const QSizeF &sizeMM);
    Orientation pageOrientation() const { return m_orientation; }
    void setOrientation(Orientation orientation);
    void swapOrientation();
    void adjustPageSize();

    static void setPaperSizeByName(const QString &name, Orientation orientation,
                                   PageSize &pageSizeId, QSizeF &sizeMM);
    static QString paperSizeToName(PageSize size);
    static void loadPageDataVector(QVector<PageData> &pageData);

    // Page geometry (mm)
    QSizeF pageSizeMM() const { return m_pageSize; }
    double pageWidthMM() const { return m_pageSize.width(); }
    void setPageWidthMM(double w) { m_pageSize.setWidth(w); }
    double pageHeightMM() const { return m_pageSize.height(); }
    void setPageHeightMM(double h) { m_pageSize.setHeight(h); }
    double topMarginMM() const { return m_topMargin; }
    void setTopMarginMM(double v) { m_topMargin = v; }
    double bottomMarginMM() const { return m_bottomMargin; }
    void setBottomMarginMM(double v) { m_bottomMargin = v; }
    double leftMarginMM() const { return m_leftMargin; }
    void setLeftMarginMM(double v) { m_leftMargin = v; }
    double rightMarginMM() const { return m_rightMargin; }
    void setRightMarginMM(double v) { m_rightMargin = v; }
    QSizeF purePageSize() const;

    // Report identity
    int reportType() const { return m_reportType; }
    void setReportType(int type) { m_reportType = type; }
    void setReportType(const QString &name);
    QString reportTypeName() const;
    QString reportName() const { return m_reportName; }
    void setReportName(const QString &name) { m_reportName = name; }

    // Columns and spacing (mm)
    int columnCount() const { return m_columnCount; }
    void setColumnCount(int n) { m_columnCount = n; }
    double columnWidth() const { return m_columnWidth; }
    void setColumnWidth(double w) { m_columnWidth = w; }
    double columnSpacing() const { return m_columnSpacing; }
    void setColumnSpacing(double s) { m_columnSpacing = s; }
    double zoneSpacing() const { return m_zoneSpacing; }
    void setZoneSpacing(double s) { m_zoneSpacing = s; }
    double sectionSpacing() const { return m_sectionSpacing; }
    void setSectionSpacing(double s) { m_sectionSpacing = s; }

    // Default font
    QFont defaultFont() const { return m_defaultFont; }
    void setDefaultFont(const QFont &font) { m_defaultFont = font; }
    void setDefaultFontFamily(const QString &family) { m_defaultFont.setFamily(family); }
    void setDefaultFontSize(int points) { m_defaultFont.setPointSize(points); }
    // Letters B, I, U, S for bold, italic, underline and strike-out.
    QString defaultFontStyle() const;
    void setDefaultFontStyle(const QString &style);

    QString encoding() const { return m_encoding; }
    void setEncoding(const QString &codecName) { m_encoding = codecName; }
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &color) { m_backColor = color; }

    // Languages: two-character codes run together, "00" for none.
    QString languages() const { return m_languages; }
    void setLanguages(const QString &languages);
    QString currentLanguage() const { return m_currentLanguage; }
    void setCurrentLanguage(const QString &language) { m_currentLanguage = language; }
    QString defaultLanguage() const { return m_languages.left(2); }
    bool isMultiLanguage() const { return m_languages != QLatin1String("00"); }
    int languageRole() const { return m_languageRole; }
    void setLanguageRole(int role) { m_languageRole = role; }

    // Run switches
    bool isDoublePassMode() const { return m_doublePassMode; }
    void setDoublePassMode(bool on) { m_doublePassMode = on; }
    bool zonesAreBreakable() const { return m_zonesAreBreakable; }
    void setZonesAreBreakable(bool on) { m_zonesAreBreakable = on; }
    bool subReportOnNewPage() const { return m_subReportOnNewPage; }
    void setSubReportOnNewPage(bool on) { m_subReportOnNewPage = on; }
    bool isDataTrimming() const { return m_dataTrimming; }
    void setDataTrimming(bool on) { m_dataTrimming = on; }
    bool updateOnlyCurrentDataSourceVariables() const { return m_updateOnlyCurrentDSVariables; }
    void setupdateOnlyCurrentDataSourceVariables(bool on) { m_updateOnlyCurrentDSVariables = on; }
    bool variableErrorAlert() const { return m_variableErrorAlert; }
    void setVariableErrorAlert(bool on) { m_variableErrorAlert = on; }

    // HTML output and application data
    QString htmlBodyStyle() const { return m_htmlBodyStyle; }
    void setHtmlBodyStyle(const QString &style) { m_htmlBodyStyle = style; }
    QString htmlHead() const { return m_htmlHead; }
    void setHtmlHead(const QString &head) { m_htmlHead = head; }
    QString customData() const { return m_customData; }
    void setCustomData(const QString &data) { m_customData = data; }

    // The "options" element of a report definition document.
    void read(TessarinXMLReader *reader);
    void write(TessarinXMLWriter *writer) const;

private:
    void applyPaper(Orientation previous);

    PageSize m_paperSize = QPagedPaintDevice::A4;
    Orientation m_orientation = QPrinter::Portrait;
    int m_reportType = 0;
    QString m_reportName;
    QSizeF m_pageSize{210, 297};
    double m_topMargin = 15;
    double m_bottomMargin = 15;
    double m_leftMargin = 20;
    double m_rightMargin = 20;
    int m_columnCount = 0;
    double m_columnWidth = 0;
    double m_columnSpacing = 0;
    QFont m_defaultFont;
    QString m_encoding{QStringLiteral("UTF-8")};
    QColor m_backColor{Qt::white};
    double m_zoneSpacing = 0;
    double m_sectionSpacing = 0;
    bool m_doublePassMode = false;
    QString m_languages{QStringLiteral("00")};
    QString m_currentLanguage{QStringLiteral("00")};
    int m_languageRole = 0;
    bool m_zonesAreBreakable = false;
    bool m_subReportOnNewPage = false;
    QString m_htmlBodyStyle{QStringLiteral("{DEFAULT}")};
    QString m_htmlHead;
    QString m_customData;
    bool m_dataTrimming = true;
    bool m_updateOnlyCurrentDSVariables = false;
    bool m_variableErrorAlert = false;
};

#endif // TESSARINPAGEOPTION_H
