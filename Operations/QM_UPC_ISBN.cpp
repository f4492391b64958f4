#include "Operations/QM_UPC_ISBN.h"

QString QM_UPC_ISBN::isbnFromUPC(const QString& code)
{
    if (code.size() != 13 || !code.startsWith(QLatin1String("978")))
        return code;
    const QString body = code.mid(3, 9);
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
        const int digit = body.at(i).digitValue();
        sum += (digit < 0 ? 0 : digit) * (10 - i);
    }
    const int check = 11 - sum % 11;
    if (check == 10)
        return body + QLatin1Char('X');
    if (check == 11)
        return body + QLatin1Char('0');
    return body + QString::number(check);
}
