#include "Exception.h"

#include "platform/Unicode.h"

Exception::Exception(std::u16string message)
    : message_(std::move(message)), utf8_(platform::utf16ToUtf8(message_).value_or("?")) {}
