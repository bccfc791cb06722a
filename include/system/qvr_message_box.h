// A standard message box: owner, caption, text and style, and the answer of
// the last time it was shown.
#ifndef QVR_MESSAGE_BOX_H
#define QVR_MESSAGE_BOX_H

#include "core/qvr_flags.h"
#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

#include <cstdint>

class CQVRMessageBox {
public:
    // Throws CQVRMessageBoxInitException when it cannot be built.
    CQVRMessageBox(HWND hParent, const CQVRWCharString& title, const CQVRWCharString& msg, CQVRFlags style);
    virtual ~CQVRMessageBox();

    // Shows the box and keeps the answer (0 when it could not be shown);
    // the box's text goes to the log as a notification either way.
    virtual bool showMessageBox();
    // Caption and text from the program's string table.
    virtual bool setTitle(uint32_t ulResourceID);
    virtual bool setMsg(uint32_t ulResourceID);
    bool setTitle(const CQVRWCharString& title);
    bool setMsg(const CQVRWCharString& msg);

    int32_t m_iResult;  // IDCANCEL until the box is shown
    CQVRWCharString m_strMsg;
    CQVRWCharString m_strTitle;
    CQVRFlags m_Style;
    HWND m_hParent;
};

#endif
