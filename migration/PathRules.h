#pragma once

// How the tool names its files and derives the new database path from the old one.
// The text rules are pure: every input, the empty text included, has a defined result.

#include <string>
#include <string_view>

// The substring rule behind every cut: a 1-based index below 1 counts as the start (and
// does not shorten the count), one past the end as the end; a negative count takes nothing.
std::u16string Copy(std::u16string_view text, long long index, long long count);

// Capitalises a to z only; accented letters keep their case, so the length never changes.
std::u16string UpperCase(std::u16string_view text);

// The folder part of a path: everything up to and including its last delimiter.
std::u16string ExtractFilePath(std::u16string_view path, std::u16string_view delimiters);

// The relative names are appended as they stand: Windows takes both separators.
std::u16string JoinPath(std::u16string_view baseFolder, std::u16string_view relativeName);

std::u16string DatabaseExtension(std::u16string_view databasePath);
bool HasGdbExtension(std::u16string_view databasePath);
std::u16string NewDatabasePath(std::u16string_view databasePath);

std::u16string GetExeName();

// The folder of the running executable, ending with its delimiter.
std::u16string BaseFolder();
