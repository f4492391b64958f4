#include "platform/core/ValueTransformer.h"

#include <QHash>
#include <mutex>

namespace dw {

namespace {

std::mutex s_mutex;

QHash<QString, std::shared_ptr<ValueTransformer>>& registry()
{
    static QHash<QString, std::shared_ptr<ValueTransformer>> transformers;
    return transformers;
}

} // namespace

void ValueTransformer::setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString& name)
{
    std::lock_guard lock(s_mutex);
    if (transformer)
        registry().insert(name, std::move(transformer));
    else
        registry().remove(name);
}

std::shared_ptr<ValueTransformer> ValueTransformer::valueTransformerForName(const QString& name)
{
    std::lock_guard lock(s_mutex);
    return registry().value(name);
}

} // namespace dw
