#ifndef TESSARINPREVIEWPAGECONTAINER_H
#define TESSARINPREVIEWPAGECONTAINER_H

#include "tessaringlobal.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class TessarinPreviewOutput;
class TessarinPreviewPage;

// Places the page widgets of a preview: one page, two pages side by side or
// all pages one under another, inside fixed margins.
class TESSARIN2_EXPORT TessarinPreviewPageContainer : public QWidget
{
    Q_OBJECT
public:
    enum ShowType { OnePage = 0, TwoPages = 1, Continuous = 2 };
    Q_ENUM(ShowType)

    static constexpr int MarginLeft = 20;
    static constexpr int MarginRight = 20;
    static constexpr int MarginTop = 10;
    static constexpr int MarginBottom = 10;
    static constexpr int Spacing = 10;

    explicit TessarinPreviewPageContainer(QWidget *parent = nullptr);
    ~TessarinPreviewPageContainer() override;

    // The output stays its owner's; the container only reads its pages.
    void setOutput(TessarinPreviewOutput *output);
    TessarinPreviewOutput *output() const;
    int pageCount() const;

    void setShowType(ShowType type);
    ShowType showType() const { return m_showType; }

    void setScaleFactor(double factor);
    double scaleFactor() const { return m_scaleFactor; }

    // One and two pages: shows page n (1-based) and, for two pages, n + 1.
    // Continuous view holds every page already.
    void loadPage(int page);
    int loadedPage() const { return m_loadedPage; }

    QList<TessarinPreviewPage *> pageWidgets() const { return m_pages; }
    // The widget showing page n (1-based), or null when it is not shown.
    TessarinPreviewPage *widgetOfPage(int page) const;

    // Places the page widgets and sizes the container around them.
    void relayout();

private:
    void rebuildWidgets();
    void fillWidget(TessarinPreviewPage *widget, int page);

    QPointer<TessarinPreviewOutput> m_output;
    ShowType m_showType = OnePage;
    double m_scaleFactor = 1.0;
    QList<TessarinPreviewPage *> m_pages;
    int m_loadedPage = 1;
};

#endif // TESSARINPREVIEWPAGECONTAINER_H
