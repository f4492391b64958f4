#pragma once
// What the animated progress view asks of each item it shows: a picture, a status from 0 to 6
// (0 waiting, 1 verifying, 2 uploading pictures, 3 adding, 4 finished, 5 stopped on warnings,
// 6 failed) and a unique, non-empty identifier. Items announce their changes, so that the list
// model that holds them can tell the view. Main thread.
//
//     class UploadItem : public QMProgressAnimationItemProtocol {
//         void setStatus(uint s) { m_status = s; Q_EMIT statusChanged(); }
//         ...
//     };

#include <QImage>
#include <QObject>
#include <QString>

class QMProgressAnimationItemProtocol : public QObject
{
    Q_OBJECT

public:
    // The roles under which a list model hands the items' values to the view.
    enum Role {
        ImageRole = Qt::DecorationRole,
        UuidRole = Qt::UserRole + 1,
        StatusRole,
    };

    using QObject::QObject;

    virtual QImage image() const = 0;
    virtual uint status() const = 0;
    virtual QString uuid() const = 0;

Q_SIGNALS:
    void statusChanged();
    void imageChanged();
};
