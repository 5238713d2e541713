#pragma once

// Settings (INI) files: one object names one file, and every operation goes straight to
// the file through the platform's profile functions. Nothing is cached here.

#include "Exception.h"

#include <string>

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TCustomIniFile {
public:
    explicit TCustomIniFile(std::u16string fileName) : FFileName(std::move(fileName)) {}
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;
    virtual ~TCustomIniFile() = default;

    const std::u16string& FileName() const { return FFileName; }

    virtual std::u16string ReadString(const std::u16string& Section, const std::u16string& Ident,
                                      const std::u16string& Default) = 0;
    virtual void WriteString(const std::u16string& Section, const std::u16string& Ident,
                             const std::u16string& Value) = 0;
    virtual void UpdateFile() = 0;

private:
    std::u16string FFileName;
};

class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;
    ~TIniFile() override;

    // At most 2047 units: the platform fills a buffer of 2048 with a terminator.
    std::u16string ReadString(const std::u16string& Section, const std::u16string& Ident,
                              const std::u16string& Default) override;
    // Raises EIniFileException "Unable to write to <file name>" when the platform fails.
    void WriteString(const std::u16string& Section, const std::u16string& Ident,
                     const std::u16string& Value) override;
    // Never raises: a failed flush has nothing left to tell the caller.
    void UpdateFile() override;
};
