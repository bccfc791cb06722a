// Appending UTF-16 text to a file.
#include "diagnostics/qvr_unicode_file.h"

#include <memory>
#include <new>

namespace {

bool writeWhole(HANDLE hFile, const void* pBytes, DWORD ulBytes)
{
    DWORD ulWritten = 0;
    return WriteFile(hFile, pBytes, ulBytes, &ulWritten, nullptr) && ulWritten == ulBytes;
}

}  // namespace

bool qvrAppendUnicode(HANDLE hFile, const WCHAR* pUnits, uint32_t ulUnits)
{
    SetLastError(ERROR_SUCCESS);
    const DWORD ulEnd = SetFilePointer(hFile, 0, nullptr, FILE_END);
    if (ulEnd == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS)
        return false;
    static const BYTE kByteOrderMark[2] = {0xFF, 0xFE};
    if (ulEnd == 0 && !writeWhole(hFile, kByteOrderMark, sizeof(kByteOrderMark)))
        return false;
    // Little-endian, two bytes per unit, whatever the host's byte order.
    // One write for the whole text, so a failure leaves no part of it.
    const size_t cbBytes = static_cast<size_t>(ulUnits) * 2;
    if (ulUnits == 0)
        return true;
    std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[cbBytes]);
    if (!bytes)
        return false;
    for (uint32_t i = 0; i < ulUnits; ++i) {
        const uint16_t usUnit = static_cast<uint16_t>(pUnits[i]);
        bytes[2 * i] = static_cast<BYTE>(usUnit & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(usUnit >> 8);
    }
    return writeWhole(hFile, bytes.get(), static_cast<DWORD>(cbBytes));
}
