#pragma once

#include <QString>
#include <exception>

namespace zemo {

// The one error type of the program: a number and a description, as the common error box shows them.
class ZemoError : public std::exception {
public:
    ZemoError(int number, QString description) : m_number(number), m_description(std::move(description)) {}

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return "ZemoError"; }

private:
    int m_number;
    QString m_description;
};

// Numbers for failures that the program detects itself (database errors carry the database's own).
namespace err {
inline constexpr int NoDriver = 1001;       // no client driver for the service name
inline constexpr int BadConnect = 1002;     // connect string without user or password
inline constexpr int NotConnected = 1003;   // operation on a closed database
inline constexpr int NoSuchField = 1004;    // field name or position not in the result set
inline constexpr int ProfileRead = 1101;    // profile file cannot be read
inline constexpr int ProfileWrite = 1102;   // profile file cannot be written
inline constexpr int ProfileCopyFull = 1103; // all ten copy names are taken
inline constexpr int FileWrite = 1201;      // CSV or other output file cannot be written
inline constexpr int ResultTooLarge = 1202; // a result beyond what the result grid can hold
inline constexpr int Cancelled = 1301;      // the user stopped a fetch
} // namespace err

} // namespace zemo
