#pragma once
// Descriptions that try to run script, each with what the sanitizer makes of it. Every payload
// that can run by itself marks the page's root element (data-ran), so that a test of a real page
// sees whether anything ran: the marker is set by script only.
//
// Shared by the sanitizer's table test, the page test that renders the same markup in a web
// engine, and the document test that opens a listing carrying all of them.

#include <QList>
#include <QString>

namespace dw::test {

struct HostileDescription
{
    const char* name;
    QString html;
    QString sanitized; // what the sanitizer writes for it
};

// The marker's script; a page where it ran has data-ran on its root element.
inline QString hostileMarkerScript()
{
    return QStringLiteral("document.documentElement.dataset.ran=1");
}

inline const QList<HostileDescription>& hostileDescriptions()
{
    static const QList<HostileDescription> vectors = {
        {"script element", QStringLiteral("<div>a<script>document.documentElement.dataset.ran=1</script>b</div>"),
         QStringLiteral("<div>ab</div>")},
        {"error handler",
         QStringLiteral("<img src=\"missing.png\" onerror=\"document.documentElement.dataset.ran=1\">"),
         QStringLiteral("<img src=\"missing.png\">")},
        {"load handler in capitals",
         QStringLiteral("<IMG SRC=\"missing.png\" ONLOAD=\"x()\" OnError=\"document.documentElement.dataset.ran=1\">"),
         QStringLiteral("<img src=\"missing.png\">")},
        {"body load handler", QStringLiteral("<body onload=\"document.documentElement.dataset.ran=1\">text"),
         QStringLiteral("text")},
        {"toggle handler",
         QStringLiteral("<details open ontoggle=\"document.documentElement.dataset.ran=1\">d</details>"),
         QStringLiteral("<details open=\"\">d</details>")},
        {"svg load handler", QStringLiteral("<svg onload=\"document.documentElement.dataset.ran=1\"></svg>after"),
         QStringLiteral("after")},
        {"frame source document",
         QStringLiteral("<iframe srcdoc=\"&lt;script&gt;parent.document.documentElement.dataset.ran=1&lt;/script&gt;\">"
                        "</iframe>f"),
         QStringLiteral("f")},
        {"noscript title that ends its element",
         QStringLiteral("<noscript><p title=\"</noscript><img src=x onerror=document.documentElement.dataset.ran=1>\">"
                        "</noscript>n"),
         QStringLiteral("")},
        {"svg style holding markup",
         QStringLiteral("<svg><style><img src=x onerror=document.documentElement.dataset.ran=1></style></svg>s"),
         QStringLiteral("s")},
        {"svg animation of a link address",
         QStringLiteral("<svg><a><animate attributeName=\"href\" values=\"javascript:document.documentElement.dataset."
                        "ran=1\"/><text x=\"20\" y=\"20\">click</text></a></svg>"),
         QStringLiteral("")},
        {"svg set of an event handler",
         QStringLiteral("<svg><set attributeName=\"onmouseover\" to=\"document.documentElement.dataset.ran=1\"/>"
                        "</svg>"),
         QStringLiteral("")},
        {"data frame",
         QStringLiteral("<iframe src=\"data:text/html,<script>parent.document.documentElement.dataset.ran=1</script>\">"
                        "</iframe>"),
         QStringLiteral("")},
        {"data object",
         QStringLiteral(
             "<object data=\"data:text/html,<script>parent.document.documentElement.dataset.ran=1</script>\">"
             "</object>"),
         QStringLiteral("")},
        {"data embed", QStringLiteral("<embed src=\"data:text/html,<script>x</script>\">e"), QStringLiteral("e")},
        {"script address behind an entity",
         QStringLiteral("<a href=\"javascript&colon;document.documentElement.dataset.ran=1\">colon</a>"),
         QStringLiteral("<a>colon</a>")},
        {"script address in character references",
         QStringLiteral("<a href=\"&#x6A;avascript:x\">hex</a><a href=\"&#106avascript:x\">dec</a>"),
         QStringLiteral("<a>hex</a><a>dec</a>")},
        {"script address behind blanks and tabs", QStringLiteral("<a href=\"\n java\tscript:x\">tab</a>"),
         QStringLiteral("<a>tab</a>")},
        {"refresh to a script address",
         QStringLiteral("<meta http-equiv=\"refresh\" content=\"0;url=javascript:document.documentElement.dataset."
                        "ran=1\">refresh"),
         QStringLiteral("refresh")},
        {"vbscript address", QStringLiteral("<a href=\"vbscript:msgbox(1)\">vb</a>"), QStringLiteral("<a>vb</a>")},
        {"data address of a link", QStringLiteral("<a href=\"data:text/html;base64,PHNjcmlwdD4=\">d</a>"),
         QStringLiteral("<a>d</a>")},
        {"data address of a picture", QStringLiteral("<img src=\"data:image/svg+xml,<svg onload=x>\">"),
         QStringLiteral("<img>")},
        {"math table style",
         QStringLiteral("<math><mtext><table><mglyph><style><img src=x onerror=document.documentElement.dataset.ran=1>"
                        "</style></mglyph></table></mtext></math>"),
         QStringLiteral("")},
        {"form with script actions",
         QStringLiteral("<form action=\"javascript:x\"><button formaction=\"javascript:x\">Go</button>"
                        "<input onfocus=\"document.documentElement.dataset.ran=1\" autofocus></form>"),
         QStringLiteral("Go")},
        {"style that calls a script",
         QStringLiteral("<div style=\"background:url(javascript:x); color: red\">s</div>"
                        "<p style=\"width: expression(alert(1))\">e</p>"
                        "<p style=\"background: url(&quot;\\6a avascript:x&quot;)\">escaped</p>"),
         QStringLiteral("<div style=\" color: red\">s</div><p>e</p><p>escaped</p>")},
        {"style sheet with script parts",
         QStringLiteral("<style>@import 'javascript:x'; p { color: red } a { behavior: url(x.htc) }</style>"),
         QStringLiteral("<style> p { color: red } a {}</style>")},
        {"style sheet that ends itself early",
         QStringLiteral("<style>p { content: \"</style><img src=x onerror=document.documentElement.dataset.ran=1>\" }"
                        "</style>"),
         QStringLiteral("<style>p { content: \"</style><img src=\"x\">\" }")},
        {"base address", QStringLiteral("<base href=\"javascript:x//\">b"), QStringLiteral("b")},
        {"links that are no style sheet",
         QStringLiteral("<link rel=\"import\" href=\"https://x.example/a.html\">"
                        "<link rel=\"stylesheet\" href=\"javascript:x\">l"),
         QStringLiteral("l")},
        {"comment that hides a picture",
         QStringLiteral("<!--<img src=\"--><img src=x onerror=document.documentElement.dataset.ran=1>-->"),
         QStringLiteral("<img src=\"x\">--&gt;")},
        {"raw text elements",
         QStringLiteral("<textarea><img src=x onerror=x></textarea><xmp><img src=x onerror=x></xmp>"
                        "<template><img src=x onerror=x></template>t"),
         QStringLiteral("t")},
        {"image map area with a script address",
         QStringLiteral("<map name=\"m\"><area href=\"javascript:x\" shape=\"rect\" coords=\"0,0,1,1\"></map>"),
         QStringLiteral("<map name=\"m\"><area shape=\"rect\" coords=\"0,0,1,1\"></map>")},
        {"background and source sets",
         QStringLiteral("<table background=\"javascript:x\"><tr><td>c</td></tr></table>"
                        "<img src=\"x.png\" srcset=\"javascript:x 1x\" dynsrc=\"javascript:x\">"),
         QStringLiteral("<table><tbody><tr><td>c</td></tr></tbody></table><img src=\"x.png\">")},
        {"names that would hide the page's functions",
         QStringLiteral(
             "<img name=\"getElementById\" src=\"a.png\"><div contenteditable=\"false\" tabindex=\"1\">x</div>"),
         QStringLiteral("<img src=\"a.png\"><div>x</div>")},
    };
    return vectors;
}

} // namespace dw::test
