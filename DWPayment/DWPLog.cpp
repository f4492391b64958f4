#include "DWPayment/DWPLog.h"

Q_LOGGING_CATEGORY(lcPayment, "dw.payment")
