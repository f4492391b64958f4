// The preferences store's plain accessors, generated from model/QMPreferenceKeys.tsv.
#include "model/QMPreferenceKeys.inc"
