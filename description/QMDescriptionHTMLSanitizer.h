#pragma once
// Keeps active content out of a description edited in the preview: script elements (with their
// text), event-handler attributes ("onclick", "onload", ...) and "javascript:" or "vbscript:"
// addresses. Everything else, text and markup, stays exactly as it was given; a description
// without such content comes back unchanged, character for character.
//
// The editor runs every description that comes from the page through it before the listing
// stores it: the page is a web page, and nothing it hands over is trusted to be clean.
//
//     QString stored = QMDescriptionHTMLSanitizer::sanitizedHTML(fromPage);
//
// Any thread; each call parses on its own (libxml2's HTML parser, no network, no entities loaded).

#include <QString>

class QMDescriptionHTMLSanitizer
{
public:
    // The HTML without active content; *changed (when given) tells whether anything was removed.
    static QString sanitizedHTML(const QString& html, bool* changed = nullptr);
};
