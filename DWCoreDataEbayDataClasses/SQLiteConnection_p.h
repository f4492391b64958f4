#pragma once
// A thin, private layer over one SQLite connection: prepared statements with typed binding and
// reading, one lock for the connection, and the text folding that leaf search uses. The stores are
// the only users; nothing outside this folder sees sqlite3.h.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

namespace dw::sq {

// Case- and diacritic-insensitive form of a text, as a search compares it: decomposed, marks
// dropped, case folded ("Épée" and "epee" fold alike).
QString foldedForSearch(const QString& text);

class Statement
{
public:
    Statement() = default;
    Statement(sqlite3* db, sqlite3_stmt* statement) : m_db(db), m_statement(statement) {}
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool isValid() const { return m_statement != nullptr; }
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bindBlob(int index, const QByteArray& value);
    Statement& bindNull(int index);
    // A step: true while a row is there. An error ends the rows; error() tells it.
    bool next();
    // Runs a statement that returns no rows; false on error.
    bool run();
    bool hasError() const { return m_error; }
    // Ready to run again with new bindings.
    void reset();

    qint64 integer(int column) const;
    QString text(int column) const; // null for SQL NULL
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView utf8(int column) const;
    bool isNull(int column) const;
    double real(int column) const;
    // The column as stored: an integer, a real, a text or nil.
    QVariant value(int column) const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    bool m_error = false;
};

class Connection
{
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    // Opens the file; null and an error text when it cannot be opened, and `damaged` set when the
    // file is there but no SQLite database (or a corrupt one). An in-memory database for the path
    // ":memory:".
    static std::unique_ptr<Connection> open(const QString& path, Mode mode, QString* error, bool* damaged = nullptr);
    ~Connection();

    // Several statements separated by ";"; false and an error text on failure.
    bool execute(const QString& sql, QString* error = nullptr);
    // A prepared statement; invalid (and lastError() set) when the SQL does not compile.
    Statement prepare(const QString& sql);
    QString lastError() const;
    qint64 lastInsertRowID() const;

    // Every use of the connection and of what the store keeps beside it goes under this lock.
    std::recursive_mutex& mutex() { return m_mutex; }

private:
    Connection() = default;
    sqlite3* m_db = nullptr;
    std::recursive_mutex m_mutex;
};

} // namespace dw::sq
