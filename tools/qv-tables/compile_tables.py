#!/usr/bin/env python3
"""Compiles the readable site and country tables into the property lists the program loads.

    compile_tables.py SITES_JSON COUNTRIES_JSON OUT_SITES OUT_COUNTRIES

The sources (resources/tables/*.json) use a few shorthands, described in their "_about" notes; this
script expands them, checks the result (unique IDs, known flags and payment options, every
replacement service present, international services numbered from 50000) and writes each table as a
binary property list. Any problem stops the build with a message naming the site and the key.
"""
import copy
import json
import plistlib
import sys

FLAG_KEYS = [
    "VATPercentSupported", "TaxTableOrTaxSupported", "SupportsCalculatedShipping", "SubtitleNotSupported",
    "ebayExpressSupported", "oneDomesticShippingServiceRequired", "digitalDeliverySupported", "AutoPaySupported",
    "GetItFastSupported", "charitiesSupported", "SupportsProximitySearch", "UsesMilesInProximitySearch",
    "SiteUsesMetricShippingUnits", "SupportsReturnPolicyDescription", "SupportsReturnPolicyRefundDetails",
    "RequiresReturnPolicy", "SupportsReturnPolicyReturnsWithin", "SupportsReturnPolicyShippingCostPaidBy",
]

# The payment option IDs the add-item builder knows how to send.
PAYMENT_OPTIONS = {
    "AmEx", "CashOnPickupAccepted", "COD", "CCAccepted", "Discover", "Escrow", "MOCashiers", "MoneyXferAccepted",
    "MoneyXferAcceptedinCheckout", "PayPalAccepted", "PaymentSeeDescription", "PaymentOther", "PersonalCheck",
    "VisaMaster",
}

REQUIRED_SITE_KEYS = [
    "SiteID", "SiteCode", "SiteName", "findingApiGlobalID", "DefaultCountryID", "Currencies", "PaymentOptions",
    "ListingEnhancements", "ShippingPackages", "ShippingServices", "shippingCarriers", "ShipToLocations",
    "ExcludeLocations", "SalesTaxState", "Durations", "ClassifiedAdDurations", "AuctionsURL", "AuthorizeURL",
    "dunmerrowEbayStoreURL", "crossBorderTradeString", "ReturnPolicyRefundDetails", "ReturnPolicyReturnsWithin",
    "ReturnPolicyShippingCostPaidBy",
]

FREIGHT_SERVICE_ID = 80029


class TableError(Exception):
    pass


def fail(where, message):
    raise TableError(f"{where}: {message}")


def strip_notes(value):
    if isinstance(value, dict):
        return {k: strip_notes(v) for k, v in value.items() if not k.startswith("_")}
    if isinstance(value, list):
        return [strip_notes(v) for v in value]
    return value


def expand_uses(value, blocks, where, depth=0):
    if depth > 20:
        fail(where, "blocks refer to each other in a circle")
    if isinstance(value, dict):
        if "$use" in value:
            name = value["$use"]
            if name not in blocks:
                fail(where, f"unknown block {name!r}")
            return expand_uses(copy.deepcopy(blocks[name]), blocks, where, depth + 1)
        return {k: expand_uses(v, blocks, where, depth) for k, v in value.items()}
    if isinstance(value, list):
        result = []
        for element in value:
            expanded = expand_uses(element, blocks, where, depth)
            # A block used inside a list is spliced in, so lists can be built from shared parts.
            if isinstance(element, dict) and "$use" in element and isinstance(expanded, list):
                result.extend(expanded)
            else:
                result.append(expanded)
        return result
    return value


def duration_name(days):
    if days == "GTC":
        return "Good 'Til Cancelled"
    return "1 Day" if days == "1" else f"{days} Days"


def duration_sort_key(days):
    return (1, 0) if days == "GTC" else (0, int(days))


