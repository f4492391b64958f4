#include "model/QMResourceDecipherer.h"

#include "DWKit/QMLog.h"

#include "platform/core/Installable.h"

std::optional<QByteArray> QMResourceDecipherer::decipher(const QByteArray&, const QByteArray&)
{
    QMLogError("no decipherer for the enciphered resources in this program");
    return std::nullopt;
}

namespace {

dw::Installable<QMResourceDecipherer>& slot()
{
    static dw::Installable<QMResourceDecipherer> instance(std::make_shared<QMResourceDecipherer>());
    return instance;
}

} // namespace

std::shared_ptr<QMResourceDecipherer> QMResourceDecipherer::installed()
{
    return slot().installed();
}

void QMResourceDecipherer::install(std::shared_ptr<QMResourceDecipherer> decipherer)
{
    slot().install(std::move(decipherer));
}
