// Any bytes as the store page's stylesheet: the transformation gives a page, or an error, or
// nothing (a stylesheet that makes nothing), never a page with an error; its bounds end every run,
// and the loader reads nothing.

#include "DWPayment/DWPXml.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DWP_BOM DWPversion=\"1.0\"><ShoppingCart><SaleItem>"
        "<name>Lamp &amp; shade</name><quantity>2</quantity><price>19.00</price></SaleItem></ShoppingCart>"
        "<vat><percent>0.19</percent><amount>6.07</amount></vat><total>38.00</total><currency>EUR</currency>"
        "</DWP_BOM>";
    DWPError error;
    const QByteArray page = DWPXmlGenerator::storePageFromDocument(
        document, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    if (!page.isEmpty() && !error.isNull())
        std::abort();
    return 0;
}
