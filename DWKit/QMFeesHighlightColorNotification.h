#pragma once
// The name of the notification that says the fee highlight colour changed. The preferences store
// posts it and the highlightable fee fields follow it; both include this one definition, so that a
// file that sees both of them compiles.

inline constexpr const char* kFeesHighlightColorDidChangeNotification = "FeesHighlightColorDidChangeNotification";
