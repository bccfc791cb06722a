// Writes what a message box on the screen says, as the user reads it:
//   box_text.exe <caption> <file>
// finds the box with that caption and writes its text, a line feed and its
// buttons' labels (separated by "|") to the file in UTF-8. Exits 1 when no
// such box is shown. The installer's end-to-end tests read the boxes of the
// real installer with it before they answer them.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A message box keeps its text in the static control with this ID.
const int kTextControl = 0xFFFF;

std::wstring textOf(HWND hWnd)
{
    wchar_t szText[1024] = {};
    GetWindowTextW(hWnd, szText, 1024);
    return szText;
}

BOOL CALLBACK collectButton(HWND hChild, LPARAM lParam)
{
    wchar_t szClass[32] = {};
    GetClassNameW(hChild, szClass, 32);
    if (lstrcmpiW(szClass, L"Button") == 0 && IsWindowVisible(hChild)) {
        std::wstring& buttons = *reinterpret_cast<std::wstring*>(lParam);
        if (!buttons.empty())
            buttons += L"|";
        buttons += textOf(hChild);
    }
    return TRUE;
}

std::string utf8(const std::wstring& text)
{
    const int iBytes =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(iBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], iBytes, nullptr, nullptr);
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    // The dialog class of message boxes.
    HWND hBox = FindWindowW(L"#32770", argv[1]);
    if (hBox == nullptr)
        return 1;
    wchar_t szText[1024] = {};
    GetDlgItemTextW(hBox, kTextControl, szText, 1024);
    std::wstring buttons;
    EnumChildWindows(hBox, collectButton, reinterpret_cast<LPARAM>(&buttons));
    const std::string out = utf8(std::wstring(szText) + L"\n" + buttons);
    FILE* pFile = _wfopen(argv[2], L"wb");
    if (pFile == nullptr)
        return 3;
    const bool bWritten = std::fwrite(out.data(), 1, out.size(), pFile) == out.size();
    return std::fclose(pFile) == 0 && bWritten ? 0 : 4;
}
