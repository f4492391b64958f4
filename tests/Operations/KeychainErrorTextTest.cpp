#include "Operations/QMKeychainAccess.h"

#include <gtest/gtest.h>

TEST(KeychainErrorText, NamesTheCodeOrAnUnknownError)
{
    struct Row
    {
        int code;
        const char* text;
    };
    const Row rows[] = {
        {-25300, "Error while accessing the Keychain: The item cannot be found."},
        {-25240, "Error while accessing the Keychain: The access control list is not in standard simple form."},
        {-25250, "Error while accessing the Keychain: Unknown Keychain Access Error"},
        {-1, "Error while accessing the Keychain: Unknown Keychain Access Error"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(QMKeychainAccess::localizedErrorForKeychainServicesResultCode(row.code).toStdString(), row.text);
    }
}
