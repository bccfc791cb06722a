// The node base of the doubly linked list: the links, the caller's key, and
// the value operations that each node kind implements its own way.
#ifndef QVR_NODE_H
#define QVR_NODE_H

#include "qvr_guard.h"
#include "qvr_platform.h"

#include <cstdint>
#include <type_traits>
#include <utility>

// The list's nodes name the list header in the entries they raise.
inline constexpr QVRSourceFile kQVRDblListFile = {QVR_T("CQVRDblList"), QVR_T("include\\qvr_dbllist.h"),
                                                  QVRErrorSource::Errno};

template <class T, class = void> struct CQVRHasLess : std::false_type {
};
template <class T>
struct CQVRHasLess<T, std::void_t<decltype(std::declval<const T&>() < std::declval<const T&>())>> : std::true_type {
};

template <class T, class = void> struct CQVRHasGreater : std::false_type {
};
template <class T>
struct CQVRHasGreater<T, std::void_t<decltype(std::declval<const T&>() > std::declval<const T&>())>> : std::true_type {
};

// How the nodes' < and > order held values: by the value type's own
// operators. A type without them never orders; a type whose operators must
// not order list values specialises this template.
template <class T> struct CQVRNodeOrder {
    static bool less(const T& a, const T& b)
    {
        if constexpr (CQVRHasLess<T>::value)
            return a < b;
        else
            return false;
    }
    static bool greater(const T& a, const T& b)
    {
        if constexpr (CQVRHasGreater<T>::value)
            return a > b;
        else
            return false;
    }
};

// A is the form in which the kind passes its value, R the form getValue
// hands it back in (a reference for copies, the pointer for owned pointers).
template <class A, class R = A> class CQVRNode {
public:
    explicit CQVRNode(uint32_t ulKey = 0) : m_pNext(nullptr), m_pPrev(nullptr), m_ulKey(ulKey) {}
    virtual ~CQVRNode()
    {
        m_pNext = nullptr;
        m_pPrev = nullptr;
    }

    virtual bool operator==(A value) const = 0;
    virtual bool operator!=(A value) const = 0;
    virtual bool operator<(A value) const = 0;
    virtual bool operator>(A value) const = 0;
    virtual R getValue() = 0;
    virtual void setValue(A value) = 0;

    CQVRNode* m_pNext;
    CQVRNode* m_pPrev;
    uint32_t m_ulKey;

    // Nodes belong to one list; copies are made by the list, value by value.
    CQVRNode(const CQVRNode&) = delete;
    CQVRNode& operator=(const CQVRNode&) = delete;
};

#endif
