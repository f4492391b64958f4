#pragma once
// DWPayment is built with hidden symbols; its public classes and functions carry DWPAYMENT_EXPORT.

#define DWPAYMENT_EXPORT __attribute__((visibility("default")))
