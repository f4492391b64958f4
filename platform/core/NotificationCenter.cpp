#include "platform/core/NotificationCenter.h"

#include <atomic>

namespace dw {

struct NotificationCenter::Registration
{
    Token token;
    QString name;
    const void* sender;
    const void* owner;
    Observer observer;
    std::atomic<bool> active{true};
};

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, const void* sender, Observer observer,
                                                          const void* owner)
{
    auto registration = std::make_shared<Registration>();
    registration->name = name;
    registration->sender = sender;
    registration->owner = owner;
    registration->observer = std::move(observer);
    std::lock_guard lock(m_mutex);
    registration->token = m_nextToken++;
    m_registrations.push_back(registration);
    return registration->token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_registrations, [token](const std::shared_ptr<Registration>& r) {
        if (r->token != token)
            return false;
        r->active = false;
        return true;
    });
}

void NotificationCenter::removeObserversOwnedBy(const void* owner)
{
    if (!owner)
        return;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_registrations, [owner](const std::shared_ptr<Registration>& r) {
        if (r->owner != owner)
            return false;
        r->active = false;
        return true;
    });
}

void NotificationCenter::removeAllObservers()
{
    std::lock_guard lock(m_mutex);
    for (auto& r : m_registrations)
        r->active = false;
    m_registrations.clear();
}

void NotificationCenter::post(const QString& name, const NotificationObject& object, const QVariantMap& userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Registration>> matching;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& r : m_registrations) {
            if (!r->name.isEmpty() && r->name != notification.name)
                continue;
            if (r->sender && r->sender != notification.object.identity)
                continue;
            matching.push_back(r);
        }
    }
    for (const auto& r : matching) {
        if (r->active)
            r->observer(notification);
    }
}

ScopedObservation& ScopedObservation::operator=(ScopedObservation&& other) noexcept
{
    if (this != &other) {
        reset();
        m_center = other.m_center;
        m_token = other.m_token;
        other.m_center = nullptr;
        other.m_token = 0;
    }
    return *this;
}

void ScopedObservation::reset()
{
    if (m_center && m_token)
        m_center->removeObserver(m_token);
    m_center = nullptr;
    m_token = 0;
}

} // namespace dw
