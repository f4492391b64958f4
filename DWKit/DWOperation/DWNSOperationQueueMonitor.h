#pragma once
// Watches any number of operation queues and reports every change of any of them as one
// notification, DWNSOperationQueueMonitor_changed, with the operation under "operation".
//
// It listens to the queues' added, started and ended notifications, which arrive on the main
// thread, and posts its own at once on that thread.
//
//     DWNSOperationQueueMonitor monitor;
//     monitor.registerOperationQueue(&envelopeQueue);
//     monitor.registerOperationQueue(&serialQueue);
//     ... observe DWNSOperationQueueMonitor_changed, then read monitor.monitoredOperations() ...
//
// Main thread. The queues must outlive their registration; the monitor stops watching when it goes.

#include "DWKit/DWOperation/DWNSOperationQueue.h"

#include "platform/core/NotificationCenter.h"

#include <QList>
#include <map>
#include <vector>

inline constexpr const char* DWNSOperationQueueMonitor_changed = "DWNSOperationQueueMonitor_changed";

class DWNSOperationQueueMonitor
{
public:
    DWNSOperationQueueMonitor();
    ~DWNSOperationQueueMonitor();
    DWNSOperationQueueMonitor(const DWNSOperationQueueMonitor&) = delete;
    DWNSOperationQueueMonitor& operator=(const DWNSOperationQueueMonitor&) = delete;

    // Null: nothing. A queue registered twice is watched once.
    void registerOperationQueue(DWNSOperationQueue* queue);
    void unregisterOperationQueue(DWNSOperationQueue* queue);
    QList<DWNSOperationQueue*> queues() const;

    // The current operations of every watched queue, queue after queue in the order registered.
    QList<DWNSOperationPtr> monitoredOperations() const;

    void postOperationQueueMonitorChangedNotificationForOperation(const DWNSOperationPtr& operation);

private:
    void operationChangedState(const dw::Notification& notification);

    std::vector<std::pair<DWNSOperationQueue*, std::vector<dw::NotificationCenter::Token>>> m_queues;
};
