#pragma once
// Barcodes of books: the ISBN-10 inside a "978" EAN-13.

#include <QString>

class QM_UPC_ISBN
{
public:
    // The ISBN-10 of a 13-character code beginning with "978" (its nine body digits and their
    // ISBN check character, "X" for ten); any other text unchanged, so 979 codes, 12-digit UPC-A
    // codes and keywords pass through. Any thread.
    static QString isbnFromUPC(const QString& code);
};
