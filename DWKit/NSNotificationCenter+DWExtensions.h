#pragma once
// The relay that carries notifications from any thread to the main thread.
//
// A worker posts here; the notification is posted again on the main thread on the same centre,
// so every observer runs on the main thread and needs no lock. Relays reach the observers in the
// order they were queued, from whichever thread and whether or not the poster waits. A post that
// waits returns when every observer has returned (at once, inside the call, when it is made on
// the main thread); one that does not wait returns at once and is delivered on a later turn of
// the main event loop. A worker that the main thread is waiting for must not wait here: the
// relay cannot run until the main thread is free. A notification that is not waited for outlives
// the call: its object should be a std::shared_ptr, which the relay keeps alive until delivery; a
// raw pointer must stay valid until then (an operation that ends and is freed at once would leave
// the observers a dangling one). Any thread; needs a running application.
//
//     dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(),
//         QStringLiteral("GenericEbayNSOperationTaskNameChanged"), dw::NotificationObject::of(self), {});

#include "platform/core/NotificationCenter.h"

namespace dw {

// Waits until delivered.
void postNotificationNameToMainThread(NotificationCenter& center, const QString& name,
                                      const NotificationObject& object = {}, const QVariantMap& userInfo = {});
void postNotificationNameToMainThread(NotificationCenter& center, const QString& name, const NotificationObject& object,
                                      const QVariantMap& userInfo, bool waitUntilDone);
// With a delay above 0 s the notification is delivered that long after it reached the main
// thread, and the call never waits. An empty name is a caller error (DW_ASSERT).
void postNotificationNameToMainThread(NotificationCenter& center, const QString& name, const NotificationObject& object,
                                      const QVariantMap& userInfo, bool waitUntilDone, double afterTimeInterval);

} // namespace dw
