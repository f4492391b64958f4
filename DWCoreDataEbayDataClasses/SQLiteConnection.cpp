#include "SQLiteConnection_p.h"

#include <sqlite3.h>

namespace dw::sq {

QString foldedForSearch(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const auto category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        folded.append(c);
    }
    return folded.toCaseFolded();
}

namespace {

bool isAscii(const unsigned char* bytes, int length)
{
    for (int i = 0; i < length; ++i) {
        if (bytes[i] >= 0x80)
            return false;
    }
    return true;
}

unsigned char asciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// dw_folded_contains(text, needle): whether the folded text contains the already folded needle.
// Most category names and needles are plain ASCII, where folding is lower-casing: those are
// compared byte by byte without making a text object per row.
void foldedContainsFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto* text = sqlite3_value_text(argv[0]);
    const int textLength = sqlite3_value_bytes(argv[0]);
    const auto* needle = sqlite3_value_text(argv[1]);
    const int needleLength = sqlite3_value_bytes(argv[1]);
    if (needleLength == 0) {
        sqlite3_result_int(context, 0);
        return;
    }
    if (isAscii(text, textLength) && isAscii(needle, needleLength)) {
        for (int start = 0; start + needleLength <= textLength; ++start) {
            int i = 0;
            while (i < needleLength && asciiLower(text[start + i]) == needle[i])
                ++i;
            if (i == needleLength) {
                sqlite3_result_int(context, 1);
                return;
            }
        }
        sqlite3_result_int(context, 0);
        return;
    }
    const QString folded = foldedForSearch(QString::fromUtf8(reinterpret_cast<const char*>(text), textLength));
    const QString foldedNeedle = QString::fromUtf8(reinterpret_cast<const char*>(needle), needleLength);
    sqlite3_result_int(context, folded.contains(foldedNeedle) ? 1 : 0);
}

} // namespace

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_statement(other.m_statement), m_error(other.m_error)
{
    other.m_statement = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        if (m_statement)
            sqlite3_finalize(m_statement);
        m_db = other.m_db;
        m_statement = other.m_statement;
        m_error = other.m_error;
        other.m_statement = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    if (m_statement)
        sqlite3_finalize(m_statement);
}

Statement& Statement::bind(int index, qint64 value)
{
    if (m_statement)
        sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

Statement& Statement::bind(int index, const QString& value)
{
    if (!m_statement)
        return *this;
    if (value.isNull()) {
        sqlite3_bind_null(m_statement, index);
    } else {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

Statement& Statement::bindBlob(int index, const QByteArray& value)
{
    if (m_statement)
        sqlite3_bind_blob64(m_statement, index, value.constData(), sqlite3_uint64(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    if (m_statement)
        sqlite3_bind_null(m_statement, index);
    return *this;
}

bool Statement::next()
{
    if (!m_statement || m_error)
        return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        m_error = true;
    return false;
}

void Statement::reset()
{
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_error = false;
}

bool Statement::run()
{
    if (!m_statement)
        return false;
    next();
    return !m_error;
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_NULL:
        return {};
    default:
        return QVariant(text(column));
    }
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QByteArrayView Statement::utf8(int column) const
{
    if (!m_statement)
        return {};
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
}

QString Statement::text(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return {};
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    const int length = sqlite3_column_bytes(m_statement, column);
    return bytes ? QString::fromUtf8(bytes, length) : QStringLiteral("");
}

std::unique_ptr<Connection> Connection::open(const QString& path, Mode mode, QString* error, bool* damaged)
{
    if (damaged)
        *damaged = false;
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(result));
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Connection> connection(new Connection);
    connection->m_db = db;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_create_function_v2(db, "dw_folded_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               foldedContainsFunction, nullptr, nullptr, nullptr);
    // A store that is not an SQLite file fails here rather than at the first query.
    if (!connection->execute(QStringLiteral("SELECT count(*) FROM sqlite_master"), error)) {
        const int code = sqlite3_errcode(db) & 0xff;
        if (damaged)
            *damaged = code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
        return nullptr;
    }
    return connection;
}

Connection::~Connection()
{
    sqlite3_close_v2(m_db);
}

bool Connection::execute(const QString& sql, QString* error)
{
    std::lock_guard lock(m_mutex);
    char* message = nullptr;
    const int result = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (result != SQLITE_OK) {
        if (error)
            *error = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(result));
        sqlite3_free(message);
        return false;
    }
    return true;
}

Statement Connection::prepare(const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &statement, nullptr) != SQLITE_OK)
        return {};
    return Statement(m_db, statement);
}

QString Connection::lastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

qint64 Connection::lastInsertRowID() const
{
    return sqlite3_last_insert_rowid(m_db);
}

} // namespace dw::sq
