#pragma once
// What the listing asks of the description generator, which lives in the description layer: the
// HTML of a styled description.
//
// The description layer installs its converter at start. Until then (tools, tests) the built-in
// converter answers with the plain text, HTML-escaped, each line break a "<br>": no styling, but
// never markup the user did not write. Main thread.
//
//     class QMAttributedStringToHTMLConverter : public QMDescriptionHTMLConverter { ... };
//     QMDescriptionHTMLConverter::install(std::make_shared<QMAttributedStringToHTMLConverter>());

#include <QString>
#include <memory>

namespace dw {
class StyledText;
}

class QMDescriptionHTMLConverter
{
public:
    virtual ~QMDescriptionHTMLConverter() = default;

    virtual QString htmlStringForAttributedString(const dw::StyledText& text) const;

    // The installed converter, or the built-in one; never null.
    static std::shared_ptr<const QMDescriptionHTMLConverter> installed();
    // Null goes back to the built-in converter.
    static void install(std::shared_ptr<const QMDescriptionHTMLConverter> converter);
};
