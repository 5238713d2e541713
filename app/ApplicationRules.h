#pragma once

// The rules behind the application object's texts, the same for every front end; pure, so
// every case can be tested on every build.

#include <string>
#include <string_view>

// The file name after the last of the delimiters, cut before its first full stop, with
// every character after the first lower-cased: "C:\Suite\MIGRADOR.EXE" gives "Migrador".
std::u16string ApplicationTitle(std::u16string_view exeName, std::u16string_view delimiters);

// The error box's text: a full stop is added when the message is not empty and its last
// character's code lies above that of the full stop.
std::u16string ErrorBoxText(std::u16string_view message);

// A message box begins a new line at each carriage return; a CR LF pair is one break. Each
// break is written as lineBreak, the toolkit's own.
std::u16string MessageBoxText(std::u16string_view text, std::u16string_view lineBreak);

// The message of the error being handled; to be called inside a catch block. Our own
// errors carry UTF-16 text, the standard ones UTF-8.
std::u16string CaughtErrorMessage();