def compile_durations(site, where):
    durations = site.get("ListingDurations")
    if not isinstance(durations, dict):
        fail(where, "ListingDurations must map listing types to day counts")
    for listing_type, days in durations.items():
        for d in days:
            if d != "GTC" and not d.isdigit():
                fail(where, f"duration {d!r} of {listing_type} is neither a day count nor GTC")
    regular = sorted(set(durations.get("Chinese", [])) | set(durations.get("FixedPriceItem", [])),
                     key=duration_sort_key)
    site["Durations"] = [{"ItemDurationID": d, "ItemDurationName": duration_name(d)} for d in regular]
    site["ClassifiedAdDurations"] = [{"AdDurationID": d, "AdDurationName": duration_name(d)}
                                     for d in sorted(set(durations.get("AdType", [])), key=duration_sort_key)]


def compile_services(site, where):
    table = site.get("ShippingServices")
    if not isinstance(table, dict) or "columns" not in table or "rows" not in table:
        fail(where, "ShippingServices must be a table with columns and rows")
    columns = table["columns"]
    services = []
    for row in table["rows"]:
        if len(row) < 5 or len(row) > len(columns):
            fail(where, f"shipping service row {row!r} does not fit the columns")
        entry = dict(zip(columns, row))
        flags = {f for f in entry.pop("flags").split(",") if f}
        unknown = flags - {"intl", "deprecated", "pickup", "expedited"}
        if unknown:
            fail(where, f"service {entry['ServiceCode']}: unknown flags {sorted(unknown)}")
        service = {
            "ServiceID": entry["ServiceID"],
            "ServiceCode": entry["ServiceCode"],
            "ServiceName": entry["ServiceName"],
            "ShippingCarrier": entry["carrier"],
            "IsInternational": "intl" in flags,
            "isDeprecated": "deprecated" in flags,
            "isLocalPickup": "pickup" in flags,
            "ExpeditedService": "expedited" in flags,
        }
        if entry.get("MappedToService"):
            service["MappedToService"] = entry["MappedToService"]
        services.append(service)

    ids = [s["ServiceID"] for s in services]
    codes = {s["ServiceCode"] for s in services}
    for s in services:
        sid = s["ServiceID"]
        if not sid.isdigit():
            fail(where, f"service {s['ServiceCode']}: ServiceID {sid!r} is not a number")
        if ids.count(sid) > 1:
            fail(where, f"ServiceID {sid} is given twice")
        if s["IsInternational"] and int(sid) < 50000:
            fail(where, f"international service {s['ServiceCode']} needs an ID from 50000 up")
        if not s["IsInternational"] and int(sid) >= 50000 and int(sid) != FREIGHT_SERVICE_ID:
            fail(where, f"domestic service {s['ServiceCode']} has an international ID {sid}")
        if s.get("MappedToService") and s["MappedToService"] not in codes:
            fail(where, f"service {s['ServiceCode']} is replaced by {s['MappedToService']}, which the site lacks")
        if s.get("MappedToService") and not s["isDeprecated"]:
            fail(where, f"service {s['ServiceCode']} names a replacement but is not deprecated")
    if not any(not s["IsInternational"] and not s["isDeprecated"] for s in services):
        fail(where, "the site offers no domestic shipping service")
    site["ShippingServices"] = services


