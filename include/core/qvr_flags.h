// A 32-bit word of bit flags; a flag is any non-zero bit pattern.
#ifndef QVR_FLAGS_H
#define QVR_FLAGS_H

#include <cstdint>

class CQVRFlags {
public:
    CQVRFlags(uint32_t ulFlags = 0);
    CQVRFlags(const CQVRFlags& other) = default;
    CQVRFlags& operator=(const CQVRFlags& other);
    bool operator!=(const CQVRFlags& other) const;
    bool operator==(const CQVRFlags& other) const;
    // True when every bit of ulFlag is set; so 0 is always present.
    bool hasFlags(uint32_t ulFlag) const;
    // Position of the highest bit of ulFlag, when ulFlag is non-zero and present.
    bool getIndex(uint32_t ulFlag, uint32_t& ulIndex) const;
    uint32_t getFlags() const { return m_ulFlags; }

private:
    uint32_t m_ulFlags;
};

#endif
