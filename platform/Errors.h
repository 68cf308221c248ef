#pragma once
// Errors that reach the user carry a message in the program's own words.
#include <QString>
#include <stdexcept>

class EMorvaneError : public std::runtime_error {
public:
    explicit EMorvaneError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A text that does not convert to a number, colour or font.
class EConvertError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};
