#ifndef TESSARINITEMMODELDATASOURCE_H
#define TESSARINITEMMODELDATASOURCE_H

#include "tessarindatasource.h"

#include <QPointer>

class QAbstractItemModel;

// Rows of an application's item model: each model row at the root is a row,
// each model column a column, and the horizontal headers name the columns.
// Besides plain values it answers header data and any item data role, and by
// default offers the formatting roles (font, alignment, background,
// foreground) so that fields can take the model's appearance over. Opening
// and updating emit updateRequestFKey and then updateRequest, so that the
// application can refill the model first. After open() the cursor stands on
// the first row. The model stays the application's.
class TESSARIN2_EXPORT TessarinItemModelDataSource : public TessarinDataSource
{
    Q_OBJECT
public:
    explicit TessarinItemModelDataSource(QObject *parent = nullptr);
    ~TessarinItemModelDataSource() override;

    void setItemModel(QAbstractItemModel *model);
    QAbstractItemModel *itemModel() const;
    QString modelID() const { return m_modelID; }
    void setModelID(const QString &id) { m_modelID = id; }

public slots:
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    bool open() override;
    bool close() override;
    bool first() override;
    bool last() override;
    bool next() override;
    bool previous() override;
    bool hasNext() override;
    bool seek(int index) override;
    int size() const override { return rowCount(); }
    int rowCount() const override;
    int columnCount() const override;
    bool update() override;
    QVariant value(int column, bool *ok = nullptr, int role = -1) override;
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override;
    bool isValid() const override;
    void evaluate(TessarinEvaluator *evaluator) override;
    QString columnName(int i) const override;
    QString columnTitle(int i) override;
    QString columnToolTip(int i) override;
    QString rowTitle(int row) override;
    int columnIndexByName(const QString &name) const override;
    // True when a model is set; otherwise records why the source cannot run.
    virtual bool checkModel();

private:
    QVariant headerValue(int column, int role) const;

    // Guarded: an application may delete its model between runs.
    QPointer<QAbstractItemModel> m_model;
    QString m_modelID;
    QString m_evaluatedSpecification;
};

#endif // TESSARINITEMMODELDATASOURCE_H
