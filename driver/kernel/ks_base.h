// Basic vocabulary of the driver's kernel-services layer: integer kinds, strings, time-outs.
#pragma once

#include "platform/devio_status.h"
#include "platform/win_types.h"

#include <atomic>
#include <cstdint>
#include <string>

using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using ULONG = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using LONGLONG = std::int64_t;
using BOOLEAN = UCHAR;
using CHAR = char;
using PVOID = void*;
using WCHAR = wchar_t;

// A time value in 100-ns units: negative values are relative to now; zero or positive
// values name a moment that has already passed here, so a wait for them only polls.
struct LARGE_INTEGER {
    LONGLONG QuadPart = 0;
};

// A counted wide string that does not own its characters.
struct UNICODE_STRING {
    USHORT Length = 0;        // bytes, without a terminating zero
    USHORT MaximumLength = 0; // bytes
    const WCHAR* Buffer = nullptr;
};

inline void RtlInitUnicodeString(UNICODE_STRING* pString, const WCHAR* szSource)
{
    std::size_t nChars = 0;
    while (szSource && szSource[nChars])
        ++nChars;
    pString->Buffer = szSource;
    pString->Length = static_cast<USHORT>(nChars * sizeof(WCHAR));
    pString->MaximumLength = static_cast<USHORT>(pString->Length + sizeof(WCHAR));
}

// Object names are plain ASCII; the namespace keeps them as narrow strings.
inline std::string NarrowName(const UNICODE_STRING& name)
{
    std::string text;
    for (std::size_t i = 0; name.Buffer && i < name.Length / sizeof(WCHAR); ++i)
        text.push_back(static_cast<char>(name.Buffer[i] & 0x7F));
    return text;
}

inline LONG InterlockedIncrement(std::atomic<LONG>* pValue) { return ++*pValue; }
inline LONG InterlockedDecrement(std::atomic<LONG>* pValue) { return --*pValue; }
