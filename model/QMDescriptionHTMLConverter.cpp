#include "model/QMDescriptionHTMLConverter.h"

#include "platform/text/StyledText.h"

#include "platform/core/Installable.h"

QString QMDescriptionHTMLConverter::htmlStringForAttributedString(const dw::StyledText& text) const
{
    QString html = text.text().toHtmlEscaped();
    html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    html.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    html.replace(QLatin1String("\n"), QLatin1String("<br>"));
    return html;
}

namespace {

dw::Installable<const QMDescriptionHTMLConverter>& slot()
{
    static dw::Installable<const QMDescriptionHTMLConverter> instance(std::make_shared<QMDescriptionHTMLConverter>());
    return instance;
}

} // namespace

std::shared_ptr<const QMDescriptionHTMLConverter> QMDescriptionHTMLConverter::installed()
{
    return slot().installed();
}

void QMDescriptionHTMLConverter::install(std::shared_ptr<const QMDescriptionHTMLConverter> converter)
{
    slot().install(std::move(converter));
}
