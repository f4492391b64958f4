#pragma once
// The view that one add-item envelope puts into the upload progress panel's stack: it holds the
// envelope's view controller (and through it the envelope) for as long as it stays in the stack,
// and is 0 points high while there is nothing to report. Its content follows its width. Main thread.

#include <QWidget>

class QMAddItemOperationEnvelopeViewController;

class QMAddItemOperationEnvelopeView : public QWidget
{
    Q_OBJECT

public:
    explicit QMAddItemOperationEnvelopeView(QWidget* parent = nullptr);
    ~QMAddItemOperationEnvelopeView() override;

    QMAddItemOperationEnvelopeViewController* controller() const { return m_controller; }
    // Takes ownership: the controller goes with the view.
    void setController(QMAddItemOperationEnvelopeViewController* controller);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QMAddItemOperationEnvelopeViewController* m_controller = nullptr;
};
