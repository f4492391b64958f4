// The field code of the listing, generated from model/QMEbayItemFields.tsv.
#include "model/QMEbayItemFields.inc"
