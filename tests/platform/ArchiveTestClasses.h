#pragma once
// Two small archivable classes that stand in for the model's: a record with every kind of field,
// and a media object that records share.

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QDateTime>

class TestMedia : public dw::ArchivedObject
{
public:
    QString url;
    QString type;

    QStringList archiveClassChain() const override { return {QStringLiteral("TestMedia"), QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override
    {
        coder.encodeObject(url, QStringLiteral("url"));
        coder.encodeObject(type, QStringLiteral("type"));
    }
    static dw::ArchivedObjectPtr initWithCoder(dw::KeyedUnarchiver& coder)
    {
        auto media = std::make_shared<TestMedia>();
        media->url = coder.decodeObjectForKey(QStringLiteral("url")).toString();
        media->type = coder.decodeObjectForKey(QStringLiteral("type")).toString();
        return media;
    }
};

class TestRecord : public dw::ArchivedObject
{
public:
    QString title;
    bool flag = false;
    int quantity = 0;
    qint64 big = 0;
    double price = 0;
    float ratio = 0;
    QDateTime timestamp;
    QByteArray bytes;
    QVariantList list;
    QVariantMap attributes;
    std::shared_ptr<TestMedia> media;
    std::shared_ptr<TestMedia> sameMedia;
    std::shared_ptr<TestRecord> child;

    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("TestRecord"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override
    {
        coder.encodeObject(title, QStringLiteral("title"));
        coder.encodeBool(flag, QStringLiteral("flag"));
        coder.encodeInt(quantity, QStringLiteral("quantity"));
        coder.encodeInt64(big, QStringLiteral("big"));
        coder.encodeDouble(price, QStringLiteral("price"));
        coder.encodeFloat(ratio, QStringLiteral("ratio"));
        coder.encodeObject(timestamp, QStringLiteral("timestamp"));
        coder.encodeObject(bytes, QStringLiteral("bytes"));
        coder.encodeObject(list, QStringLiteral("list"));
        coder.encodeObject(attributes, QStringLiteral("attributes"));
        coder.encodeObject(media, QStringLiteral("media"));
        coder.encodeObject(sameMedia, QStringLiteral("sameMedia"));
        coder.encodeObject(child, QStringLiteral("child"));
    }
    static dw::ArchivedObjectPtr initWithCoder(dw::KeyedUnarchiver& coder)
    {
        auto record = std::make_shared<TestRecord>();
        record->title = coder.decodeObjectForKey(QStringLiteral("title")).toString();
        record->flag = coder.decodeBoolForKey(QStringLiteral("flag"));
        record->quantity = coder.decodeIntForKey(QStringLiteral("quantity"));
        record->big = coder.decodeInt64ForKey(QStringLiteral("big"));
        record->price = coder.decodeDoubleForKey(QStringLiteral("price"));
        record->ratio = coder.decodeFloatForKey(QStringLiteral("ratio"));
        record->timestamp = coder.decodeObjectForKey(QStringLiteral("timestamp")).toDateTime();
        record->bytes = coder.decodeObjectForKey(QStringLiteral("bytes")).toByteArray();
        record->list = coder.decodeObjectForKey(QStringLiteral("list")).toList();
        record->attributes = coder.decodeObjectForKey(QStringLiteral("attributes")).toMap();
        record->media = coder.decodeObjectOfClassForKey<TestMedia>(QStringLiteral("media"));
        record->sameMedia = coder.decodeObjectOfClassForKey<TestMedia>(QStringLiteral("sameMedia"));
        record->child = coder.decodeObjectOfClassForKey<TestRecord>(QStringLiteral("child"));
        return record;
    }
};

// Registers both classes for the lifetime of a test.
class ScopedTestClasses
{
public:
    ScopedTestClasses()
    {
        dw::KeyedUnarchiver::registerClass(QStringLiteral("TestMedia"), &TestMedia::initWithCoder);
        dw::KeyedUnarchiver::registerClass(QStringLiteral("TestRecord"), &TestRecord::initWithCoder);
    }
    ~ScopedTestClasses()
    {
        dw::KeyedUnarchiver::unregisterClass(QStringLiteral("TestMedia"));
        dw::KeyedUnarchiver::unregisterClass(QStringLiteral("TestRecord"));
    }
};
