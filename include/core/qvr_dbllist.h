// The library's one collection: a doubly linked list that owns its nodes,
// grows at the tail, is emptied as a whole and has one built-in cursor.
#ifndef QVR_DBLLIST_H
#define QVR_DBLLIST_H

#include "core/qvr_node.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_ptr_node.h"
#include "core/qvr_std_node.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"
#include "qvr_guard.h"
#include "qvr_platform.h"

#include <cstdint>
#include <new>

template <class TNode> class CQVRDblList {
public:
    typedef typename TNode::ArgType ArgType;
    typedef typename TNode::ValueType ValueType;

    CQVRDblList() : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0) {}
    CQVRDblList(const CQVRDblList& other) : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0)
    {
        copyFrom(other);
    }
    ~CQVRDblList() { removeAll(); }

    // Links a new node holding value (for pointer nodes: owning the pointee)
    // at the tail.
    bool add(ArgType value, uint32_t ulKey = 0)
    {
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            TNode* pNewNode = new (std::nothrow) TNode(value, ulKey);
            if (pNewNode == nullptr)
                throw CQVRMemAllocException(QVR_T("pNewNode"), kQVRDblListFile, __LINE__);
            link(pNewNode);
            return true;
        });
    }

    bool removeAll()
    {
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            // The list is empty before the walk starts, so nothing can be
            // reached twice whatever happens during it.
            TNode* pTempCursor = m_pHead;
            m_pHead = nullptr;
            m_pTail = nullptr;
            m_pCursor = nullptr;
            m_ulCount = 0;
            while (pTempCursor != nullptr) {
                TNode* pNext = static_cast<TNode*>(pTempCursor->m_pNext);
                pTempCursor->m_pNext = nullptr;
                pTempCursor->m_pPrev = nullptr;
                try {
                    delete pTempCursor;
                } catch (...) {
                    CMemDestroyFailWarning warning(QVR_T("pTempCursor"), kQVRDblListFile, __LINE__);
                }
                pTempCursor = pNext;
            }
            return true;
        });
    }

    uint32_t getCount() const { return m_ulCount; }

    // Cursor to the head; false for an empty list.
    bool moveFirst()
    {
        m_pCursor = m_pHead;
        return m_pCursor != nullptr;
    }

    bool moveNext()
    {
        if (m_pCursor == nullptr || m_pCursor->m_pNext == nullptr)
            return false;
        m_pCursor = static_cast<TNode*>(m_pCursor->m_pNext);
        return true;
    }

    // Leaves the cursor on the matching node, or on the last node looked at.
    bool findKey(uint32_t ulKey)
    {
        if (!moveFirst())
            return false;
        do {
            if (m_pCursor->m_ulKey == ulKey)
                return true;
        } while (moveNext());
        return false;
    }

    // A copy of the current value (for pointer nodes, of the pointee).
    bool getCurrent(ValueType& value) const
    {
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            if (m_pCursor == nullptr)
                return false;
            const ValueType* pValue = m_pCursor->getValuePointer();
            if (pValue == nullptr)
                return false;
            value = *pValue;
            return true;
        });
    }

    // The current node's value itself, still owned by the list.
    bool getCurrent(ValueType*& pValue)
    {
        if (m_pCursor == nullptr)
            return false;
        pValue = m_pCursor->getValuePointer();
        return true;
    }

    bool setCurrent(ArgType value)
    {
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            if (m_pCursor == nullptr)
                return false;
            m_pCursor->setValue(value);
            return true;
        });
    }

    // Same keys and values in the same order.
    bool operator==(const CQVRDblList& other) const
    {
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            if (m_ulCount != other.m_ulCount)
                return false;
            const TNode* pMine = m_pHead;
            const TNode* pTheirs = other.m_pHead;
            while (pMine != nullptr && pTheirs != nullptr) {
                if (pMine->m_ulKey != pTheirs->m_ulKey || !(*pMine == pTheirs->argument()))
                    return false;
                pMine = static_cast<const TNode*>(pMine->m_pNext);
                pTheirs = static_cast<const TNode*>(pTheirs->m_pNext);
            }
            return pMine == nullptr && pTheirs == nullptr;
        });
    }

    CQVRDblList& operator=(const CQVRDblList& other)
    {
        if (&other != this)
            copyFrom(other);
        return *this;
    }

    // Replaces the contents by a copy of other's; a list of pointer nodes gets
    // pointees of its own. Stops at the first failure, keeping what was copied.
    bool copyFrom(const CQVRDblList& other)
    {
        if (&other == this)
            return true;
        return qvrGuard(false, kQVRDblListFile, __LINE__, [&]() -> bool {
            removeAll();
            for (const TNode* pSource = other.m_pHead; pSource != nullptr;
                 pSource = static_cast<const TNode*>(pSource->m_pNext)) {
                if constexpr (CQVRNodeOwnsPointee<TNode>::value) {
                    const ValueType* pSourceValue = pSource->getValuePointer();
                    ValueType* pCopy = nullptr;
                    if (pSourceValue != nullptr) {
                        pCopy = new (std::nothrow) ValueType(*pSourceValue);
                        if (pCopy == nullptr)
                            throw CQVRMemAllocException(QVR_T("pNode"), kQVRDblListFile, __LINE__);
                    }
                    TNode* pNode = new (std::nothrow) TNode(pCopy, pSource->m_ulKey);
                    if (pNode == nullptr) {
                        delete pCopy;
                        throw CQVRMemAllocException(QVR_T("pNode"), kQVRDblListFile, __LINE__);
                    }
                    link(pNode);
                } else {
                    if (!add(pSource->argument(), pSource->m_ulKey))
                        return false;
                }
            }
            return true;
        });
    }

private:
    // At the tail; the cursor moves only when the list was empty.
    void link(TNode* pNode)
    {
        pNode->m_pNext = nullptr;
        pNode->m_pPrev = m_pTail;
        if (m_pTail == nullptr) {
            m_pHead = pNode;
            m_pCursor = pNode;
        } else {
            m_pTail->m_pNext = pNode;
        }
        m_pTail = pNode;
        ++m_ulCount;
    }

    TNode* m_pHead;
    TNode* m_pTail;
    TNode* m_pCursor;
    uint32_t m_ulCount;
};

#endif
