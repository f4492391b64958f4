#pragma once
// The store library's logging category ("dw.payment"). Never log tokens or payment data.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPayment)
