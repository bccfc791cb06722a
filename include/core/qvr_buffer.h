// An owned, zero-filled array of T with its element count. The element count
// is the only length the buffer knows; every block is zeroed when allocated
// and wiped before it is freed, so no contents survive in freed memory.
#ifndef QVR_BUFFER_H
#define QVR_BUFFER_H

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"
#include "diagnostics/entries/qvr_memory_copy_exception.h"
#include "qvr_guard.h"
#include "qvr_platform.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

inline constexpr QVRSourceFile kQVRBufferFile = {QVR_T("CQVRBuffer"), QVR_T("include\\qvr_buffer.h"),
                                                 QVRErrorSource::Errno};

// Copies n elements and checks the copy routine's answer, which is how a
// failed copy shows itself.
template <class T> inline void qvrCopyElements(T* pDest, const T* pSource, uint32_t ulCount, uint32_t ulLine)
{
    if (ulCount == 0)
        return;
    if (std::memcpy(pDest, pSource, static_cast<size_t>(ulCount) * sizeof(T)) != pDest)
        throw CQVRMemoryCopyException(static_cast<uint32_t>(errno), kQVRBufferFile, ulLine);
}

// Zeroes memory through a volatile pointer, so that the wipe before a free is
// not dropped as a dead store.
inline void qvrWipeBytes(void* p, size_t cb)
{
    volatile unsigned char* pByte = static_cast<volatile unsigned char*>(p);
    for (size_t i = 0; i < cb; ++i)
        pByte[i] = 0;
}

