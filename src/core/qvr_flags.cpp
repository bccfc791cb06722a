// The flag word. Nothing here can fail; every operation is traced.
#include "core/qvr_flags.h"

#include "diagnostics/qvr_function_trace.h"
#include "qvr_platform.h"

static const WCHAR* const kSourceFile = QVR_T("qvr_flags.cpp");
static const WCHAR* const kClassName = QVR_T("CQVRFlags");

CQVRFlags::CQVRFlags(uint32_t ulFlags) : m_ulFlags(ulFlags)
{
    CQVRFunctionTrace trace(kClassName, QVR_T("CQVRFlags"), kSourceFile, __LINE__);
    trace.passFail(true);
}

CQVRFlags& CQVRFlags::operator=(const CQVRFlags& other)
{
    CQVRFunctionTrace trace(kClassName, QVR_T("operator="), kSourceFile, __LINE__);
    m_ulFlags = other.m_ulFlags;
    trace.passFail(true);
    return *this;
}

bool CQVRFlags::operator!=(const CQVRFlags& other) const
{
    CQVRFunctionTrace trace(kClassName, QVR_T("operator!="), kSourceFile, __LINE__);
    return trace.logical(m_ulFlags != other.m_ulFlags);
}

bool CQVRFlags::operator==(const CQVRFlags& other) const { return !(*this != other); }

bool CQVRFlags::hasFlags(uint32_t ulFlag) const
{
    CQVRFunctionTrace trace(kClassName, QVR_T("hasFlags"), kSourceFile, __LINE__);
    return trace.logical((m_ulFlags & ulFlag) == ulFlag);
}

// Turns a single-bit flag into a table index: the position of its highest bit.
bool CQVRFlags::getIndex(uint32_t ulFlag, uint32_t& ulIndex) const
{
    CQVRFunctionTrace trace(kClassName, QVR_T("getIndex"), kSourceFile, __LINE__);
    if (ulFlag == 0 || !hasFlags(ulFlag))
        return trace.passFail(false);
    uint32_t ulBit = 31;
    while ((ulFlag & (1u << ulBit)) == 0)
        --ulBit;
    ulIndex = ulBit;
    return trace.passFail(true);
}
