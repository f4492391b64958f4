#include "Operations/QMGetItemRecommendationsOperation.h"

#include "DWEBay2/types/EBayCategoryType.h"
#include "DWEBay2/types/EBayGetItemRecommendationsRequestType.h"
#include "DWEBay2/types/EBayGetItemRecommendationsResponseType.h"
#include "DWEBay2/types/EBayGetRecommendationsRequestContainerType.h"
#include "DWEBay2/types/EBayGetRecommendationsResponseContainerType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayNameRecommendationType.h"
#include "DWEBay2/types/EBayRecommendationsType.h"
#include "DWEBay2/types/EBayValueRecommendationType.h"
#include "model/QMEbayTimeManager.h"
#include "platform/core/Localization.h"

QMGetItemRecommendationsOperation::QMGetItemRecommendationsOperation(const QMEbayConnectorFactory& connectorFactory,
                                                                     const QVariantMap& itemInfo,
                                                                     const QString& accountID)
    : QMGenericAuctionItemOperation(connectorFactory, nullptr, itemInfo, accountID)
{}

QString QMGetItemRecommendationsOperation::name() const
{
    return dw::localized("Get Item Recommendations");
}

QString QMGetItemRecommendationsOperation::operationDescription() const
{
    return dw::localized("Getting recommendations for \u201c%@\u201d").replace(QLatin1String("%@"), itemTitle());
}

qint64 QMGetItemRecommendationsOperation::categoryID() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_categoryID;
}

void QMGetItemRecommendationsOperation::setCategoryID(qint64 categoryID)
{
    std::lock_guard lock(m_fieldsMutex);
    m_categoryID = categoryID;
}

QString QMGetItemRecommendationsOperation::endTime() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_endTime;
}

QVariantMap QMGetItemRecommendationsOperation::suggestedValues() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_suggestedValues;
}

void QMGetItemRecommendationsOperation::internalMain()
{
    auto entry = QMLogEntry::getItemRecommendationsLogEntryWithTemplateTitle(itemTitle());
    addLogEntry(entry);

    auto item = EBayItemType::itemType();
    item->setTitle(QStringLiteral("<![CDATA[") + itemTitle() + QStringLiteral("]]>"));
    auto category = EBayCategoryType::categoryType();
    category->setCategoryID(QString::number(categoryID()));
    item->setPrimaryCategory(category);
    auto container = EBayGetRecommendationsRequestContainerType::getRecommendationsRequestContainerType();
    container->setItem(item);
    container->addRecommendationEngine(QStringLiteral("ItemSpecifics"));
    auto request = EBayGetItemRecommendationsRequestType::getItemRecommendationsRequestType();
    request->addGetRecommendationsRequestContainer(container);

    const auto reply = sendRequestWithTokenUnlessCancelled(request, QStringLiteral("GetItemRecommendations"), entry);
    if (!reply)
        return;
    const auto response = responseFromData<EBayGetItemRecommendationsResponseType>(*reply, entry);
    if (!response)
        return;
    const auto& containers = response->getRecommendationsResponseContainers();
    if (response->ack() != QLatin1String("Success") || !containers || containers->isEmpty())
        return completeOperationWithFailedResponse(response, entry);

    QVariantMap suggestions;
    if (const auto recommendations = containers->first()->recommendations()) {
        if (const auto& names = recommendations->nameRecommendations()) {
            for (const auto& nameRecommendation : *names) {
                if (!nameRecommendation || nameRecommendation->name().isEmpty())
                    continue;
                QStringList values;
                if (const auto& valueRecommendations = nameRecommendation->valueRecommendations()) {
                    for (const auto& value : *valueRecommendations) {
                        if (value)
                            values.append(value->value());
                    }
                }
                suggestions.insert(nameRecommendation->name(), values);
            }
        }
    }
    {
        std::lock_guard lock(m_fieldsMutex);
        m_endTime = QMEbayTimeManager::sharedInstance().timeStringFromEBaySchemaDate(response->timestamp());
        m_suggestedValues = suggestions;
    }
    setSuccessStateForLogEntry(entry);
}
