// Reading an eBay reply into the generated types and writing it again, side by side with a plain
// pugixml parse and walk of the same document and pugixml's own save of it (both writing UTF-8
// bytes). The reply is a synthetic GetSellerList page of about 20 MB: items with nested prices,
// listing details, shipping options, pictures and item specifics, as a seller's full inventory
// download returns.
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayGetSellerListResponseType.h"
#include "DWEBay2/types/EBayItemArrayType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBaySellingStatusType.h"

#include "support/BenchRatios.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <malloc.h>
#include <string>

namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

QByteArray item(int n)
{
    const QByteArray id = QByteArray::number(110089000000LL + n);
    const QByteArray price = QByteArray::number(n % 500) + "." + QByteArray::number(10 + n % 90);
    QByteArray xml;
    xml += "<Item><AutoPay>false</AutoPay><BuyItNowPrice currencyID=\"USD\">0.0</BuyItNowPrice>"
           "<Country>US</Country><Currency>USD</Currency>"
           "<Description>&lt;div class=&quot;listing&quot;&gt;&lt;h1&gt;Vintage camera no. " +
           QByteArray::number(n) +
           "&lt;/h1&gt;&lt;p&gt;Fully working, lens clean &amp; clear. Shipped in the original box, "
           "with strap, cap and manual. Caf\xc3\xa9 edition \xe2\x82\xac 20 \xe2\x80\x93 see pictures.&lt;/p&gt;"
           "&lt;ul&gt;&lt;li&gt;Body: metal&lt;/li&gt;&lt;li&gt;Shutter: 1/1000&lt;/li&gt;&lt;/ul&gt;&lt;/div&gt;"
           "</Description>"
           "<ItemID>" +
           id +
           "</ItemID>"
           "<ListingDetails><Adult>false</Adult><BindingAuction>false</BindingAuction>"
           "<CheckoutEnabled>true</CheckoutEnabled>"
           "<ConvertedBuyItNowPrice currencyID=\"USD\">0.0</ConvertedBuyItNowPrice>"
           "<ConvertedStartPrice currencyID=\"USD\">" +
           price +
           "</ConvertedStartPrice>"
           "<HasReservePrice>false</HasReservePrice>"
           "<StartTime>2011-11-21T19:26:50.965Z</StartTime><EndTime>2011-11-28T19:26:50.965Z</EndTime>"
           "<ViewItemURL>http://cgi.sandbox.ebay.com/ws/eBayISAPI.dll?ViewItem&amp;item=" +
           id +
           "</ViewItemURL>"
           "<HasUnansweredQuestions>false</HasUnansweredQuestions><HasPublicMessages>false</HasPublicMessages>"
           "<ViewItemURLForNaturalSearch>http://cgi.sandbox.ebay.com/Vintage-camera?item=" +
           id +
           "</ViewItemURLForNaturalSearch></ListingDetails>"
           "<ListingDuration>Days_7</ListingDuration><ListingType>FixedPriceItem</ListingType>"
           "<Location>San Jose, CA</Location>"
           "<PrimaryCategory><CategoryID>15230</CategoryID>"
           "<CategoryName>Cameras &amp; Photo:Film Photography:Film Cameras</CategoryName></PrimaryCategory>"
           "<PrivateListing>false</PrivateListing><Quantity>" +
           QByteArray::number(1 + n % 9) +
           "</Quantity>"
           "<ReservePrice currencyID=\"USD\">0.0</ReservePrice><ReviseStatus><ItemRevised>false</ItemRevised>"
           "</ReviseStatus>"
           "<Seller><AboutMePage>false</AboutMePage><Email>seller@example.com</Email>"
           "<FeedbackScore>1204</FeedbackScore><PositiveFeedbackPercent>99.8</PositiveFeedbackPercent>"
           "<FeedbackPrivate>false</FeedbackPrivate><FeedbackRatingStar>Turquoise</FeedbackRatingStar>"
           "<IDVerified>false</IDVerified><eBayGoodStanding>true</eBayGoodStanding><NewUser>false</NewUser>"
           "<RegistrationDate>2004-04-01T07:00:00.000Z</RegistrationDate><Site>US</Site>"
           "<Status>Confirmed</Status><UserID>camera_seller</UserID><UserIDChanged>false</UserIDChanged>"
           "<VATStatus>NoVATTax</VATStatus><SellerInfo><AllowPaymentEdit>true</AllowPaymentEdit>"
           "<CheckoutEnabled>true</CheckoutEnabled><CIPBankAccountStored>false</CIPBankAccountStored>"
           "<GoodStanding>true</GoodStanding><QualifiesForB2BVAT>false</QualifiesForB2BVAT>"
           "<SellerLevel>None</SellerLevel><StoreOwner>false</StoreOwner></SellerInfo></Seller>"
           "<SellingStatus><BidCount>0</BidCount><BidIncrement currencyID=\"USD\">0.0</BidIncrement>"
           "<ConvertedCurrentPrice currencyID=\"USD\">" +
           price +
           "</ConvertedCurrentPrice>"
           "<CurrentPrice currencyID=\"USD\">" +
           price +
           "</CurrentPrice><LeadCount>0</LeadCount>"
           "<MinimumToBid currencyID=\"USD\">" +
           price +
           "</MinimumToBid>"
           "<QuantitySold>" +
           QByteArray::number(n % 3) +
           "</QuantitySold>"
           "<ReserveMet>true</ReserveMet><SecondChanceEligible>false</SecondChanceEligible>"
           "<ListingStatus>Active</ListingStatus></SellingStatus>"
           "<ShippingDetails><ApplyShippingDiscount>false</ApplyShippingDiscount>"
           "<InsuranceFee currencyID=\"USD\">0.0</InsuranceFee><InsuranceOption>NotOffered</InsuranceOption>"
           "<InsuranceWanted>false</InsuranceWanted><SalesTax><SalesTaxPercent>0.0</SalesTaxPercent>"
           "<ShippingIncludedInTax>false</ShippingIncludedInTax></SalesTax>"
           "<ShippingServiceOptions><ShippingService>USPSPriority</ShippingService>"
           "<ShippingServiceCost currencyID=\"USD\">9.95</ShippingServiceCost>"
           "<ShippingServiceAdditionalCost currencyID=\"USD\">2.00</ShippingServiceAdditionalCost>"
           "<ShippingServicePriority>1</ShippingServicePriority><ExpeditedService>false</ExpeditedService>"
           "<ShippingTimeMin>2</ShippingTimeMin><ShippingTimeMax>3</ShippingTimeMax></ShippingServiceOptions>"
           "<ShippingServiceOptions><ShippingService>UPSGround</ShippingService>"
           "<ShippingServiceCost currencyID=\"USD\">12.50</ShippingServiceCost>"
           "<ShippingServicePriority>2</ShippingServicePriority><ExpeditedService>false</ExpeditedService>"
           "<ShippingTimeMin>1</ShippingTimeMin><ShippingTimeMax>5</ShippingTimeMax></ShippingServiceOptions>"
           "<ShippingType>Flat</ShippingType><ThirdPartyCheckout>false</ThirdPartyCheckout>"
           "<ExcludeShipToLocation>Alaska/Hawaii</ExcludeShipToLocation>"
           "<ExcludeShipToLocation>APO/FPO</ExcludeShipToLocation></ShippingDetails>"
           "<ShipToLocations>US</ShipToLocations><Site>US</Site>"
           "<StartPrice currencyID=\"USD\">" +
           price +
           "</StartPrice>"
           "<TimeLeft>0</TimeLeft><Title>Vintage Canon AE-1 &lt;35mm&gt; SLR camera no. " +
           QByteArray::number(n) + "</Title><HitCount>" + QByteArray::number(n * 7) +
           "</HitCount>"
           "<LocationDefaulted>true</LocationDefaulted><GetItFast>false</GetItFast>"
           "<BuyerResponsibleForShipping>false</BuyerResponsibleForShipping>"
           "<PostalCode>95125</PostalCode><SKU>CAM-" +
           QByteArray::number(n) +
           "</SKU>"
           "<PictureDetails><GalleryType>Gallery</GalleryType><PhotoDisplay>None</PhotoDisplay>"
           "<PictureURL>http://i.ebayimg.sandbox.ebay.com/00/s/MTAyNFg3Njg=/z/" +
           id +
           "/$_1.JPG?set_id=8800005007</PictureURL>"
           "<PictureURL>http://i.ebayimg.sandbox.ebay.com/00/s/MTAyNFg3Njg=/z/" +
           id +
           "/$_2.JPG?set_id=8800005007</PictureURL>"
           "<PictureURL>http://i.ebayimg.sandbox.ebay.com/00/s/MTAyNFg3Njg=/z/" +
           id +
           "/$_3.JPG?set_id=8800005007</PictureURL>"
           "</PictureDetails><DispatchTimeMax>3</DispatchTimeMax><ProxyItem>false</ProxyItem>"
           "<ItemSpecifics><NameValueList><Name>Brand</Name><Value>Canon</Value></NameValueList>"
           "<NameValueList><Name>Model</Name><Value>AE-1</Value></NameValueList>"
           "<NameValueList><Name>Format</Name><Value>35mm</Value><Value>Film</Value></NameValueList></ItemSpecifics>"
           "<ReturnPolicy><RefundOption>MoneyBack</RefundOption><Refund>Money Back</Refund>"
           "<ReturnsWithinOption>Days_14</ReturnsWithinOption><ReturnsWithin>14 Days</ReturnsWithin>"
           "<ReturnsAcceptedOption>ReturnsAccepted</ReturnsAcceptedOption><ReturnsAccepted>Returns "
           "Accepted</ReturnsAccepted>"
           "<ShippingCostPaidByOption>Buyer</ShippingCostPaidByOption><ShippingCostPaidBy>Buyer</ShippingCostPaidBy>"
           "</ReturnPolicy><ConditionID>3000</ConditionID><ConditionDisplayName>Used</ConditionDisplayName>"
           "<PaymentMethods>PayPal</PaymentMethods><PaymentMethods>VisaMC</PaymentMethods>"
           "</Item>";
    return xml;
}

