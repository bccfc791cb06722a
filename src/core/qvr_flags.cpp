// The flag word. Nothing here can fail; every operation is traced.
#include "core/qvr_flags.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRFlags"), QVR_T("qvr_flags.cpp"), QVRErrorSource::Errno};

CQVRFlags::CQVRFlags(uint32_t ulFlags) : m_ulFlags(ulFlags) { qvrTracedPass(kThisFile, QVR_T("CQVRFlags"), __LINE__); }

CQVRFlags& CQVRFlags::operator=(const CQVRFlags& other)
{
    qvrTraced(kThisFile, QVR_T("operator="), __LINE__, rkPassFail, [&] {
        m_ulFlags = other.m_ulFlags;
        return true;
    });
    return *this;
}

bool CQVRFlags::operator!=(const CQVRFlags& other) const
{
    return qvrTraced(kThisFile, QVR_T("operator!="), __LINE__, rkLogical, [&] { return m_ulFlags != other.m_ulFlags; });
}

bool CQVRFlags::operator==(const CQVRFlags& other) const { return !(*this != other); }

bool CQVRFlags::hasFlags(uint32_t ulFlag) const
{
    return qvrTraced(kThisFile, QVR_T("hasFlags"), __LINE__, rkLogical, [&] { return (m_ulFlags & ulFlag) == ulFlag; });
}

// Turns a single-bit flag into a table index: the position of its highest bit.
bool CQVRFlags::getIndex(uint32_t ulFlag, uint32_t& ulIndex) const
{
    return qvrTraced(kThisFile, QVR_T("getIndex"), __LINE__, rkPassFail, [&] {
        if (ulFlag == 0 || !hasFlags(ulFlag))
            return false;
        uint32_t ulBit = 31;
        while ((ulFlag & (1u << ulBit)) == 0)
            --ulBit;
        ulIndex = ulBit;
        return true;
    });
}
