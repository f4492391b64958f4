#include "description/QMDescriptionHTMLSanitizer.h"

#include "tests/support/HostileDescriptions.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char* name;
    QString input;
    QString expected;
};

// The sanitizer writes its own markup; written again it stays the same, so a description that
// went through it once never changes by going through it again (the editor stores what it wrote).
void expectSanitized(const Case& row, QMDescriptionHTMLSanitizer::Pictures pictures)
{
    SCOPED_TRACE(row.name);
    const QString once = QMDescriptionHTMLSanitizer::sanitizedHTML(row.input, pictures);
    EXPECT_EQ(once.toStdString(), row.expected.toStdString());
    EXPECT_EQ(QMDescriptionHTMLSanitizer::sanitizedHTML(once, pictures).toStdString(), once.toStdString())
        << "written again it changes";
}

} // namespace

TEST(DescriptionHTMLSanitizer, KeepsWhatASellerTyped)
{
    const Case cases[] = {
        {"text formatting",
         QStringLiteral("<b>Bold</b> &amp; <font face=\"Arial\" size=\"4\" color=\"#336\">text</font>"
                        "<br><i>i</i><u>u</u><s>s</s><strike>t</strike><sub>2</sub>"),
         QStringLiteral("<b>Bold</b> &amp; <font face=\"Arial\" size=\"4\" color=\"#336\">text</font>"
                        "<br><i>i</i><u>u</u><s>s</s><strike>t</strike><sub>2</sub>")},
        {"escaped markup is text", QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;"),
         QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;")},
        {"characters and references", QStringLiteral("<p>&nbsp;caf&eacute; &#8364;5 &apos;q&apos; \"x\" &lt;b&gt;</p>"),
         QStringLiteral("<p>&nbsp;café €5 'q' \"x\" &lt;b&gt;</p>")},
        {"web links and their targets",
         QStringLiteral("<a href=\"https://shop.example/?a=1&amp;b=2\" target=\"_blank\">shop</a> "
                        "<a href=\"mailto:me@shop.example\">mail</a> <a href=\"#top\" name=\"top\">top</a> "
                        "<a href=\"other.html\">relative</a>"),
         QStringLiteral("<a href=\"https://shop.example/?a=1&amp;b=2\" target=\"_blank\">shop</a> "
                        "<a href=\"mailto:me@shop.example\">mail</a> <a href=\"#top\" name=\"top\">top</a> "
                        "<a href=\"other.html\">relative</a>")},
        {"pictures from the web and the preview's local copies",
         QStringLiteral("<img src=\"http://pics.example/a.jpg\" alt=\"A\" width=\"200\" border=\"0\">"
                        "<img src=\"file:///tmp/qv/a.jpg\">"),
         QStringLiteral("<img src=\"http://pics.example/a.jpg\" alt=\"A\" width=\"200\" border=\"0\">"
                        "<img src=\"file:///tmp/qv/a.jpg\">")},
        {"lists, with the items' end tags written",
         QStringLiteral(
             "<ul style=\"margin: 0 0 0 17px; padding: 0;\"><li>one<li>two</ul><ol start=\"3\"><li>three</ol>"),
         QStringLiteral("<ul style=\"margin: 0 0 0 17px; padding: 0;\"><li>one</li><li>two</li></ul>"
                        "<ol start=\"3\"><li>three</li></ol>")},
        {"tables, with the body a browser gives them",
         QStringLiteral("<table cellpadding=\"4\" width=\"100%\"><tr><td colspan=\"2\" valign=\"top\" "
                        "bgcolor=\"#eee\">cell</td></tr></table>"),
         QStringLiteral("<table cellpadding=\"4\" width=\"100%\"><tbody><tr><td colspan=\"2\" valign=\"top\" "
                        "bgcolor=\"#eee\">cell</td></tr></tbody></table>")},
        {"a design's style sheet, ids and classes",
         QStringLiteral("<style type=\"text/css\">.qv a > b { color: #333; background: url(http://p.example/b.png) }"
                        "</style><div id=\"qm_htmlediting_title_design\" class=\"qv\">T</div>"),
         QStringLiteral("<style type=\"text/css\">.qv a > b { color: #333; background: url(http://p.example/b.png) }"
                        "</style><div id=\"qm_htmlediting_title_design\" class=\"qv\">T</div>")},
        {"inline styles", QStringLiteral("<span style=\"font-size: 18px; line-height: 150%\">big</span>"),
         QStringLiteral("<span style=\"font-size: 18px; line-height: 150%\">big</span>")},
        {"old markup of listings",
         QStringLiteral("<center><marquee behavior=\"scroll\">sale</marquee></center>"
                        "<h1 align=\"center\"><u>Title</u></h1><hr size=\"2\">"),
         QStringLiteral("<center><marquee behavior=\"scroll\">sale</marquee></center>"
                        "<h1 align=\"center\"><u>Title</u></h1><hr size=\"2\">")},
        {"unknown elements give way to their content", QStringLiteral("<x-box a=\"1\">inside</x-box><blink>b</blink>"),
         QStringLiteral("inside<blink>b</blink>")},
        {"the page's own commands stay links",
         QStringLiteral("<a href=\"qminternal:/webviewRemoveSubtitleAction_\">remove</a>"),
         QStringLiteral("<a href=\"qminternal:/webviewRemoveSubtitleAction_\">remove</a>")},
        {"text only", QStringLiteral("Works well. 3 < 4"), QStringLiteral("Works well. 3 &lt; 4")},
    };
    for (const Case& row : cases)
        expectSanitized(row, QMDescriptionHTMLSanitizer::Pictures::Keep);
}

TEST(DescriptionHTMLSanitizer, NothingThatRunsOrLoadsAFrameSurvives)
{
    for (const dw::test::HostileDescription& vector : dw::test::hostileDescriptions()) {
        expectSanitized({vector.name, vector.html, vector.sanitized}, QMDescriptionHTMLSanitizer::Pictures::Keep);
        // Whatever else the row shows, none of these is left in markup a browser reads as such.
        const QString result = QMDescriptionHTMLSanitizer::sanitizedHTML(vector.html);
        for (const char* forbidden :
             {"<script", "<iframe", "<frame", "<object", "<embed", "<svg", "<math", "<meta", "<base", "<noscript",
              "<animate", "<set", "srcdoc", "javascript:", "vbscript:", "data:", " on"})
            EXPECT_FALSE(result.contains(QLatin1String(forbidden), Qt::CaseInsensitive))
                << vector.name << ": " << forbidden << " in " << result.toStdString();
    }
}

TEST(DescriptionHTMLSanitizer, PastedMarkupLosesItsPictures)
{
    expectSanitized({"pictures go, text and formatting stay",
                     QStringLiteral("<p><b>Bold</b><img src=\"https://pics.example/a.jpg\"> text</p>"),
                     QStringLiteral("<p><b>Bold</b> text</p>")},
                    QMDescriptionHTMLSanitizer::Pictures::Drop);
}
