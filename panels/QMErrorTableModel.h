#pragma once
// The table of an error envelope's records in the upload progress panel: errors before warnings,
// each with its icon and level, its message, and whether the seller ignores it. Read-only; the
// ignore state is read again by refreshIgnoreState() after an ignore action. Main thread.
//
//     QMErrorTableModel errors;
//     errors.setErrorEnvelope(envelope->errorEnvelope());
//     table->setModel(&errors);

#include "model/QMErrorEnvelope.h"

#include <QAbstractTableModel>

class QTableView;
class QWidget;

class QMErrorTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { LevelColumn, MessageColumn, IgnoredColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setErrorEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope);
    const std::shared_ptr<QMErrorEnvelope>& errorEnvelope() const { return m_envelope; }
    // The records in the order shown.
    const QMErrorList& errors() const { return m_errors; }
    std::shared_ptr<QMError> errorAtRow(int row) const;
    void refreshIgnoreState();
    // A table view over this model as both error tables show it: whole rows, messages wrapped.
    QTableView* makeTableView(QWidget* parent);
    // The records of the view's selected rows, in the order shown.
    QMErrorList selectedErrors(const QTableView* view) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<QMErrorEnvelope> m_envelope;
    QMErrorList m_errors;
};
