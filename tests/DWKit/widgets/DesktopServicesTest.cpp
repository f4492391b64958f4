#include "platform/widgets/DesktopServices.h"

#include <gtest/gtest.h>

// Only web and mail addresses reach the desktop; the opener sees nothing else.
TEST(DesktopServices, HandsOnlyWebAndMailAddressesToTheDesktop)
{
    QList<QUrl> opened;
    const auto previous = dw::setDesktopURLOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    const struct
    {
        const char* address;
        bool handedOn;
    } cases[] = {
        {"https://www.ebay.com/itm/110089122715", true},
        {"http://example.com/help", true},
        {"HTTPS://EXAMPLE.COM/", true},
        {"mailto:seller@example.com", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"qminternal:addImage", false},
        {"ftp://example.com/file", false},
        {"https://", false},
        {"mailto:", false},
        {"", false},
    };
    for (const auto& row : cases) {
        opened.clear();
        const QUrl url(QString::fromLatin1(row.address));
        EXPECT_EQ(dw::openURLOnDesktop(url), row.handedOn) << row.address;
        EXPECT_EQ(opened.size(), row.handedOn ? 1 : 0) << row.address;
    }
    dw::setDesktopURLOpener(previous);
}