const QByteArray& sellerListReply()
{
    static const QByteArray reply = [] {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<GetSellerListResponse xmlns=\"urn:ebay:apis:eBLBaseComponents\">"
                         "<Timestamp>2011-11-21T19:26:51.416Z</Timestamp><Ack>Success</Ack><Version>747</Version>"
                         "<Build>E747_CORE_BUNDLED_13994347_R1</Build>"
                         "<PaginationResult><TotalNumberOfPages>1</TotalNumberOfPages>"
                         "<TotalNumberOfEntries>0</TotalNumberOfEntries></PaginationResult>"
                         "<HasMoreItems>false</HasMoreItems><ItemArray>";
        int n = 0;
        while (xml.size() < 20 * 1024 * 1024)
            xml += item(n++);
        xml += "</ItemArray><ItemsPerPage>" + QByteArray::number(n) +
               "</ItemsPerPage><PageNumber>1</PageNumber>"
               "<ReturnedItemCountActual>" +
               QByteArray::number(n) +
               "</ReturnedItemCountActual>"
               "</GetSellerListResponse>";
        return xml;
    }();
    return reply;
}

size_t walk(const pugi::xml_node& node)
{
    size_t sum = std::char_traits<char>::length(node.name()) + std::char_traits<char>::length(node.value());
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        sum += std::char_traits<char>::length(a.name()) + std::char_traits<char>::length(a.value());
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        sum += walk(child);
    return sum;
}

