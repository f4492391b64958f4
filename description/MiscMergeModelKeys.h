#pragma once
// Tells the template engine which keys the listing model's objects have, so that a field of the
// listing whose value is nil (no subtitle yet) is still the listing's own key, while a key it
// lacks (item.titel) gives a console line. Call once on the main thread before merging listings;
// further calls do nothing.
//
//     registerModelKeyPresence();
//     QString html = MiscMergeEngine(mergeTemplate).executeWithObject(generator);

void registerModelKeyPresence();
