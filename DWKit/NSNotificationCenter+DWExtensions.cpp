#include "DWKit/NSNotificationCenter+DWExtensions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <exception>

namespace dw {

namespace {

// A relay that nobody waits for runs from the event loop, where an exception would end the
// program: an observer that fails is reported and the loop goes on.
void deliverDetached(NotificationCenter& center, const Notification& notification)
{
    try {
        center.post(notification);
    } catch (const std::exception& e) {
        consoleWrite(
            QStringLiteral("*** observer of %1 failed: %2").arg(notification.name, QString::fromUtf8(e.what())));
    }
}

} // namespace

void postNotificationNameToMainThread(NotificationCenter& center, const QString& name, const NotificationObject& object,
                                      const QVariantMap& userInfo)
{
    postNotificationNameToMainThread(center, name, object, userInfo, true, 0.0);
}

void postNotificationNameToMainThread(NotificationCenter& center, const QString& name, const NotificationObject& object,
                                      const QVariantMap& userInfo, bool waitUntilDone)
{
    postNotificationNameToMainThread(center, name, object, userInfo, waitUntilDone, 0.0);
}

void postNotificationNameToMainThread(NotificationCenter& center, const QString& name, const NotificationObject& object,
                                      const QVariantMap& userInfo, bool waitUntilDone, double afterTimeInterval)
{
    DW_PARAMETER_ASSERT(!name.isEmpty());
    Notification notification{name, object, userInfo};
    if (afterTimeInterval > 0) {
        const int milliseconds = int(std::min(std::round(afterTimeInterval * 1000.0), double(INT_MAX)));
        postToMain([&center, notification = std::move(notification), milliseconds] {
            QTimer::singleShot(milliseconds, QCoreApplication::instance(),
                               [&center, notification] { deliverDetached(center, notification); });
        });
        return;
    }
    if (waitUntilDone) {
        runOnMainAndWait([&] { center.post(notification); });
        return;
    }
    postToMain([&center, notification = std::move(notification)] { deliverDetached(center, notification); });
}

} // namespace dw
