#pragma once
// The listing as the in-place editing preview merges it: a copy of the real listing whose title
// and subtitle are editable elements with fixed IDs, whose empty description reads as filler
// text, and whose pictures end with a drop-zone marker on which the seller drops new pictures.
//
// The copy shares the very picture objects of the real listing (takeValuesFromItem() shares
// objects), so what the preview shows of a picture is the real picture. The real listing is
// never changed. Main thread.
//
//     auto proxy = QMWebEditingProxyEbayItem::itemWithRealItem(item);
//     proxy->valueForKey(QStringLiteral("title"));   // <span id="qm_htmlediting_title_design" ...>

#include "model/QMEbayItem.h"

#include <memory>

class QMWebEditingProxyEbayItem : public QMEbayItem
{
    Q_OBJECT

public:
    explicit QMWebEditingProxyEbayItem(std::shared_ptr<QMEbayItem> realItem);
    static std::shared_ptr<QMWebEditingProxyEbayItem> itemWithRealItem(std::shared_ptr<QMEbayItem> realItem);

    const std::shared_ptr<QMEbayItem>& realItem() const { return m_realItem; }

    // Title and subtitle as editable elements; every other key as the copied listing answers it.
    QVariant valueForKey(const QString& key) const override;
    QString editableTitle() const;
    QString editableSubTitle() const;

    // "<span id=ID style=defaultStyle()>text as HTML</span>", the placeholder for an empty text.
    static QString textFieldStyledStringFromString(const QString& text, const QString& identifier,
                                                   const QString& placeholder);
    static QString defaultStyle();

    // The picture that marks the drop zone, and the filler of an empty description; one each for
    // the process.
    static std::shared_ptr<QMEbayImage> dropZoneMarkerImage();
    static const dw::StyledText& fillerDescription();

private:
    std::shared_ptr<QMEbayItem> m_realItem;
};