template <class T> class CQVRBuffer {
public:
    // CQVRBuffer(0) is the empty buffer that derived classes start from.
    explicit CQVRBuffer(uint32_t ulSize = 0) : m_pBuffer(nullptr), m_ulSize(0)
    {
        if (!allocate(ulSize))
            throw CQVRBufferInitException(kQVRBufferFile, __LINE__);
    }

    // ulSize elements of pData placed after ulOffset zero elements.
    CQVRBuffer(const T* pData, uint32_t ulSize, uint32_t ulOffset) : m_pBuffer(nullptr), m_ulSize(0)
    {
        bool bOk = qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (ulSize == 0)
                return true;
            if (pData == nullptr)
                return allocate(ulSize);
            if (!allocate(checkedSum(ulSize, ulOffset)))
                return false;
            qvrCopyElements(m_pBuffer + ulOffset, pData, ulSize, __LINE__);
            return true;
        });
        if (!bOk) {
            CQVRBuffer::destroy();
            throw CQVRBufferInitException(kQVRBufferFile, __LINE__);
        }
    }

    CQVRBuffer(const CQVRBuffer& other) : m_pBuffer(nullptr), m_ulSize(0)
    {
        if (!assign(other)) {
            CQVRBuffer::destroy();
            throw CQVRBufferInitException(kQVRBufferFile, __LINE__);
        }
    }

    // Not virtual: a buffer always releases its array its own way.
    ~CQVRBuffer() { CQVRBuffer::destroy(); }

    // Empties the buffer, then gives it ulSize zeroed elements.
    virtual bool allocate(uint32_t ulSize)
    {
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (!destroy())
                return false;
            if (ulSize == 0)
                return true;
            m_pBuffer = newBlock(ulSize);
            m_ulSize = ulSize;
            return true;
        });
    }

    // Wipes and frees the array; the buffer is empty afterwards in any case.
    virtual bool destroy()
    {
        bool bOk = true;
        if (m_pBuffer != nullptr) {
            try {
                qvrWipeBytes(m_pBuffer, static_cast<size_t>(m_ulSize) * sizeof(T));
                delete[] m_pBuffer;
            } catch (...) {
                CMemDestroyFailWarning warning(QVR_T("m_pBuffer"), kQVRBufferFile, __LINE__);
                bOk = false;
            }
        }
        m_pBuffer = nullptr;
        m_ulSize = 0;
        return bOk;
    }

    // Keeps the leading elements that both sizes hold; new elements are zero.
    // The new block is filled before the old one is released, so a failed
    // growth leaves the contents as they were.
    virtual bool resize(uint32_t ulSize)
    {
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (ulSize == 0)
                return allocate(0);
            if (ulSize == m_ulSize)
                return true;
            T* pNew = newBlock(ulSize);
            try {
                qvrCopyElements(pNew, m_pBuffer, ulSize < m_ulSize ? ulSize : m_ulSize, __LINE__);
            } catch (...) {
                releaseBlock(pNew, ulSize);
                throw;
            }
            T* pOld = m_pBuffer;
            uint32_t ulOldSize = m_ulSize;
            m_pBuffer = pNew;
            m_ulSize = ulSize;
            releaseBlock(pOld, ulOldSize);
            return true;
        });
    }

    // Exchanges the two arrays with their counts; cannot fail, which is what
    // lets a result be built apart and taken whole.
    void swap(CQVRBuffer& other) noexcept
    {
        T* pBuffer = m_pBuffer;
        const uint32_t ulSize = m_ulSize;
        m_pBuffer = other.m_pBuffer;
        m_ulSize = other.m_ulSize;
        other.m_pBuffer = pBuffer;
        other.m_ulSize = ulSize;
    }

    CQVRBuffer& operator=(const CQVRBuffer& other)
    {
        if (&other != this)
            assign(other);
        return *this;
    }

    // Adds all of other's elements after the current ones.
    bool append(const CQVRBuffer& other)
    {
        if (&other == this) {
            CQVRBuffer copy(other);  // NOLINT(performance-unnecessary-copy-initialization): other is this buffer
            return append(copy);
        }
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            uint32_t ulOldSize = m_ulSize;
            if (other.m_ulSize == 0)
                return true;
            if (!resize(checkedSum(ulOldSize, other.m_ulSize)))
                return false;
            qvrCopyElements(m_pBuffer + ulOldSize, other.m_pBuffer, other.m_ulSize, __LINE__);
            return true;
        });
    }

    // Replaces everything from ulOffset on by other's elements; the result
    // has exactly ulOffset + other's size elements.
    bool appendAt(const CQVRBuffer& other, uint32_t ulOffset)
    {
        if (&other == this) {
            CQVRBuffer copy(other);  // NOLINT(performance-unnecessary-copy-initialization): other is this buffer
            return appendAt(copy, ulOffset);
        }
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (ulOffset > m_ulSize)
                throw CQVRBadArgException(QVR_T("ulOffset"),
                                          QVR_T("can't append a buffer at an offset past the bounds of this buffer"),
                                          nullptr, 0);
            if (!resize(checkedSum(ulOffset, other.m_ulSize)))
                return false;
            // Nothing to write: the cut at ulOffset is the whole result.
            if (other.m_ulSize == 0)
                return true;
            return write(other, ulOffset, false);
        });
    }

    // Copies buffer to positions ulOffset...; grows only when bGrow is set.
    bool write(const CQVRBuffer& buffer, uint32_t ulOffset, bool bGrow)
    {
        if (&buffer == this) {
            CQVRBuffer copy(buffer);  // NOLINT(performance-unnecessary-copy-initialization): buffer is this one
            return write(copy, ulOffset, bGrow);
        }
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (buffer.m_ulSize == 0)
                throw CQVRBadArgException(QVR_T("buffer"), QVR_T("buffer is of zero size - can't write"),
                                          kQVRBufferFile, __LINE__);
            if (static_cast<uint64_t>(ulOffset) + buffer.m_ulSize <= m_ulSize) {
                qvrCopyElements(m_pBuffer + ulOffset, buffer.m_pBuffer, buffer.m_ulSize, __LINE__);
                return true;
            }
            if (!bGrow)
                throw CQVRBadArgException(QVR_T("buffer"), QVR_T("buffer + offset will overrun this buffer"),
                                          kQVRBufferFile, __LINE__);
            if (!appendAt(buffer, ulOffset))
                throw CQVRMemoryCopyException(static_cast<uint32_t>(errno), kQVRBufferFile, __LINE__);
            return true;
        });
    }

    // Element access; the index error is the one exception that reaches the
    // caller.
    T& operator[](uint32_t ulIndex)
    {
        if (ulIndex >= m_ulSize)
            throw CQVRIndexOutOfBoundsException(kQVRBufferFile, __LINE__);
        return m_pBuffer[ulIndex];
    }
    T operator[](uint32_t ulIndex) const
    {
        if (ulIndex >= m_ulSize)
            throw CQVRIndexOutOfBoundsException(kQVRBufferFile, __LINE__);
        return m_pBuffer[ulIndex];
    }

    T* getBuffer() { return m_pBuffer; }
    const T* getBuffer() const { return m_pBuffer; }
    uint32_t getSize() const { return m_ulSize; }
    bool isValid() const { return m_pBuffer != nullptr && m_ulSize != 0; }
    void wipe()
    {
        if (m_pBuffer != nullptr)
            qvrWipeBytes(m_pBuffer, static_cast<size_t>(m_ulSize) * sizeof(T));
    }

    // The raw bytes of all elements, as they lie in memory (low byte first).
    template <class U = T, typename std::enable_if<std::is_same<U, unsigned short>::value, int>::type = 0>
    CQVRBuffer<unsigned char> toByteBuffer() const
    {
        CQVRBuffer<unsigned char> result(0);
        qvrTry(kQVRBufferFile, __LINE__, [&]() {
            if (m_ulSize == 0)
                return;
            uint64_t ullBytes = static_cast<uint64_t>(m_ulSize) * 2;
            if (ullBytes > 0xFFFFFFFFu)
                throw CQVRMemAllocException(QVR_T("m_pBuffer"), kQVRBufferFile, __LINE__);
            if (!result.allocate(static_cast<uint32_t>(ullBytes)))
                return;
            qvrCopyElements(result.getBuffer(), reinterpret_cast<const unsigned char*>(m_pBuffer),
                            static_cast<uint32_t>(ullBytes), __LINE__);
        });
        return result;
    }

    // Bytes paired into 16-bit elements in memory order; an odd last byte
    // leaves its element's high byte zero.
    template <class U = T, typename std::enable_if<std::is_same<U, unsigned char>::value, int>::type = 0>
    CQVRBuffer<unsigned short> toWideBuffer() const
    {
        CQVRBuffer<unsigned short> result(0);
        qvrTry(kQVRBufferFile, __LINE__, [&]() {
            if (m_ulSize == 0)
                return;
            uint32_t ulElements = m_ulSize / 2 + m_ulSize % 2;
            if (!result.allocate(ulElements))
                return;
            qvrCopyElements(reinterpret_cast<unsigned char*>(result.getBuffer()),
                            reinterpret_cast<const unsigned char*>(m_pBuffer), m_ulSize, __LINE__);
        });
        return result;
    }

    template <class U = T, typename std::enable_if<std::is_same<U, unsigned char>::value, int>::type = 0>
    CQVRBuffer& operator+=(const CQVRBuffer& other)
    {
        append(other);
        return *this;
    }

