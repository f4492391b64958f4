#pragma once
// A string-named notification centre, the stand-in of the platform's default centre.
//
// Observers register for a name (or every name, with an empty name) and optionally for one
// sender; post() calls every matching observer synchronously on the posting thread, in the order
// they registered. Carrying a notification to the main thread is the relay's job, not the
// centre's. Observers may add or remove observers (themselves included) while being called; an
// observer removed during a post is not called afterwards. Thread-safe.
//
//     auto token = dw::NotificationCenter::defaultCenter().addObserver(
//         kQMLogManagerEntitiesChangedNotification, nullptr, [](const dw::Notification& n) { ... });
//     dw::NotificationCenter::defaultCenter().post(name, dw::NotificationObject::of(this), {{"key", 1}});
//     dw::NotificationCenter::defaultCenter().removeObserver(token);

#include <QString>
#include <QVariantMap>
#include <any>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace dw {

// The sender of a notification: an identity for filtering and, optionally, the object itself.
struct NotificationObject
{
    const void* identity = nullptr;
    std::any value;

    NotificationObject() = default;
    template<class T>
    static NotificationObject of(const std::shared_ptr<T>& object)
    {
        return NotificationObject{static_cast<const void*>(object.get()), object};
    }
    template<class T>
    static NotificationObject of(T* object)
    {
        return NotificationObject{static_cast<const void*>(object), object};
    }
    bool isNull() const { return identity == nullptr; }

    // The object as posted (a std::shared_ptr<T> or a T*), or nullptr when it is of another type.
    template<class T>
    std::shared_ptr<T> shared() const
    {
        if (auto p = std::any_cast<std::shared_ptr<T>>(&value))
            return *p;
        return nullptr;
    }
    template<class T>
    T* pointer() const
    {
        if (auto p = std::any_cast<T*>(&value))
            return *p;
        if (auto p = std::any_cast<std::shared_ptr<T>>(&value))
            return p->get();
        return nullptr;
    }

private:
    NotificationObject(const void* id, std::any v) : identity(id), value(std::move(v)) {}
};

struct Notification
{
    QString name;
    NotificationObject object;
    QVariantMap userInfo;
};

class NotificationCenter
{
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = quint64;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // `name` empty: every notification. `sender` null: from any sender. `owner` groups
    // registrations so that removeObserversOwnedBy(owner) drops them all at once.
    Token addObserver(const QString& name, const void* sender, Observer observer, const void* owner = nullptr);
    void removeObserver(Token token);
    void removeObserversOwnedBy(const void* owner);

    void post(const QString& name, const NotificationObject& object = {}, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

    // Drops every registration; tests call it between cases.
    void removeAllObservers();

private:
    struct Registration;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Registration>> m_registrations;
    Token m_nextToken = 1;
};

// Removes its registration when it goes: for observers whose lifetime is a C++ scope.
class ScopedObservation
{
public:
    ScopedObservation() = default;
    ScopedObservation(NotificationCenter& center, NotificationCenter::Token token) : m_center(&center), m_token(token)
    {}
    ScopedObservation(ScopedObservation&& other) noexcept { *this = std::move(other); }
    ScopedObservation& operator=(ScopedObservation&& other) noexcept;
    ~ScopedObservation() { reset(); }
    void reset();

private:
    NotificationCenter* m_center = nullptr;
    NotificationCenter::Token m_token = 0;
};

} // namespace dw
