#pragma once

#include <QString>
#include <exception>
#include <string>

// Error raised by the dataset layer: a message meant for the user, shown as it is.
class EDatabaseError : public std::exception {
public:
    explicit EDatabaseError(QString message);
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Error raised by the table engine, with a code that callers may test.
class EDBEngineError : public EDatabaseError {
public:
    EDBEngineError(int code, QString message);
    int errorCode() const { return m_code; }

private:
    int m_code;
};

// Engine error codes. Callers test KeyViolation to tell a duplicate key from every other
// failure; the others let tests and callers tell the kinds of failure apart.
namespace EngineErrorCode {
inline constexpr int KeyViolation = 9729;     // a unique key would be duplicated
inline constexpr int RecordLocked = 10241;    // another session is editing the record
inline constexpr int TableInUse = 10243;      // exclusive open refused, or table locked
inline constexpr int FileCorrupt = 8962;      // a record or index file is damaged
inline constexpr int FileNotFound = 10024;    // a table file does not exist
inline constexpr int IoError = 8963;          // reading or writing a file failed
inline constexpr int InvalidPassword = 10015; // the session lacks the table password
inline constexpr int InvalidLayout = 10022;   // the file does not have the requested fields
inline constexpr int SqlError = 10027;        // a statement cannot be parsed or run
inline constexpr int InvalidValue = 10029;    // a value cannot be stored in its field
}  // namespace EngineErrorCode
