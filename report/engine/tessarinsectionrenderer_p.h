#ifndef TESSARINSECTIONRENDERER_P_H
#define TESSARINSECTIONRENDERER_P_H

#include <QList>
#include <QMap>
#include <QPointF>

class TessarinDirector;
class TessarinEvaluator;
class TessarinItem;
class TessarinOutput;
class TessarinSection;

// Places one section at the director's print position: the fit test, the
// layout of auto-height sections in zones, items that continue on the next
// page, painting, and the advance of the position. One renderer exists per
// placement, on the stack.
class TessarinSectionRenderer
{
public:
    TessarinSectionRenderer(TessarinDirector *director, TessarinSection *section);
    ~TessarinSectionRenderer();

    // Places the section without breaking the page (except inside breakable
    // zones). True when placed or skipped by rule; false when it did not fit.
    bool render();
    // Paints the page footer where the director put the position; false when
    // it reaches above the top margin.
    bool renderPageFooter();
    // Height of the last layout in millimetres.
    double sectionHeight() const { return m_height; }

private:
    struct Zone
    {
        int id = 0;
        double top = 0;
        double bottom = 0;
        bool visible = false;
        QList<TessarinItem *> items;
        double height() const { return bottom - top; }
    };

    bool fits(double height);
    bool roomFor(double height) const;
    bool renderFixed(bool fitTest);
    bool renderAutoHeight();
    void layoutZones();
    bool paintZone(const Zone &zone, double itemZoneHeight, bool lastZone);
    bool renderBreakableZones();
    bool canStartBreaking(const Zone &zone);
    bool breakZoneHere(Zone &zone, double &used);
    bool continueBrokenZone(Zone &zone);
    void prepareZoneItems(const Zone &zone, double itemZoneHeight);
    void paintItem(TessarinItem *item, const QPointF &origin);
    void paintAlternateBackground(double height);
    void clearLastParts(const Zone &zone);
    double sectionWidth() const;
    double itemTopInZone(const TessarinItem *item, const Zone &zone) const;
    bool atFreshPage() const;
    void failTooLarge();

    TessarinDirector *m_director;
    TessarinSection *m_section;
    TessarinOutput *m_output;
    TessarinEvaluator *m_evaluator;
    TessarinSection *m_previousEvaluatorSection;
    double m_height = 0;
    bool m_zonesBreakable = false;
    QMap<int, Zone> m_zones;
};

#endif // TESSARINSECTIONRENDERER_P_H