protected:
    // Copy assignment with its outcome, for the constructors that must know it.
    bool assign(const CQVRBuffer& other)
    {
        if (&other == this)
            return true;
        return qvrGuard(false, kQVRBufferFile, __LINE__, [&]() -> bool {
            if (!allocate(other.m_ulSize))
                return false;
            qvrCopyElements(m_pBuffer, other.m_pBuffer, other.m_ulSize, __LINE__);
            return true;
        });
    }

    // a + b as an element count; a sum past 32 bits cannot be allocated.
    static uint32_t checkedSum(uint32_t a, uint32_t b)
    {
        uint64_t ullSum = static_cast<uint64_t>(a) + b;
        if (ullSum > 0xFFFFFFFFu)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kQVRBufferFile, __LINE__);
        return static_cast<uint32_t>(ullSum);
    }

    // A zeroed block of ulSize elements. A byte size beyond 32 bits is refused
    // here rather than handed on, so it can never come back as a short block.
    static T* newBlock(uint32_t ulSize)
    {
        uint64_t ullBytes = static_cast<uint64_t>(ulSize) * sizeof(T);
        T* p = nullptr;
        if (ullBytes <= 0xFFFFFFFFu)
            p = new (std::nothrow) T[ulSize];
        if (p == nullptr)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kQVRBufferFile, __LINE__);
        std::memset(p, 0, static_cast<size_t>(ullBytes));
        return p;
    }

    static void releaseBlock(T* p, uint32_t ulSize)
    {
        if (p == nullptr)
            return;
        qvrWipeBytes(p, static_cast<size_t>(ulSize) * sizeof(T));
        delete[] p;
    }

    T* m_pBuffer;
    uint32_t m_ulSize;
};

// Two buffers hold the same elements (two empty ones count as the same).
template <class T> bool qvrSameElements(const CQVRBuffer<T>& a, const CQVRBuffer<T>& b)
{
    if (a.getSize() != b.getSize())
        return false;
    return a.getSize() == 0 ||
           std::memcmp(a.getBuffer(), b.getBuffer(), static_cast<size_t>(a.getSize()) * sizeof(T)) == 0;
}

// to = from, whole: the assignment logs running out of memory but cannot
// report it, and part of the data must not pass for all of it. Throws
// std::bad_alloc, which the caller's guard turns into its failure.
template <class T> void qvrCopyWhole(CQVRBuffer<T>& to, const CQVRBuffer<T>& from)
{
    to = from;
    if (!qvrSameElements(to, from))
        throw std::bad_alloc();
}

#endif
