#include "DWKit/DWOperation/DWNSOperationQueueMonitor.h"

DWNSOperationQueueMonitor::DWNSOperationQueueMonitor() = default;

DWNSOperationQueueMonitor::~DWNSOperationQueueMonitor()
{
    while (!m_queues.empty())
        unregisterOperationQueue(m_queues.front().first);
}

void DWNSOperationQueueMonitor::registerOperationQueue(DWNSOperationQueue* queue)
{
    if (!queue)
        return;
    for (const auto& entry : m_queues) {
        if (entry.first == queue)
            return;
    }
    auto& center = dw::NotificationCenter::defaultCenter();
    std::vector<dw::NotificationCenter::Token> tokens;
    for (const char* name :
         {DWNSNotificationOperationQueueOperation_added, DWNSNotificationOperationQueueOperation_started,
          DWNSNotificationOperationQueueOperation_ended}) {
        tokens.push_back(center.addObserver(
            QLatin1String(name), queue, [this](const dw::Notification& n) { operationChangedState(n); }, this));
    }
    m_queues.emplace_back(queue, std::move(tokens));
}

void DWNSOperationQueueMonitor::unregisterOperationQueue(DWNSOperationQueue* queue)
{
    auto& center = dw::NotificationCenter::defaultCenter();
    std::erase_if(m_queues, [&](const auto& entry) {
        if (entry.first != queue)
            return false;
        for (auto token : entry.second)
            center.removeObserver(token);
        return true;
    });
}

QList<DWNSOperationQueue*> DWNSOperationQueueMonitor::queues() const
{
    QList<DWNSOperationQueue*> result;
    for (const auto& entry : m_queues)
        result.append(entry.first);
    return result;
}

QList<DWNSOperationPtr> DWNSOperationQueueMonitor::monitoredOperations() const
{
    QList<DWNSOperationPtr> result;
    for (const auto& entry : m_queues)
        result.append(entry.first->operations());
    return result;
}

void DWNSOperationQueueMonitor::operationChangedState(const dw::Notification& notification)
{
    const QVariant operation = notification.userInfo.value(QLatin1String(kDWNSUserInfoKeyOperation));
    if (operation.isValid())
        postOperationQueueMonitorChangedNotificationForOperation(operation.value<DWNSOperationPtr>());
}

void DWNSOperationQueueMonitor::postOperationQueueMonitorChangedNotificationForOperation(
    const DWNSOperationPtr& operation)
{
    dw::NotificationCenter::defaultCenter().post(
        QLatin1String(DWNSOperationQueueMonitor_changed), dw::NotificationObject::of(this),
        {{QLatin1String(kDWNSUserInfoKeyOperation), QVariant::fromValue(operation)}});
}
