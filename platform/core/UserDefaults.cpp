#include "platform/core/UserDefaults.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <mutex>

namespace dw {

namespace {
std::mutex s_standardMutex;
std::unique_ptr<UserDefaults> s_standard;
} // namespace

UserDefaults::UserDefaults(const QString& filePath) : m_filePath(filePath)
{
    if (m_filePath.isEmpty() || !QFileInfo::exists(m_filePath))
        return;
    QString error;
    const auto stored = plist::readFile(m_filePath, &error);
    if (stored && stored->typeId() == QMetaType::QVariantMap) {
        m_persistent = stored->toMap();
        return;
    }
    // The first change would write a new file over it; every setting the user had is in there, so
    // it is kept under another name for whoever wants to recover it.
    const QString aside =
        m_filePath + QStringLiteral(".unreadable-") + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddHHmmsszzz");
    const bool keptAside = QFile::rename(m_filePath, aside);
    consoleWrite(QStringLiteral("Ignoring unreadable user defaults %1: %2%3")
                     .arg(m_filePath, error.isEmpty() ? QStringLiteral("not a dictionary") : error,
                          keptAside ? QStringLiteral("; kept as ") + aside : QString()));
}

UserDefaults::~UserDefaults()
{
    {
        std::lock_guard lock(m_soonMutex);
        m_soonStopping = true;
    }
    m_soonWake.notify_all();
    // A change still waiting for its write is written before the writer ends.
    if (m_soonWriter.joinable())
        m_soonWriter.join();
}

UserDefaults& UserDefaults::standard()
{
    std::lock_guard lock(s_standardMutex);
    if (!s_standard)
        s_standard = std::make_unique<UserDefaults>(paths::configFolder() + QStringLiteral("UserDefaults.plist"));
    return *s_standard;
}

void UserDefaults::resetStandard()
{
    std::lock_guard lock(s_standardMutex);
    s_standard.reset();
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    std::shared_lock lock(m_mutex);
    return valueLocked(key);
}

QVariant UserDefaults::valueLocked(const QString& key) const
{
    auto it = m_persistent.constFind(key);
    if (it != m_persistent.constEnd())
        return it.value();
    return m_registered.value(key);
}

bool UserDefaults::hasKey(const QString& key) const
{
    std::shared_lock lock(m_mutex);
    return m_persistent.contains(key) || m_registered.contains(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        return numberText(v.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toString();
    default:
        return QString();
    }
}

QStringList UserDefaults::stringArrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QStringList)
        return QStringList();
    QStringList result;
    for (const QVariant& element : v.toList()) {
        if (element.typeId() != QMetaType::QString)
            return QStringList();
        result << element.toString();
    }
    return result;
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QStringList)
        return QVariantList();
    return v.toList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QByteArray UserDefaults::dataForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::QString:
        return integerValue(v.toString());
    case QMetaType::Double:
        return qint64(v.toDouble());
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong();
    default:
        return 0;
    }
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString)
        return doubleValue(v.toString());
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QStringLiteral("YES"), Qt::CaseInsensitive) == 0 ||
            s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        return boolValue(s);
    }
    if (v.typeId() == QMetaType::Double)
        return v.toDouble() != 0.0;
    return v.toLongLong() != 0 || (v.typeId() == QMetaType::Bool && v.toBool());
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    quint64 generation = 0;
    {
        std::unique_lock lock(m_mutex);
        m_persistent.insert(key, value);
        generation = ++m_generation;
    }
    changed(key, generation);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    quint64 generation = 0;
    {
        std::unique_lock lock(m_mutex);
        if (m_persistent.remove(key) == 0)
            return;
        generation = ++m_generation;
    }
    changed(key, generation);
}

quint64 UserDefaults::changeLocked(const QString& key, const std::function<QVariant(const QVariant&)>& change,
                                   QVariant* value)
{
    std::unique_lock lock(m_mutex);
    *value = change(valueLocked(key));
    if (value->isValid())
        m_persistent.insert(key, *value);
    else if (m_persistent.remove(key) == 0)
        return 0; // nothing was written, nothing changes
    return ++m_generation;
}

