#include "model/QMDescriptionHTMLConverter.h"

#include "platform/text/StyledText.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<const QMDescriptionHTMLConverter> s_installed;

} // namespace

QString QMDescriptionHTMLConverter::htmlStringForAttributedString(const dw::StyledText& text) const
{
    QString html = text.text().toHtmlEscaped();
    html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    html.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    html.replace(QLatin1String("\n"), QLatin1String("<br>"));
    return html;
}

std::shared_ptr<const QMDescriptionHTMLConverter> QMDescriptionHTMLConverter::installed()
{
    std::lock_guard lock(s_mutex);
    if (!s_installed)
        s_installed = std::make_shared<const QMDescriptionHTMLConverter>();
    return s_installed;
}

void QMDescriptionHTMLConverter::install(std::shared_ptr<const QMDescriptionHTMLConverter> converter)
{
    std::lock_guard lock(s_mutex);
    s_installed = std::move(converter);
}
