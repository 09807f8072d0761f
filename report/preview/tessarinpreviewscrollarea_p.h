#ifndef TESSARINPREVIEWSCROLLAREA_P_H
#define TESSARINPREVIEWSCROLLAREA_P_H

#include <QScrollArea>

class TessarinPreviewWindow;

// The preview window's central widget. In the one- and two-page views it
// turns Page Down at the bottom and Page Up at the top into page changes,
// so that the keyboard reads through the report like a continuous view.
class TessarinPreviewScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit TessarinPreviewScrollArea(TessarinPreviewWindow *window);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    TessarinPreviewWindow *m_window;
};

#endif // TESSARINPREVIEWSCROLLAREA_P_H
