#pragma once
// The progress strip over the document's preview: a white spinning wheel and a message line on
// a dark grey gradient. Main thread.
//
//     progress->setMessage(tr("Loading preview…"));
//     progress->startProgressAnimation();

#include "DWKit/widgets/QMColoredProgressIndicator.h"

#include <QLabel>
#include <QWidget>

class QMProgressView : public QWidget
{
    Q_OBJECT

public:
    explicit QMProgressView(QWidget* parent = nullptr);

    void startProgressAnimation();
    void stopProgressAnimation();

    bool isIndeterminate() const { return m_isIndeterminate; }
    void setIndeterminate(bool indeterminate);
    double progressValue() const { return m_progressValue; }
    void setProgressValue(double value);
    QString message() const { return m_message; }
    void setMessage(const QString& message);

    QMColoredProgressIndicator* progressIndicator() const { return m_progressIndicator; }
    QLabel* textField() const { return m_textField; }
    QWidget* containerView() const { return m_containerView; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_containerView = nullptr;
    QMColoredProgressIndicator* m_progressIndicator = nullptr;
    QLabel* m_textField = nullptr;
    bool m_isIndeterminate = true;
    double m_progressValue = 0;
    QString m_message;
};
