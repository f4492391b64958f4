#pragma once
// The user defaults: the program's settings, the stand-in of the platform's standard defaults.
//
// Two layers: values written by the program (persistent, an XML property list in
// $XDG_CONFIG_HOME/QuillmartVodar/UserDefaults.plist) over registered values (from "defaults.plist"
// and "localized_defaults.plist" at start). A read answers the written value, else the registered
// one, else nil. Every write goes to disk at once (one made through changeObjectWrittenSoon() soon
// after), atomically; a failed write keeps the value in memory, keeps the old file and logs; a file
// that cannot be read at start is renamed "<file>.unreadable-<time>" (and logged) before anything
// could replace it. Reads are safe from any thread and never wait for the disk: a change is made in
// memory and then written outside the lock that reads take, and changes made at once on several
// threads go to disk together in one write. The program writes from the main thread; upload threads
// change the picture counter through changeObjectWrittenSoon(), whose write a thread of the
// defaults makes soon after, so that an upload does not wait for the disk. A change posts
// "NSUserDefaultsDidChangeNotification" with {"key": key} on the writing thread.
//
//     auto& defaults = dw::UserDefaults::standard();
//     defaults.registerDefaults({{"logLevel", 0}});
//     defaults.setObject(2, "logLevel");
//     int level = defaults.integerForKey("logLevel");

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace dw {

inline constexpr const char* kUserDefaultsDidChangeNotification = "NSUserDefaultsDidChangeNotification";

class UserDefaults
{
public:
    // `filePath` empty: in memory only.
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The process's defaults, stored under the config folder of dw::paths.
    static UserDefaults& standard();
    // Drops the standard instance so that the next standard() reads the file again (tests,
    // after they redirect the XDG folders).
    static void resetStandard();

    QVariant objectForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;          // numbers are given as text
    QStringList stringArrayForKey(const QString& key) const; // nil unless every element is text
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const; // text is read as Cocoa's integerValue
    double doubleForKey(const QString& key) const;
    bool boolForKey(const QString& key) const; // "YES", "true", "1" count as true
    bool hasKey(const QString& key) const;     // written or registered

    // An invalid QVariant removes the written value.
    void setObject(const QVariant& value, const QString& key);
    void setInteger(qint64 value, const QString& key) { setObject(QVariant(qlonglong(value)), key); }
    void setBool(bool value, const QString& key) { setObject(QVariant(value), key); }
    void setDouble(double value, const QString& key) { setObject(QVariant(value), key); }
    void removeObjectForKey(const QString& key);
    // Replaces the value with change(current value), read and written as one step, so that
    // threads changing one key at once never lose a change; an invalid result removes the written
    // value. Answers the new value.
    QVariant changeObject(const QString& key, const std::function<QVariant(const QVariant& current)>& change);
    // As changeObject(), for a value whose last changes may be lost in a crash (a counter that only
    // has to differ within a run): the caller does not wait for the disk, a writer thread of these
    // defaults writes the change soon after, and synchronize() or the end of the defaults at the
    // latest.
    QVariant changeObjectWrittenSoon(const QString& key,
                                     const std::function<QVariant(const QVariant& current)>& change);

    // Registered values never reach the file; a later registration of a key replaces the earlier.
    void registerDefaults(const QVariantMap& values);
    // Registers the dictionary stored in a property-list file; false (and a log line) when the
    // file is missing or not a dictionary.
    bool registerDefaultsFromFile(const QString& path);

    // Written values merged over registered ones.
    QVariantMap dictionaryRepresentation() const;
    QVariantMap persistentValues() const;
    QString filePath() const;

    // Writes the persistent values now; false when the write failed.
    bool synchronize();

private:
    QVariant valueLocked(const QString& key) const;
    // Brings the file up to at least `generation` of the persistent values (forced: writes
    // anyway); false when the write failed.
    bool writeThrough(quint64 generation, bool forced, QString* error);
    void changed(const QString& key, quint64 generation);
    // Made under m_mutex; the generation of the change, 0 when nothing changed.
    quint64 changeLocked(const QString& key, const std::function<QVariant(const QVariant&)>& change, QVariant* value);
    void postChanged(const QString& key);
    void writeSoon();
    void soonWriterLoop();

    QString m_filePath;
    mutable std::shared_mutex m_mutex; // the values and m_generation
    QVariantMap m_registered;
    QVariantMap m_persistent;
    quint64 m_generation = 0; // counts changes of m_persistent
    std::mutex m_writeMutex;  // one write at a time, and m_writtenGeneration
    quint64 m_writtenGeneration = 0;

    std::mutex m_soonMutex; // the three below
    std::condition_variable m_soonWake;
    bool m_soonPending = false;
    bool m_soonStopping = false;
    std::thread m_soonWriter; // started with the first change written soon
};

} // namespace dw
