#pragma once
// The one gate every description passes on its way in: a document opened, a design merged, a
// paste, an edit in the preview and the description sent to eBay. A description is data, never
// code: what comes back is markup of our own, written anew from what an allowlist lets through,
// never the text it was given.
//
// Kept: text, and the markup a listing's description holds: text formatting (b, i, u, s, font,
// span, headings, sub and sup ...), paragraphs and divisions, lists, tables, pictures (http, https
// or a local file), links (http, https, mailto, the page's own "qminternal" commands, or a
// relative address), horizontal rules, style sheets and inline styles, ids and classes.
// Dropped with everything inside: script, frames, objects, embeds, applets, form fields, SVG and
// MathML, meta, base, title, noscript, template, comments. Dropped, its content kept: any other
// element (a form, a button, an unknown element). Dropped from every element: event handlers and
// every attribute outside the allowlist (srcdoc, formaction, ...), addresses of any other scheme
// (javascript:, vbscript:, data: ...). Dropped from styles: declarations that carry expression(),
// a script or data address, behaviors or bindings.
//
// Text is escaped and every attribute quoted, and no element whose content a browser reads as raw
// text is written except style (whose "<" is escaped for the style sheet), so a browser reads the
// result as the tree that was written: nothing the parser did differently can turn text into
// markup.
//
//     const QString stored = QMDescriptionHTMLSanitizer::sanitizedHTML(fromPage);
//
// Any thread; each call parses on its own (gumbo, the HTML parsing algorithm of browsers; it reads
// nothing but the text).
// The preview page's script has a copy of the same lists (resources/enciphered/previewJavascript.js);
// a change here is made there too.

#include <QString>

class QMDescriptionHTMLSanitizer
{
public:
    enum class Pictures {
        Keep,
        Drop, // pasted markup: pictures enter a listing as its own pictures only
    };

    static QString sanitizedHTML(const QString& html, Pictures pictures = Pictures::Keep);
    // A style attribute's text without its active declarations.
    static QString sanitizedStyle(const QString& style);
};
