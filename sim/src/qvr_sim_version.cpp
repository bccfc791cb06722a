// File versions: a file's version resource is the version block around the
// first fixed version record inside the file (signature 0xFEEF04BD at a
// 4-byte boundary, after a block header named VS_VERSION_INFO), so a real
// library and a small test file both have one.
#include "qvr_sim_state.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const DWORD kSignature = 0xFEEF04BD;
// The header before the fixed record: length, value length, type, the key
// "VS_VERSION_INFO" with its terminator, padding to a 4-byte boundary.
const size_t kHeaderSize = 40;
const char16_t kKey[] = u"VS_VERSION_INFO";

WORD wordAt(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

DWORD dwordAt(const BYTE* p) { return static_cast<DWORD>(wordAt(p)) | (static_cast<DWORD>(wordAt(p + 2)) << 16); }

bool isBlockHeader(const BYTE* p, size_t available)
{
    WORD wLength = wordAt(p);
    if (wLength < kHeaderSize + sizeof(VS_FIXEDFILEINFO) || wLength > available)
        return false;
    for (size_t i = 0; i < sizeof kKey / sizeof kKey[0]; ++i)
        if (wordAt(p + 6 + 2 * i) != kKey[i])
            return false;
    return true;
}

// The file's version block, or the error Windows gives: a file that cannot
// be read as the path names it, or ERROR_RESOURCE_DATA_NOT_FOUND for one
// without a version resource.
DWORD readVersionBlock(LPCWSTR path, std::vector<BYTE>& block)
{
    std::string host;
    bool bFolder = false;
    if (DWORD error = qvrsim::locateExisting(path, host, bFolder))
        return error;
    if (bFolder)
        return ERROR_ACCESS_DENIED;
    if (!qvrsim::sharingAllows(host, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE))
        return QVR_SIM_ERROR_SHARING_VIOLATION;
    std::ifstream in(host, std::ios::binary);
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = kHeaderSize; at + sizeof(VS_FIXEDFILEINFO) <= bytes.size(); at += 4) {
        if (dwordAt(&bytes[at]) != kSignature)
            continue;
        const BYTE* header = &bytes[at - kHeaderSize];
        if (!isBlockHeader(header, bytes.size() - (at - kHeaderSize)))
            continue;
        block.assign(header, header + wordAt(header));
        return ERROR_SUCCESS;
    }
    return QVR_SIM_ERROR_RESOURCE_DATA_NOT_FOUND;
}

}  // namespace

// Windows asks for twice the block and four bytes more (room it uses for
// converted texts); success clears the last error. The handle is always 0.
// An empty path is a bad path name here (and not found when the resource is
// read).
DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    if (qvrsim::injectedLastError("GetFileVersionInfoSizeW"))
        return 0;
    std::vector<BYTE> block;
    bool bEmpty = lptstrFilename == nullptr || lptstrFilename[0] == 0;
    DWORD error = bEmpty ? QVR_SIM_ERROR_BAD_PATHNAME : readVersionBlock(lptstrFilename, block);
    SetLastError(error);
    return error == ERROR_SUCCESS ? static_cast<DWORD>(block.size() * 2 + 4) : 0;
}

// As much of the block as fits; with room after it, the signature "FE2X"
// that Windows leaves there. A buffer too small still succeeds.
BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    if (qvrsim::injectedLastError("GetFileVersionInfoW"))
        return FALSE;
    std::vector<BYTE> block;
    if (DWORD error = readVersionBlock(lptstrFilename, block)) {
        SetLastError(error);
        return FALSE;
    }
    if (dwLen == 0)
        return TRUE;
    if (lpData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE* out = static_cast<BYTE*>(lpData);
    std::memcpy(out, block.data(), dwLen < block.size() ? dwLen : block.size());
    // Four signature bytes after the block, as Windows writes them.
    static const BYTE kSignature[4] = {'F', 'E', '2', 'X'};
    if (dwLen >= block.size() + 4)
        std::memcpy(out + block.size(), kSignature, sizeof(kSignature));
    return TRUE;
}

// Only the root block ("\" or empty) is looked up: its value is the fixed
// record, of the length the block names (0 for a block without one). The
// library asks for nothing else, so any other sub-block is not found (length
// 0, the pointer left alone).
BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen)
{
    if (qvrsim::injectedLastError("VerQueryValueW"))
        return FALSE;
    if (pBlock == nullptr || lplpBuffer == nullptr || puLen == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool bRoot = true;
    for (size_t i = 0; lpSubBlock && lpSubBlock[i]; ++i)
        bRoot = bRoot && lpSubBlock[i] == u'\\';
    if (!bRoot) {
        *puLen = 0;
        SetLastError(QVR_SIM_ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    const BYTE* block = static_cast<const BYTE*>(pBlock);
    size_t keyEnd = 6;
    while (wordAt(block + keyEnd) != 0)
        keyEnd += 2;
    size_t valueAt = (keyEnd + 2 + 3) & ~static_cast<size_t>(3);
    *lplpBuffer = const_cast<BYTE*>(block + valueAt);
    *puLen = wordAt(block + 2);
    return TRUE;
}
