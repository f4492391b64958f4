#pragma once
// DWEBay is built with hidden symbols; its public classes and functions carry DWEBAY_EXPORT.

#define DWEBAY_EXPORT __attribute__((visibility("default")))
