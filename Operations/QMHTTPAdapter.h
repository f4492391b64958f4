#pragma once
// Tells whether an address uploaded earlier still answers, so that its upload record can be
// reused instead of sending the picture again.
//
//     if (QMHTTPAdapter::sharedAdapter().urlExist(record->imageURL()))
//         return record->imageURL();
//
// A HEAD request with a connect and an inactivity time-out; only a 2xx answer from that very
// address counts (a redirect is a missing picture). Blocks its thread; never on the main thread.

#include <QString>

class QMHTTPAdapter
{
public:
    static QMHTTPAdapter& sharedAdapter();

    bool urlExist(const QString& address) const;

    static constexpr int kTimeoutSeconds = 20;
};
