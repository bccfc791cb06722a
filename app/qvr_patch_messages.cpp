// The installer's messages.
#include "qvr_patch_messages.h"

#include "qvr_guard.h"
#include "qvr_patch_record.h"
#include "qvr_resource_ids.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_messages.cpp"), QVRErrorSource::LastError};

bool g_bSilent = false;

namespace {

const int kTextChars = 300;
const WCHAR* const kUserSelect = QVR_T(" User select: ");
const WCHAR* const kLineEnd = QVR_T("\r\n");

uint32_t messageOf(GateResult result)
{
    switch (result) {
    case grWrongOS:
        return QVR_IDS_WRONG_OS;
    case grWrongVersion:
        return QVR_IDS_WRONG_VERSION;
    case grAlreadyInstalled:
        return QVR_IDS_ALREADY_INSTALLED;
    case grNotInstalled:
        return QVR_IDS_NOT_INSTALLED;
    case grCompleted:
        return QVR_IDS_COMPLETED;
    default:
        return QVR_IDS_FAILED;
    }
}

}  // namespace

void showResult(GateResult result, UINT ulStyle, int iSilentAnswer)
{
    showMessage(messageOf(result), ulStyle, iSilentAnswer);
}

int showMessage(uint32_t ulMessageID, UINT ulStyle, int iSilentAnswer)
{
    int iAnswer = iSilentAnswer;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRWCharString caption = loadText(QVR_IDS_CAPTION);
        const CQVRWCharString text = loadText(ulMessageID);
        if (caption.getLength() == 0)
            caption = loadText(QVR_IDS_CAPTION);
        if (!g_bSilent)
            iAnswer = MessageBoxW(nullptr, text.getText(), caption.getText(), ulStyle);
        CQVRWCharString line = text;
        line += CQVRWCharString(kUserSelect);
        line += CQVRWCharString(static_cast<int32_t>(iAnswer));
        line += CQVRWCharString(kLineEnd);
        writePatchLog(line);
    });
    return iAnswer;
}

CQVRWCharString loadText(uint32_t ulID)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRBuffer<unsigned short> buffer(kTextChars);
        LoadStringW(GetModuleHandleW(nullptr), ulID, qvrWide(buffer.getBuffer()), kTextChars);
        text = CQVRWCharString(buffer);
    });
    return text;
}

CQVRWCharString loadEnglishText(uint32_t ulID)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        // A string table is kept in blocks of sixteen counted strings, the
        // block named by ID / 16 + 1.
        HMODULE hModule = GetModuleHandleW(nullptr);
        HRSRC hBlock = FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(ulID / 16 + 1),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (hBlock == nullptr)
            return;
        const WCHAR* pUnits = static_cast<const WCHAR*>(LockResource(LoadResource(hModule, hBlock)));
        const DWORD ulUnits = SizeofResource(hModule, hBlock) / sizeof(WCHAR);
        if (pUnits == nullptr)
            return;
        DWORD ulAt = 0;
        for (uint32_t i = 0; i < ulID % 16 && ulAt < ulUnits; ++i)
            ulAt += 1 + static_cast<uint16_t>(pUnits[ulAt]);
        if (ulAt >= ulUnits)
            return;
        const DWORD ulLength = static_cast<uint16_t>(pUnits[ulAt]);
        if (ulLength == 0 || ulAt + 1 + ulLength > ulUnits)
            return;
        text = CQVRWCharString(CQVRBuffer<unsigned short>(qvrUnits(pUnits + ulAt + 1), ulLength, 0));
    });
    return text;
}

CQVRWCharString logText(uint32_t ulID, const CQVRWCharString& argument)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        text = loadText(ulID);
        if (text.getLength() == 0)
            text = loadEnglishText(ulID);
        text.replace(QVR_T("%s"), argument, 1, CQVRWCharString::ssmOccur);
        text += CQVRWCharString(kLineEnd);
    });
    return text;
}