// For reference: the parse alone, without looking at what it parsed.
void pugixmlParse(benchmark::State& state)
{
    const QByteArray& reply = sellerListReply();
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(reply.constData(), size_t(reply.size()), kParseOptions);
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}

void pugixmlParseAndWalk(benchmark::State& state)
{
    const QByteArray& reply = sellerListReply();
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(reply.constData(), size_t(reply.size()), kParseOptions);
        benchmark::DoNotOptimize(walk(document));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}

void readReply(benchmark::State& state)
{
    const QByteArray& reply = sellerListReply();
    const auto first = EBayGetSellerListResponseType::requestWithXMLData(reply);
    if (!first || !first->itemArray() || !first->itemArray()->items() ||
        first->itemArray()->items()->last()->sellingStatus()->currentPrice()->currencyID() != QStringLiteral("USD")) {
        state.SkipWithError("the reply did not read");
        return;
    }
    state.counters["items"] = double(first->itemArray()->items()->size());
    for (auto _ : state) {
        auto response = EBayGetSellerListResponseType::requestWithXMLData(reply);
        if (!response || !response->itemArray())
            state.SkipWithError("the reply did not read");
        benchmark::DoNotOptimize(response);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}

struct StringWriter : pugi::xml_writer
{
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

// The same document as writeRequest writes: the reply read into objects and written again.
void pugixmlSave(benchmark::State& state)
{
    const QByteArray request = EBayGetSellerListResponseType::requestWithXMLData(sellerListReply())->xmlRequestData();
    pugi::xml_document document;
    document.load_buffer(request.constData(), size_t(request.size()), kParseOptions);
    size_t size = 0;
    for (auto _ : state) {
        StringWriter writer;
        document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
        size = writer.text.size();
        benchmark::DoNotOptimize(writer.text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * size));
    state.counters["characters"] = double(size);
}

// The bytes that go over the wire, as pugixmlSave writes them.
void writeRequest(benchmark::State& state)
{
    const auto response = EBayGetSellerListResponseType::requestWithXMLData(sellerListReply());
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray xml = response->xmlRequestData();
        size = xml.size();
        benchmark::DoNotOptimize(xml.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * size));
    state.counters["characters"] = double(size);
}

// The same document as text, for callers that want a QString.
void writeRequestText(benchmark::State& state)
{
    const auto response = EBayGetSellerListResponseType::requestWithXMLData(sellerListReply());
    qsizetype size = 0;
    for (auto _ : state) {
        const QString xml = response->xmlRequest();
        size = xml.size();
        benchmark::DoNotOptimize(xml.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * size) * 2);
    state.counters["characters"] = double(size);
}

} // namespace

BENCHMARK(pugixmlParse)->Unit(benchmark::kMillisecond);
BENCHMARK(pugixmlParseAndWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(readReply)->Unit(benchmark::kMillisecond);
BENCHMARK(pugixmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(writeRequest)->Unit(benchmark::kMillisecond);
BENCHMARK(writeRequestText)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Memory freed by one iteration stays with the process for the next, as it does in a running
    // program: otherwise each side's time is mostly the kernel faulting in fresh pages (very dear on
    // a virtual machine), and whichever side happens to keep its pages warm looks the faster.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    return dw::bench::runWithRatios(argc, argv,
                                    {{"readReply", "pugixmlParseAndWalk", 1.5},
                                     {"writeRequest", "pugixmlSave", 1.3},
                                     {"writeRequestText", "pugixmlSave", 0}});
}