QVariant UserDefaults::changeObject(const QString& key, const std::function<QVariant(const QVariant&)>& change)
{
    QVariant value;
    const quint64 generation = changeLocked(key, change, &value);
    if (generation != 0)
        changed(key, generation);
    return value;
}

QVariant UserDefaults::changeObjectWrittenSoon(const QString& key,
                                               const std::function<QVariant(const QVariant&)>& change)
{
    QVariant value;
    if (changeLocked(key, change, &value) == 0)
        return value;
    writeSoon();
    postChanged(key);
    return value;
}

void UserDefaults::changed(const QString& key, quint64 generation)
{
    QString error;
    if (!writeThrough(generation, false, &error))
        consoleWrite(QStringLiteral("Could not save user defaults: %1").arg(error));
    postChanged(key);
}

void UserDefaults::postChanged(const QString& key)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kUserDefaultsDidChangeNotification), {},
                                             {{QStringLiteral("key"), key}});
}

void UserDefaults::writeSoon()
{
    if (m_filePath.isEmpty())
        return;
    {
        std::lock_guard lock(m_soonMutex);
        m_soonPending = true;
        if (!m_soonWriter.joinable())
            m_soonWriter = std::thread([this] { soonWriterLoop(); });
    }
    m_soonWake.notify_all();
}

void UserDefaults::soonWriterLoop()
{
    std::unique_lock lock(m_soonMutex);
    for (;;) {
        m_soonWake.wait(lock, [this] { return m_soonPending || m_soonStopping; });
        if (!m_soonPending)
            return;
        // Changes made while this write runs are taken along or make the next one.
        m_soonPending = false;
        lock.unlock();
        quint64 generation = 0;
        {
            std::shared_lock values(m_mutex);
            generation = m_generation;
        }
        QString error;
        if (!writeThrough(generation, false, &error))
            consoleWrite(QStringLiteral("Could not save user defaults: %1").arg(error));
        lock.lock();
    }
}

bool UserDefaults::writeThrough(quint64 generation, bool forced, QString* error)
{
    if (m_filePath.isEmpty())
        return true;
    std::lock_guard writing(m_writeMutex);
    // A write that started after this change was made has taken it along.
    if (!forced && m_writtenGeneration >= generation)
        return true;
    QVariantMap values;
    quint64 taken = 0;
    {
        std::shared_lock lock(m_mutex);
        values = m_persistent;
        taken = m_generation;
    }
    // Readers go on meanwhile: the disk is waited for outside the values' lock.
    if (!plist::writeFile(m_filePath, values, plist::Format::Xml, error))
        return false;
    m_writtenGeneration = taken;
    return true;
}

void UserDefaults::registerDefaults(const QVariantMap& values)
{
    std::unique_lock lock(m_mutex);
    // The first registration, made at every start, shares the map instead of copying it entry by entry.
    if (m_registered.isEmpty()) {
        m_registered = values;
        return;
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::registerDefaultsFromFile(const QString& path)
{
    QString error;
    const auto value = plist::readFile(path, &error);
    if (!value || value->typeId() != QMetaType::QVariantMap) {
        consoleWrite(QStringLiteral("Could not register defaults from %1: %2")
                         .arg(path, error.isEmpty() ? QStringLiteral("not a dictionary") : error));
        return false;
    }
    registerDefaults(value->toMap());
    return true;
}

QVariantMap UserDefaults::dictionaryRepresentation() const
{
    std::shared_lock lock(m_mutex);
    QVariantMap merged = m_registered;
    for (auto it = m_persistent.constBegin(); it != m_persistent.constEnd(); ++it)
        merged.insert(it.key(), it.value());
    return merged;
}

QVariantMap UserDefaults::persistentValues() const
{
    std::shared_lock lock(m_mutex);
    return m_persistent;
}

QString UserDefaults::filePath() const
{
    return m_filePath;
}

bool UserDefaults::synchronize()
{
    QString error;
    const bool ok = writeThrough(0, true, &error);
    if (!ok)
        consoleWrite(QStringLiteral("Could not save user defaults: %1").arg(error));
    return ok;
}

} // namespace dw
