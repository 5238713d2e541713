#pragma once

#include <exception>
#include <string>

// Base of the tool's errors: each carries the message that the error display shows.
class Exception : public std::exception {
public:
    explicit Exception(std::u16string message);
    const std::u16string& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::u16string message_;
    std::string utf8_;
};
