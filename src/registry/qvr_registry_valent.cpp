// A value record of a multi-value query.
#include "registry/qvr_registry_valent.h"

CQVRRegistryValent::CQVRRegistryValent() : m_Data(0), m_ulType(REG_NONE) {}

CQVRRegistryValent::CQVRRegistryValent(const VALENTW& valent)
    : m_strName(valent.ve_valuename),
      m_Data(reinterpret_cast<const unsigned char*>(valent.ve_valueptr), valent.ve_valuelen, 0),
      m_ulType(valent.ve_type)
{
}

bool CQVRRegistryValent::operator==(const CQVRRegistryValent& other) const
{
    return m_ulType == other.m_ulType && m_strName == other.m_strName && qvrSameElements(m_Data, other.m_Data);
}