def compile_site(source, compiled_by_id, blocks, countries_by_abb):
    where = f"site {source.get('SiteID', '?')}"
    site = {}
    if "$base" in source:
        base = compiled_by_id.get(str(source["$base"]))
        if base is None:
            fail(where, f"$base {source['$base']} must name a site listed before it")
        site = copy.deepcopy(base["_source"])
    site.update({k: v for k, v in source.items() if k != "$base"})
    site_source = copy.deepcopy(site)
    site = expand_uses(strip_notes(site), blocks, where)

    if not str(site.get("SiteID", "")).isdigit():
        fail(where, "SiteID must be a decimal number written as text")
    site["SiteID"] = str(site["SiteID"])

    country = site.pop("DefaultCountry", None)
    if country is not None:
        if country not in countries_by_abb:
            fail(where, f"DefaultCountry {country!r} is not in the countries table")
        site["DefaultCountryID"] = countries_by_abb[country]["CountryID"]

    if site.pop("ExcludeCountries", False):
        own = countries_by_abb.get(country)
        site["ExcludeLocations"] = list(site.get("ExcludeLocations", [])) + [
            {"code": c["CountryAbb"], "name": c["CountryName"]} for c in countries_by_abb.values() if c is not own]

    policy = site.pop("ReturnPolicy", {})
    for key in ("ReturnPolicyRefundDetails", "ReturnPolicyReturnsWithin", "ReturnPolicyShippingCostPaidBy"):
        site[key] = policy.get(key, [])

    flags = site.pop("flags", [])
    for flag in flags:
        if flag not in FLAG_KEYS:
            fail(where, f"unknown flag {flag!r}")
    for flag in FLAG_KEYS:
        site[flag] = flag in flags

    compile_durations(site, where)
    compile_services(site, where)

    for key in REQUIRED_SITE_KEYS:
        if key not in site:
            fail(where, f"missing {key}")
    if not site["Currencies"]:
        fail(where, "a site needs at least one currency")
    for currency in site["Currencies"]:
        if not str(currency.get("CurrencyID", "")).isdigit() or len(currency.get("CurrencyCode", "")) != 3:
            fail(where, f"currency {currency!r} needs a numeric CurrencyID and an ISO 4217 code")
    for option in site["PaymentOptions"]:
        if option.get("OptionID") not in PAYMENT_OPTIONS:
            fail(where, f"payment option {option.get('OptionID')!r} cannot be sent to eBay")
    for enhancement in site["ListingEnhancements"]:
        if not isinstance(enhancement.get("GalleryEnhancement"), bool):
            fail(where, f"listing enhancement {enhancement.get('OptionID')!r} needs a GalleryEnhancement flag")
    if any(e["OptionID"] == "CrossBorderTrade" for e in site["ListingEnhancements"]) and \
            not site["crossBorderTradeString"]:
        fail(where, "CrossBorderTrade is offered but crossBorderTradeString is empty")
    types = [p["shippingType"] for p in site["ShippingPackages"]]
    if len(types) != len(set(types)):
        fail(where, "a package type number is given twice")

    site["_source"] = site_source
    return site


def compile_tables(sites_source, countries_source):
    countries = strip_notes(countries_source)["countries"]
    seen_ids, by_abb = set(), {}
    for country in countries:
        where = f"country {country.get('CountryName', '?')}"
        for key in ("CountryID", "CountryAbb", "CountryName"):
            if not isinstance(country.get(key), str) or not country[key]:
                fail(where, f"missing {key}")
        if not country["CountryID"].isdigit():
            fail(where, "CountryID must be a decimal number written as text")
        if country["CountryID"] in seen_ids:
            fail(where, f"CountryID {country['CountryID']} is given twice")
        if country["CountryAbb"] in by_abb:
            fail(where, f"CountryAbb {country['CountryAbb']} is given twice")
        seen_ids.add(country["CountryID"])
        by_abb[country["CountryAbb"]] = country
        country.setdefault("Regions", [])

    blocks = strip_notes(sites_source.get("blocks", {}))
    compiled, by_id = [], {}
    for source in sites_source["sites"]:
        site = compile_site(source, by_id, blocks, by_abb)
        if site["SiteID"] in by_id:
            fail(f"site {site['SiteID']}", "SiteID is given twice")
        by_id[site["SiteID"]] = site
        compiled.append(site)
    for site in compiled:
        del site["_source"]
    return compiled, countries


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            sites_source = json.load(f)
        with open(argv[2], encoding="utf-8") as f:
            countries_source = json.load(f)
        sites, countries = compile_tables(sites_source, countries_source)
    except (OSError, ValueError, KeyError, TableError) as error:
        print(f"compile_tables: {error}", file=sys.stderr)
        return 1
    for path, value in ((argv[3], sites), (argv[4], countries)):
        with open(path, "wb") as f:
            plistlib.dump(value, f, fmt=plistlib.FMT_BINARY, sort_keys=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
